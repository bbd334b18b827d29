#pragma once

#include "decoder/Mpeg2Dec3Api.h"

#include <QString>

// What the decoder library reports (why a call failed, what is wrong with a frame), in French;
// empty for no report and for a code this program does not know, whose text the library gives.
QString DecoderReportText(const DecoderReport& report);
