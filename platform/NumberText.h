#pragma once

#include <QChar>
#include <QString>
#include <cstdint>
#include <optional>

// Number text as the original platform read and wrote it.

// Signed 64-bit conversion: leading blanks, one sign, then decimal digits, or hexadecimal digits
// after "$" or "0x"/"0X". Anything else, the empty text included, is a conversion error (nullopt).
// Decimal text must lie within int64; hexadecimal text may give any 64-bit pattern (up to 16
// significant digits, "$FFFFFFFFFFFFFFFF" is -1), as the original runtime read it.
std::optional<int64_t> StrToInt64(const QString& text);

// The decimal separator of QLocale::system(), read at each call.
QChar DecimalSeparator();

// Real number text with the locale's decimal separator; leading and trailing blanks and an
// exponent ("1,5E3") are allowed. nullopt on a conversion error, infinities included.
std::optional<long double> StrToFloat(const QString& text);

// "General" format: at most `digits` significant digits (1 to 18), trailing zeros dropped, the
// locale's decimal separator, no digit grouping; an exponent ("1,44E6", "1E-6") only below
// 0.00001 or beyond `digits` integer digits.
QString FormatGeneral(long double value, int digits = 15);
