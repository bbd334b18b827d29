#include "fuzz/Checks.h"

#include "platform/NumberText.h"

#include <QString>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <optional>

namespace fuzzchecks {

namespace {

// Plain decimal text ("  -123"), as the C library reads it: nullopt when the text is something
// else, an empty optional inside when it is out of range.
std::optional<std::optional<int64_t>> DecimalReading(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    size_t digits = i;
    if (digits < text.size() && (text[digits] == '-' || text[digits] == '+'))
        ++digits;
    if (digits == text.size())
        return std::nullopt;
    for (size_t k = digits; k < text.size(); ++k)
        if (text[k] < '0' || text[k] > '9')
            return std::nullopt;
    errno = 0;
    const long long value = std::strtoll(text.c_str() + i, nullptr, 10);
    if (errno == ERANGE)
        return std::optional<int64_t>();
    return std::optional<int64_t>(value);
}

std::string CheckGeneralFormat(long double value) {
    for (int digits : {1, 7, 15, 18}) {
        const QString text = FormatGeneral(value, digits);
        const std::optional<long double> back = StrToFloat(text);
        if (!back) {
            // Only a value that rounds up past the largest long double may fail to read back.
            if (std::fabs(value) < 1e4900L)
                return "\"" + text.toStdString() + "\" (written with " + std::to_string(digits) +
                       " digits) does not read back";
            continue;
        }
        const QString again = FormatGeneral(*back, digits);
        if (again != text)
            return "\"" + text.toStdString() + "\" reads back as a value written \"" + again.toStdString() +
                   "\"";
    }
    return {};
}

// An x87 extended value from ten bytes, with the explicit integer bit set exactly when the
// exponent is not zero: other patterns never come out of arithmetic.
long double ExtendedFromBytes(const uint8_t* data) {
    uint64_t mantissa = 0;
    uint16_t signExponent = 0;
    std::memcpy(&mantissa, data, 8);
    std::memcpy(&signExponent, data + 8, 2);
    if ((signExponent & 0x7FFF) != 0)
        mantissa |= uint64_t{1} << 63;
    else
        mantissa &= ~(uint64_t{1} << 63);
    long double value = 0;
    std::memcpy(&value, &mantissa, 8);
    std::memcpy(reinterpret_cast<char*>(&value) + 8, &signExponent, 2);
    return value;
}

} // namespace

std::string CheckNumberText(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const QString text = QString::fromUtf8(bytes);

    const std::optional<int64_t> integer = StrToInt64(text);
    if (integer && StrToInt64(QString::number(*integer)) != integer)
        return "StrToInt64 does not read back " + std::to_string(*integer);
    if (const auto expected = DecimalReading(bytes)) {
        if (*expected != integer)
            return "StrToInt64 of decimal text \"" + bytes + "\" gives " +
                   (integer ? std::to_string(*integer) : std::string("an error"));
    }

    if (const std::optional<long double> real = StrToFloat(text)) {
        if (!std::isfinite(*real))
            return "StrToFloat returned a non-finite value for \"" + bytes + "\"";
        if (std::string failure = CheckGeneralFormat(*real); !failure.empty())
            return failure;
    }

    if (size >= 10) {
        const long double value = ExtendedFromBytes(data);
        if (std::isfinite(value))
            return CheckGeneralFormat(value);
        if (FormatGeneral(value).isEmpty())
            return "FormatGeneral of a non-finite value is empty";
    }
    return {};
}

} // namespace fuzzchecks
