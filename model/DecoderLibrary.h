#pragma once

#include "decoder/Mpeg2Dec3Api.h"

#include <QLibrary>
#include <QString>
#include <memory>

// Pointer types of the entry points, taken from their declarations so the compiler checks every
// binding against the library's own interface.
using OpenMPEG2SourceFunction = decltype(&openMPEG2Source);
using CloseVideoFunction = decltype(&closeVideo);
using GetRGBFrameFunction = decltype(&getRGBFrame);
using GetFrameFunction = decltype(&getFrame);
using GetLastDecoderErrorFunction = decltype(&getLastDecoderError);
using GetLastFrameDamageFunction = decltype(&getLastFrameDamage);
using GetStreamFactsFunction = decltype(&getStreamFacts);
using GetLastDecoderReportFunction = decltype(&getLastDecoderReport);

// File name of the decoder library; tests point it at a stand-in.
extern QString DecoderLibraryFileName;

// Loads DecoderLibraryFileName from the program's own folder first, then through the system's
// ordinary search. On failure returns nullptr and puts the loader's reason in errorText.
std::unique_ptr<QLibrary> LoadDecoderLibraryFile(QString& errorText);

// Why the library's last call failed: in French where it reports a code the program knows
// (getLastDecoderReport), else in its own words; empty when it does not say.
QString DecoderErrorText(const QLibrary* library);
