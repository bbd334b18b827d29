#include "platform/NumberText.h"

#include <QLocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <locale.h>
#include <string>

namespace {

bool IsAsciiDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

int HexDigitValue(QChar c) {
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

// The original runtime skipped spaces only, not tabs or other white space.
qsizetype SkipSpaces(const QString& text, qsizetype i) {
    while (i < text.size() && text.at(i) == QLatin1Char(' '))
        ++i;
    return i;
}

} // namespace

std::optional<int64_t> StrToInt64(const QString& text) {
    qsizetype i = SkipSpaces(text, 0);
    bool negative = false;
    if (i < text.size() && (text.at(i) == QLatin1Char('-') || text.at(i) == QLatin1Char('+'))) {
        negative = text.at(i) == QLatin1Char('-');
        ++i;
    }
    const qsizetype n = text.size();
    if (i < n && (text.at(i) == QLatin1Char('$') ||
                  (text.at(i) == QLatin1Char('0') && i + 1 < n &&
                   (text.at(i + 1) == QLatin1Char('x') || text.at(i + 1) == QLatin1Char('X'))))) {
        i += text.at(i) == QLatin1Char('$') ? 1 : 2;
        if (i >= n)
            return std::nullopt;
        uint64_t bits = 0;
        for (; i < n; ++i) {
            const int digit = HexDigitValue(text.at(i));
            if (digit < 0 || (bits >> 60) != 0)
                return std::nullopt;
            bits = (bits << 4) | static_cast<uint64_t>(digit);
        }
        // Sixteen hexadecimal digits are a bit pattern: the sign bit may be set.
        if (negative)
            bits = ~bits + 1;
        return static_cast<int64_t>(bits);
    }
    if (i >= n)
        return std::nullopt;
    // Accumulated as a magnitude so that -9223372036854775808 is reachable.
    const uint64_t limit = negative ? uint64_t{1} << 63 : (uint64_t{1} << 63) - 1;
    uint64_t magnitude = 0;
    for (; i < n; ++i) {
        if (!IsAsciiDigit(text.at(i)))
            return std::nullopt;
        const uint64_t digit = static_cast<uint64_t>(text.at(i).unicode() - u'0');
        if (magnitude > (limit - digit) / 10)
            return std::nullopt;
        magnitude = magnitude * 10 + digit;
    }
    if (negative)
        return static_cast<int64_t>(~magnitude + 1);
    return static_cast<int64_t>(magnitude);
}

QChar DecimalSeparator() {
    const QString point = QLocale::system().decimalPoint();
    return point.isEmpty() ? QLatin1Char('.') : point.at(0);
}

std::optional<long double> StrToFloat(const QString& text) {
    const QChar separator = DecimalSeparator();
    qsizetype i = SkipSpaces(text, 0);
    qsizetype end = text.size();
    while (end > i && text.at(end - 1) == QLatin1Char(' '))
        --end;

    // Checked by hand, then handed over in the C locale's spelling: strtold alone would also take
    // "inf", "nan", hexadecimal floats and the C library's own separator.
    std::string ascii;
    if (i < end && (text.at(i) == QLatin1Char('-') || text.at(i) == QLatin1Char('+'))) {
        ascii += text.at(i) == QLatin1Char('-') ? '-' : '+';
        ++i;
    }
    int mantissaDigits = 0;
    for (; i < end && IsAsciiDigit(text.at(i)); ++i, ++mantissaDigits)
        ascii += static_cast<char>(text.at(i).unicode());
    if (i < end && text.at(i) == separator) {
        ascii += '.';
        for (++i; i < end && IsAsciiDigit(text.at(i)); ++i, ++mantissaDigits)
            ascii += static_cast<char>(text.at(i).unicode());
    }
    if (mantissaDigits == 0)
        return std::nullopt;
    if (i < end && (text.at(i) == QLatin1Char('e') || text.at(i) == QLatin1Char('E'))) {
        ascii += 'e';
        ++i;
        if (i < end && (text.at(i) == QLatin1Char('-') || text.at(i) == QLatin1Char('+'))) {
            ascii += static_cast<char>(text.at(i).unicode());
            ++i;
        }
        int exponentDigits = 0;
        for (; i < end && IsAsciiDigit(text.at(i)); ++i, ++exponentDigits)
            ascii += static_cast<char>(text.at(i).unicode());
        if (exponentDigits == 0)
            return std::nullopt;
    }
    if (i != end)
        return std::nullopt;

    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    const long double value = strtold_l(ascii.c_str(), nullptr, cLocale);
    // Too large for the type is an error; too small is read as the nearest value, zero included.
    if (!std::isfinite(value))
        return std::nullopt;
    return value;
}

QString FormatGeneral(long double value, int digits) {
    if (std::isnan(value))
        return QStringLiteral("NAN");
    if (std::isinf(value))
        return value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
    if (digits < 1)
        digits = 1;
    if (digits > 18)
        digits = 18;
    if (value == 0)
        return QStringLiteral("0");

    // Rounded in two steps, as the original runtime did: to 18 significant digits first, then
    // to `digits`, a half going away from zero.
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.17Le", std::fabs(value));
    std::string mantissa;
    const char* p = buffer;
    for (; *p != 'e'; ++p)
        if (*p >= '0' && *p <= '9')
            mantissa += *p;
    int exponent = std::atoi(p + 1);

    const bool roundUp =
        static_cast<size_t>(digits) < mantissa.size() && mantissa[static_cast<size_t>(digits)] >= '5';
    mantissa.resize(static_cast<size_t>(digits));
    if (roundUp) {
        int k = digits - 1;
        while (k >= 0 && mantissa[static_cast<size_t>(k)] == '9')
            mantissa[static_cast<size_t>(k--)] = '0';
        if (k >= 0) {
            ++mantissa[static_cast<size_t>(k)];
        } else {
            mantissa.insert(mantissa.begin(), '1');
            mantissa.pop_back();
            ++exponent;
        }
    }
    while (mantissa.size() > 1 && mantissa.back() == '0')
        mantissa.pop_back();

    const QChar separator = DecimalSeparator();
    QString result;
    if (value < 0)
        result += QLatin1Char('-');
    const int count = static_cast<int>(mantissa.size());
    if (exponent < -5 || exponent >= digits) {
        result += QLatin1Char(mantissa[0]);
        if (count > 1) {
            result += separator;
            result += QLatin1String(mantissa.data() + 1, count - 1);
        }
        result += QLatin1Char('E');
        result += QString::number(exponent);
    } else if (exponent < 0) {
        result += QLatin1Char('0');
        result += separator;
        result += QString(-exponent - 1, QLatin1Char('0'));
        result += QLatin1String(mantissa.data(), count);
    } else if (count <= exponent + 1) {
        result += QLatin1String(mantissa.data(), count);
        result += QString(exponent + 1 - count, QLatin1Char('0'));
    } else {
        result += QLatin1String(mantissa.data(), exponent + 1);
        result += separator;
        result += QLatin1String(mantissa.data() + exponent + 1, count - exponent - 1);
    }
    return result;
}
