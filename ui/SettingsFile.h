#pragma once

// The settings file's format and reading live in the model, where cinescriptor-render reads them
// too; the main window's side of it is in SettingsFile.cpp.
#include "model/ProjectSettings.h"
