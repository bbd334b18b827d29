#pragma once

#include <QChar>
#include <QString>
#include <cstdint>
#include <optional>

// Number text as the original platform read and wrote it.

// Signed 64-bit conversion: leading blanks, one sign, then decimal digits, or hexadecimal digits
// after "$" or "0x"/"0X". Anything else, the empty text included, is a conversion error (nullopt).
std::optional<int64_t> StrToInt64(const QString& text);

// The decimal separator of QLocale::system(), read at each call.
QChar DecimalSeparator();

// Real number text with the locale's decimal separator; nullopt on a conversion error.
std::optional<long double> StrToFloat(const QString& text);

// "General" format: at most `digits` significant digits, trailing zeros dropped, the locale's
// decimal separator, no digit grouping; an exponent ("1,44E6", "1E-6") only below 0.00001 or
// beyond `digits` integer digits.
QString FormatGeneral(long double value, int digits = 15);
