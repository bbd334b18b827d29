#include "model/UseFullUnit.h"

#include "model/MessageSink.h"
#include "platform/CharacterTypes.h"
#include "platform/NumberText.h"

namespace {

constexpr uint32_t MaxLongWord = 4294967295u;

} // namespace

bool IsDigitCharacter(char c) {
    return (CharacterType(c) & CharacterTypeDigit) != 0;
}

bool IsReturnCharacter(char c) {
    return c == 10 || c == 13;
}

bool IsBackspaceCharacter(char c) {
    return c == 8;
}

char DecimalSeparatorCharacter() {
    const QChar separator = DecimalSeparator();
    return separator.unicode() < 128 ? static_cast<char>(separator.unicode()) : '.';
}

bool IsNumberCharacter(char c) {
    return IsDigitCharacter(c) || c == '+' || c == '-' || c == DecimalSeparatorCharacter();
}

char GetValidIntegerKey(char key) {
    if (IsDigitCharacter(key) || IsReturnCharacter(key) || IsBackspaceCharacter(key))
        return key;
    return 0;
}

char GetValidRealKey(char key) {
    const char separator = DecimalSeparatorCharacter();
    if (key == ',' || key == '.')
        key = separator;
    if (IsDigitCharacter(key) || key == separator || IsReturnCharacter(key) || IsBackspaceCharacter(key))
        return key;
    return 0;
}

char GetValidSignedIntegerKey(char key) {
    if (key == ',' || key == '.' || key == DecimalSeparatorCharacter())
        return 0;
    if (IsDigitCharacter(key) || key == '+' || key == '-' || IsReturnCharacter(key) ||
        IsBackspaceCharacter(key))
        return key;
    return 0;
}

QChar FilterKey(char (*filter)(char), QChar key) {
    // Only ASCII goes through: in this UTF-8 world a byte above 127 is not a whole character.
    if (key.unicode() >= 128)
        return QChar(0);
    return QChar(static_cast<char16_t>(static_cast<unsigned char>(filter(static_cast<char>(key.unicode())))));
}

bool IsStringValidLongWord(const QString& s) {
    const std::optional<int64_t> value = StrToInt64(s);
    return value && *value >= 0 && *value <= int64_t{MaxLongWord};
}

bool IsStringValidLongWordInRange(const QString& s, uint32_t min, uint32_t max) {
    if (max < min) {
        ShowWarning(QStringLiteral("Min > Max in IsStringValidLongWordInRange: Result = False !"));
        return false;
    }
    if (!IsStringValidLongWord(s))
        return false;
    const uint32_t value = StringToValidLongWord(s);
    return min <= value && value <= max;
}

bool IsStringValidInt64InRange(const QString& s, int64_t min, int64_t max) {
    if (max < min) {
        ShowWarning(QStringLiteral("Min > Max in IsStringValidInt64InRange: Result = False !"));
        return false;
    }
    const std::optional<int64_t> value = StrToInt64(s);
    return value && min <= *value && *value <= max;
}

uint32_t StringToValidLongWord(const QString& s) {
    if (s.isEmpty())
        return 0;
    const std::optional<int64_t> value = StrToInt64(s);
    if (!value) {
        ShowWarning(QStringLiteral("EConvertError in StrToInt64: Result = Max( LongWord ) !"));
        return MaxLongWord;
    }
    if (*value < 0 || *value > int64_t{MaxLongWord}) {
        ShowWarning(QStringLiteral("NoValidLongWord in StringToValidLongWord: Result = Max( LongWord ) !"));
        return MaxLongWord;
    }
    return static_cast<uint32_t>(*value);
}

uint32_t GetValidFixedMultiple(uint32_t value, uint8_t multiple, uint8_t method) {
    if (multiple == 0)
        return value;
    const uint32_t r = value % multiple;
    if (r == 0)
        return value;
    const uint32_t down = value - r;
    // Computed wide: near the top of the range the multiple above does not fit in 32 bits, and
    // the one below is the nearest that does (a wrap to 0 would break "never aligns to 0").
    const uint64_t up = uint64_t{down} + multiple;
    const uint32_t upOrDown = up > MaxLongWord ? down : static_cast<uint32_t>(up);
    // value / 2 is exact: 2 * r compares with value without losing the half.
    switch (method) {
    case 0:
        return uint64_t{value} > 2 * uint64_t{r} ? down : upOrDown;
    case 1:
        return uint64_t{value} >= 2 * uint64_t{r} ? down : upOrDown;
    case 2:
        return upOrDown;
    case 3:
        return down;
    default:
        ShowInformation(QStringLiteral("Invalid Method in GetValidFixedMultiple !"));
        return value;
    }
}

QString SizeToString(uint32_t bytes) {
    return FormatGeneral(static_cast<long double>(bytes) / 1024, 6) + QStringLiteral(" Ko ( ") +
           FormatGeneral(static_cast<long double>(bytes) / 1048576, 6) + QStringLiteral(" Mo )");
}

QString DurationToString(uint32_t seconds) {
    // Hours are not limited to 8 bits: 256 h and more read as they are.
    const uint32_t hours = seconds / 3600;
    const uint32_t rest = seconds % 3600;
    const uint32_t minutes = rest / 60;
    const uint32_t secs = rest % 60;
    if (hours > 0)
        return QStringLiteral("%1 h %2 min %3 s").arg(hours).arg(minutes).arg(secs);
    if (minutes > 0)
        return QStringLiteral("%1 min %2 s").arg(minutes).arg(secs);
    return QStringLiteral("%1 s").arg(secs);
}
