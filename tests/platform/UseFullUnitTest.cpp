#include "model/UseFullUnit.h"
#include "LocaleExpectations.h"
#include "common/RecordingMessageSink.h"
#include "platform/CharacterTypes.h"

#include <gtest/gtest.h>
#include <ostream>

#include <cstdint>
#include <limits>

namespace {

using Kind = RecordingMessageSink::Kind;

constexpr uint32_t MaxLongWord = 4294967295u;
const char* const NoValidLongWord = "NoValidLongWord in StringToValidLongWord: Result = Max( LongWord ) !";
const char* const ConvertError = "EConvertError in StrToInt64: Result = Max( LongWord ) !";

// Each test process runs one test (CTest), so this one sees the table before anyone fills it.
TEST(CharacterTypes, PredicatesWorkBeforeTheTableIsFilled) {
    EXPECT_TRUE(IsDigitCharacter('7'));
    EXPECT_FALSE(IsDigitCharacter('a'));
    EXPECT_EQ(GetValidIntegerKey('3'), '3');
}

TEST(CharacterTypes, DigitsAreExactlyZeroToNine) {
    InitCharacterTypes();
    InitCharacterTypes(); // filled once; a second call changes nothing
    for (int c = 0; c < 256; ++c) {
        const bool digit = c >= '0' && c <= '9';
        EXPECT_EQ(IsDigitCharacter(static_cast<char>(c)), digit) << c;
        EXPECT_EQ((CharacterType(static_cast<char>(c)) & CharacterTypeDigit) != 0, digit) << c;
    }
}

TEST(CharacterTypes, LettersCarryTheirCase) {
    EXPECT_EQ(CharacterType('A'), CharacterTypeUpper);
    EXPECT_EQ(CharacterType('z'), CharacterTypeLower);
    EXPECT_EQ(CharacterType(' '), 0);
    EXPECT_EQ(CharacterType('5'), CharacterTypeDigit);
}

TEST(CharacterPredicates, ReturnBackspaceAndNumberCharacters) {
    REQUIRE_KNOWN_LOCALE();
    EXPECT_TRUE(IsReturnCharacter(10));
    EXPECT_TRUE(IsReturnCharacter(13));
    EXPECT_FALSE(IsReturnCharacter(8));
    EXPECT_TRUE(IsBackspaceCharacter(8));
    EXPECT_FALSE(IsBackspaceCharacter(127));
    const char separator = SeparatorFromEnvironment()->toLatin1();
    const char foreign = ForeignSeparator().toLatin1();
    EXPECT_EQ(DecimalSeparatorCharacter(), separator);
    for (const char c : {'0', '9', '+', '-', separator})
        EXPECT_TRUE(IsNumberCharacter(c)) << c;
    for (const char c : {'a', 'e', ' ', '$', foreign, '\0'})
        EXPECT_FALSE(IsNumberCharacter(c)) << c;
}

struct KeyCase {
    char key;
    char integer;   // GetValidIntegerKey
    char real;      // GetValidRealKey; 'S' stands for the locale's separator
    char signedKey; // GetValidSignedIntegerKey
};

void PrintTo(const KeyCase& c, std::ostream* os) {
    *os << "key " << int{static_cast<unsigned char>(c.key)};
}

class KeyFilters : public ::testing::TestWithParam<KeyCase> {};

TEST_P(KeyFilters, AcceptRewriteOrSwallow) {
    REQUIRE_KNOWN_LOCALE();
    RecordingMessageSink sink;
    const KeyCase& c = GetParam();
    const char separator = SeparatorFromEnvironment()->toLatin1();
    EXPECT_EQ(GetValidIntegerKey(c.key), c.integer) << int(c.key);
    EXPECT_EQ(GetValidRealKey(c.key), c.real == 'S' ? separator : c.real) << int(c.key);
    EXPECT_EQ(GetValidSignedIntegerKey(c.key), c.signedKey) << int(c.key);
    EXPECT_TRUE(sink.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Keys, KeyFilters,
    ::testing::Values(KeyCase{'0', '0', '0', '0'}, KeyCase{'5', '5', '5', '5'}, KeyCase{'9', '9', '9', '9'},
                      KeyCase{10, 10, 10, 10}, KeyCase{13, 13, 13, 13}, KeyCase{8, 8, 8, 8},
                      // Either separator typed becomes the locale's in a real box, and is swallowed
                      // elsewhere.
                      KeyCase{'.', 0, 'S', 0}, KeyCase{',', 0, 'S', 0},
                      // Only the signed filter takes a sign.
                      KeyCase{'-', 0, 0, '-'}, KeyCase{'+', 0, 0, '+'}, KeyCase{'a', 0, 0, 0},
                      KeyCase{'e', 0, 0, 0}, KeyCase{'E', 0, 0, 0}, KeyCase{' ', 0, 0, 0},
                      KeyCase{'$', 0, 0, 0}, KeyCase{9, 0, 0, 0}, KeyCase{27, 0, 0, 0}, KeyCase{127, 0, 0, 0},
                      KeyCase{'\xE9', 0, 0, 0}, KeyCase{'\xB2', 0, 0, 0}, KeyCase{'\xFF', 0, 0, 0}));

TEST(KeyFilterBytes, NoByteAboveAsciiIsAccepted) {
    for (int c = 128; c < 256; ++c) {
        const char key = static_cast<char>(c);
        EXPECT_EQ(GetValidIntegerKey(key), 0) << c;
        EXPECT_EQ(GetValidRealKey(key), 0) << c;
        EXPECT_EQ(GetValidSignedIntegerKey(key), 0) << c;
    }
}

TEST(KeyFilterQChar, QtCharactersGoThroughTheSameFilters) {
    REQUIRE_KNOWN_LOCALE();
    EXPECT_EQ(FilterKey(&GetValidRealKey, QLatin1Char('.')), *SeparatorFromEnvironment());
    EXPECT_EQ(FilterKey(&GetValidIntegerKey, QLatin1Char('4')), QLatin1Char('4'));
    EXPECT_EQ(FilterKey(&GetValidIntegerKey, QLatin1Char('-')), QChar(0));
    EXPECT_EQ(FilterKey(&GetValidSignedIntegerKey, QLatin1Char('-')), QLatin1Char('-'));
    // A digit of another script, and a character whose low byte is '3', are swallowed.
    EXPECT_EQ(FilterKey(&GetValidIntegerKey, QChar(0x0663)), QChar(0));
    EXPECT_EQ(FilterKey(&GetValidIntegerKey, QChar(0x0133)), QChar(0));
}

struct LongWordCase {
    const char* text;
    uint32_t expected;
    const char* warning; // nullptr: no message at all
};

void PrintTo(const LongWordCase& c, std::ostream* os) {
    *os << '"' << c.text << '"';
}

class StringToValidLongWordCases : public ::testing::TestWithParam<LongWordCase> {};

TEST_P(StringToValidLongWordCases, ConvertsOrWarns) {
    RecordingMessageSink sink;
    const LongWordCase& c = GetParam();
    EXPECT_EQ(StringToValidLongWord(QString::fromUtf8(c.text)), c.expected) << c.text;
    if (c.warning == nullptr) {
        EXPECT_TRUE(sink.messages.empty()) << c.text;
    } else {
        ASSERT_EQ(sink.messages.size(), 1u) << c.text;
        EXPECT_EQ(sink.messages[0].kind, Kind::Warning);
        EXPECT_EQ(sink.messages[0].text, QString::fromUtf8(c.warning));
    }
}

INSTANTIATE_TEST_SUITE_P(Texts, StringToValidLongWordCases,
                         ::testing::Values(LongWordCase{"", 0, nullptr}, LongWordCase{"0", 0, nullptr},
                                           LongWordCase{"720", 720, nullptr}, LongWordCase{" 7", 7, nullptr},
                                           LongWordCase{"$FF", 255, nullptr},
                                           LongWordCase{"0x10", 16, nullptr},
                                           LongWordCase{"4294967295", MaxLongWord, nullptr},
                                           LongWordCase{"-1", MaxLongWord, NoValidLongWord},
                                           LongWordCase{"4294967296", MaxLongWord, NoValidLongWord},
                                           LongWordCase{"-9223372036854775808", MaxLongWord, NoValidLongWord},
                                           LongWordCase{"12a", MaxLongWord, ConvertError},
                                           LongWordCase{" ", MaxLongWord, ConvertError},
                                           LongWordCase{"9223372036854775808", MaxLongWord, ConvertError},
                                           LongWordCase{"1,5", MaxLongWord, ConvertError}));

struct ValidLongWordCase {
    const char* text;
    bool valid;
};

void PrintTo(const ValidLongWordCase& c, std::ostream* os) {
    *os << '"' << c.text << '"';
}

class IsStringValidLongWordCases : public ::testing::TestWithParam<ValidLongWordCase> {};

TEST_P(IsStringValidLongWordCases, AnswersSilently) {
    RecordingMessageSink sink;
    EXPECT_EQ(IsStringValidLongWord(QString::fromUtf8(GetParam().text)), GetParam().valid) << GetParam().text;
    EXPECT_TRUE(sink.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(Texts, IsStringValidLongWordCases,
                         ::testing::Values(ValidLongWordCase{"", false}, ValidLongWordCase{"0", true},
                                           ValidLongWordCase{"4294967295", true},
                                           ValidLongWordCase{"4294967296", false},
                                           ValidLongWordCase{"-1", false}, ValidLongWordCase{"abc", false},
                                           ValidLongWordCase{"$FFFFFFFF", true},
                                           ValidLongWordCase{"$FFFFFFFFFFFFFFFF", false}));

struct RangeCase {
    const char* text;
    int64_t min;
    int64_t max;
    bool expected;
    bool warns;
};

void PrintTo(const RangeCase& c, std::ostream* os) {
    *os << '"' << c.text << "\" in " << c.min << ".." << c.max;
}

class LongWordRangeCases : public ::testing::TestWithParam<RangeCase> {};

TEST_P(LongWordRangeCases, ChecksBothEnds) {
    RecordingMessageSink sink;
    const RangeCase& c = GetParam();
    EXPECT_EQ(IsStringValidLongWordInRange(QString::fromUtf8(c.text), static_cast<uint32_t>(c.min),
                                           static_cast<uint32_t>(c.max)),
              c.expected)
        << c.text;
    if (c.warns) {
        ASSERT_EQ(sink.messages.size(), 1u);
        EXPECT_EQ(sink.messages[0].kind, Kind::Warning);
        EXPECT_EQ(sink.messages[0].text,
                  QStringLiteral("Min > Max in IsStringValidLongWordInRange: Result = False !"));
    } else {
        EXPECT_TRUE(sink.messages.empty()) << c.text;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, LongWordRangeCases,
    ::testing::Values(RangeCase{"", 0, 10, false, false}, RangeCase{"5", 10, 0, false, true},
                      RangeCase{"", 10, 0, false, true}, RangeCase{"10", 0, 10, true, false},
                      RangeCase{"0", 0, 10, true, false}, RangeCase{"11", 0, 10, false, false},
                      RangeCase{"4", 5, 10, false, false}, RangeCase{"5", 5, 5, true, false},
                      RangeCase{"abc", 0, 10, false, false}, RangeCase{"-1", 0, 10, false, false},
                      RangeCase{"4294967296", 0, MaxLongWord, false, false},
                      RangeCase{"4294967295", 0, MaxLongWord, true, false}));

class Int64RangeCases : public ::testing::TestWithParam<RangeCase> {};

TEST_P(Int64RangeCases, ChecksBothEnds) {
    RecordingMessageSink sink;
    const RangeCase& c = GetParam();
    EXPECT_EQ(IsStringValidInt64InRange(QString::fromUtf8(c.text), c.min, c.max), c.expected) << c.text;
    if (c.warns) {
        ASSERT_EQ(sink.messages.size(), 1u);
        EXPECT_EQ(sink.messages[0].kind, Kind::Warning);
        EXPECT_EQ(sink.messages[0].text,
                  QStringLiteral("Min > Max in IsStringValidInt64InRange: Result = False !"));
    } else {
        EXPECT_TRUE(sink.messages.empty()) << c.text;
    }
}

constexpr int64_t Int64Max = std::numeric_limits<int64_t>::max();
constexpr int64_t Int64Min = std::numeric_limits<int64_t>::min();

INSTANTIATE_TEST_SUITE_P(
    Texts, Int64RangeCases,
    ::testing::Values(RangeCase{"5", 10, 0, false, true}, RangeCase{"", -10, 10, false, false},
                      RangeCase{"-5", -10, 0, true, false}, RangeCase{"-10", -10, 0, true, false},
                      RangeCase{"-11", -10, 0, false, false}, RangeCase{"1", -10, 0, false, false},
                      RangeCase{"12a", -10, 10, false, false}, RangeCase{"--1", -10, 10, false, false},
                      RangeCase{"9223372036854775807", 0, Int64Max, true, false},
                      RangeCase{"-9223372036854775808", Int64Min, 0, true, false},
                      RangeCase{"9223372036854775808", Int64Min, Int64Max, false, false}));

struct MultipleCase {
    uint32_t value;
    uint8_t multiple;
    uint8_t method;
    uint32_t expected;
};

void PrintTo(const MultipleCase& c, std::ostream* os) {
    *os << c.value << " to " << int{c.multiple} << ", method " << int{c.method};
}

class FixedMultipleCases : public ::testing::TestWithParam<MultipleCase> {};

TEST_P(FixedMultipleCases, Aligns) {
    RecordingMessageSink sink;
    const MultipleCase& c = GetParam();
    EXPECT_EQ(GetValidFixedMultiple(c.value, c.multiple, c.method), c.expected)
        << c.value << " " << int(c.multiple) << " " << int(c.method);
    EXPECT_TRUE(sink.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Values, FixedMultipleCases,
    ::testing::Values(
        MultipleCase{700, 32, 1, 672}, MultipleCase{700, 32, 0, 672}, MultipleCase{20, 32, 1, 32},
        MultipleCase{20, 32, 0, 32}, MultipleCase{20, 32, 3, 0}, MultipleCase{700, 32, 2, 704},
        MultipleCase{20, 32, 2, 32}, MultipleCase{700, 32, 3, 672},
        // A multiple stays itself, whatever the method, an unknown one included.
        MultipleCase{64, 32, 0, 64}, MultipleCase{64, 32, 1, 64}, MultipleCase{64, 32, 2, 64},
        MultipleCase{64, 32, 3, 64}, MultipleCase{64, 32, 9, 64}, MultipleCase{0, 32, 1, 0},
        MultipleCase{0, 32, 2, 0},
        // Below one multiple goes up, from one multiple on goes down, for methods 0 and 1.
        MultipleCase{1, 2, 1, 2}, MultipleCase{3, 2, 1, 2}, MultipleCase{31, 32, 1, 32},
        MultipleCase{33, 32, 1, 32}, MultipleCase{63, 32, 1, 32}, MultipleCase{63, 32, 0, 32},
        MultipleCase{719, 16, 3, 704}, MultipleCase{719, 16, 2, 720}, MultipleCase{577, 2, 1, 576},
        MultipleCase{100, 255, 1, 255}, MultipleCase{300, 255, 1, 255},
        // At the top of the range the multiple above does not fit: the one below instead of 0.
        MultipleCase{MaxLongWord, 32, 2, 4294967264u}, MultipleCase{MaxLongWord, 2, 1, 4294967294u},
        MultipleCase{MaxLongWord, 255, 2, MaxLongWord}, MultipleCase{4294967200u, 64, 2, 4294967232u},
        // A multiple of 0 leaves the value as it is.
        MultipleCase{700, 0, 1, 700}, MultipleCase{0, 0, 3, 0}, MultipleCase{700, 0, 9, 700}));

TEST(FixedMultiple, AnUnknownMethodSaysSoAndKeepsTheValue) {
    RecordingMessageSink sink;
    EXPECT_EQ(GetValidFixedMultiple(700, 32, 4), 700u);
    EXPECT_EQ(GetValidFixedMultiple(33, 16, 255), 33u);
    ASSERT_EQ(sink.messages.size(), 2u);
    for (const RecordingMessageSink::Message& m : sink.messages) {
        EXPECT_EQ(m.kind, Kind::Information);
        EXPECT_EQ(m.text, QStringLiteral("Invalid Method in GetValidFixedMultiple !"));
    }
}

struct SizeCase {
    uint32_t bytes;
    const char* expected; // a comma stands for the locale's separator
};

void PrintTo(const SizeCase& c, std::ostream* os) {
    *os << c.bytes << " bytes";
}

class SizeTexts : public ::testing::TestWithParam<SizeCase> {};

TEST_P(SizeTexts, KiloAndMegaBytes) {
    REQUIRE_KNOWN_LOCALE();
    EXPECT_EQ(SizeToString(GetParam().bytes), Localized(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(Values, SizeTexts,
                         ::testing::Values(SizeCase{737280000, "720000 Ko ( 703,125 Mo )"},
                                           // 650.390625 Mo keeps six digits, the half going up.
                                           SizeCase{681984000, "666000 Ko ( 650,391 Mo )"},
                                           SizeCase{0, "0 Ko ( 0 Mo )"},
                                           SizeCase{1024, "1 Ko ( 0,000976563 Mo )"},
                                           SizeCase{1048576, "1024 Ko ( 1 Mo )"},
                                           SizeCase{1536, "1,5 Ko ( 0,00146484 Mo )"},
                                           // A million Ko or more no longer fits in six digits.
                                           SizeCase{1048576000, "1,024E6 Ko ( 1000 Mo )"},
                                           SizeCase{MaxLongWord, "4,1943E6 Ko ( 4096 Mo )"}));

TEST(SizeTextFrench, UsesTheCommaUnderTheFrenchLocale) {
    if (SeparatorFromEnvironment() != QLatin1Char(','))
        GTEST_SKIP() << "French locale only";
    EXPECT_EQ(SizeToString(737280000), QStringLiteral("720000 Ko ( 703,125 Mo )"));
}

struct DurationCase {
    uint32_t seconds;
    const char* expected;
};

void PrintTo(const DurationCase& c, std::ostream* os) {
    *os << c.seconds << " s";
}

class DurationTexts : public ::testing::TestWithParam<DurationCase> {};

TEST_P(DurationTexts, HoursMinutesSeconds) {
    EXPECT_EQ(DurationToString(GetParam().seconds), QString::fromUtf8(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(
    Values, DurationTexts,
    ::testing::Values(DurationCase{5025, "1 h 23 min 45 s"}, DurationCase{60, "1 min 0 s"},
                      DurationCase{0, "0 s"}, DurationCase{3600, "1 h 0 min 0 s"}, DurationCase{59, "59 s"},
                      DurationCase{3599, "59 min 59 s"}, DurationCase{3661, "1 h 1 min 1 s"},
                      DurationCase{86399, "23 h 59 min 59 s"},
                      // Past 255 hours the true hours, with no 8-bit wrap.
                      DurationCase{921600, "256 h 0 min 0 s"}, DurationCase{918000, "255 h 0 min 0 s"},
                      DurationCase{MaxLongWord, "1193046 h 28 min 15 s"}));

} // namespace
