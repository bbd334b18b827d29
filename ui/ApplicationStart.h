#pragma once

#include <QString>

// What every start of the windows does once its QApplication exists, so that the program, its
// tests and its screenshots show the same texts: the program's name (the title of its message
// boxes), the locale's character classes, and Qt's own texts (file dialogs, message box buttons,
// edit boxes' context menu) in French whatever the system locale, as the rest of the interface is.
// The program's name is not made the application's display name: Qt would add it to the title of
// every window, and only the main window is titled with it.
void StartApplication();

// Installs Qt's French translation from `folder`. False, with nothing installed and nothing
// changed, when it cannot be read there: Qt's buttons then stay in English.
bool InstallQtFrench(const QString& folder);
