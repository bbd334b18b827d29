#include "platform/NumberText.h"
#include "LocaleExpectations.h"

#include <gtest/gtest.h>
#include <ostream>

#include <clocale>
#include <cmath>
#include <cstdint>
#include <limits>

namespace {

struct IntCase {
    const char* text;
    std::optional<int64_t> expected;
};

void PrintTo(const IntCase& c, std::ostream* os) {
    *os << '"' << c.text << '"';
}

class StrToInt64Cases : public ::testing::TestWithParam<IntCase> {};

TEST_P(StrToInt64Cases, ConvertsOrRefuses) {
    const IntCase& c = GetParam();
    EXPECT_EQ(StrToInt64(QString::fromUtf8(c.text)), c.expected) << '"' << c.text << '"';
}

constexpr int64_t Int64Max = std::numeric_limits<int64_t>::max();
constexpr int64_t Int64Min = std::numeric_limits<int64_t>::min();

INSTANTIATE_TEST_SUITE_P(
    Accepted, StrToInt64Cases,
    ::testing::Values(IntCase{"0", 0}, IntCase{"12", 12}, IntCase{"007", 7}, IntCase{"  42", 42},
                      IntCase{" -5", -5}, IntCase{"+7", 7}, IntCase{"-0", 0}, IntCase{"$FF", 255},
                      IntCase{"$ff", 255}, IntCase{"0x1F", 31}, IntCase{"0X1f", 31}, IntCase{"-$10", -16},
                      IntCase{"+0x10", 16}, IntCase{"9223372036854775807", Int64Max},
                      IntCase{"-9223372036854775808", Int64Min}, IntCase{"$7FFFFFFFFFFFFFFF", Int64Max},
                      // Sixteen hexadecimal digits are a bit pattern; leading zeros do not count.
                      IntCase{"$FFFFFFFFFFFFFFFF", -1}, IntCase{"$8000000000000000", Int64Min},
                      IntCase{"$00000000000000000001", 1}, IntCase{"4294967296", 4294967296LL}));

INSTANTIATE_TEST_SUITE_P(
    Refused, StrToInt64Cases,
    ::testing::Values(IntCase{"", std::nullopt}, IntCase{" ", std::nullopt}, IntCase{"-", std::nullopt},
                      IntCase{"--1", std::nullopt}, IntCase{"+-1", std::nullopt},
                      IntCase{"- 5", std::nullopt}, IntCase{"12a", std::nullopt},
                      IntCase{"12 ", std::nullopt}, IntCase{"1 2", std::nullopt},
                      IntCase{"\t5", std::nullopt}, IntCase{"9223372036854775808", std::nullopt},
                      IntCase{"-9223372036854775809", std::nullopt},
                      IntCase{"99999999999999999999", std::nullopt}, IntCase{"$", std::nullopt},
                      IntCase{"0x", std::nullopt}, IntCase{"$-1", std::nullopt},
                      IntCase{"0x+1", std::nullopt}, IntCase{"$10000000000000000", std::nullopt},
                      IntCase{"$FG", std::nullopt}, IntCase{"x1F", std::nullopt},
                      IntCase{"1.5", std::nullopt}, IntCase{"1,5", std::nullopt},
                      IntCase{"1e3", std::nullopt}, IntCase{"\xD9\xA3", std::nullopt}, // ARABIC-INDIC 3
                      IntCase{"\xEF\xBC\x91", std::nullopt}));                         // FULLWIDTH 1

TEST(DecimalSeparator, FollowsTheLocaleOfTheProcess) {
    REQUIRE_KNOWN_LOCALE();
    EXPECT_EQ(DecimalSeparator(), *SeparatorFromEnvironment());
}

struct FloatCase {
    const char* text; // a comma stands for the locale's separator
    long double expected;
};

void PrintTo(const FloatCase& c, std::ostream* os) {
    *os << '"' << c.text << '"';
}

class StrToFloatAccepted : public ::testing::TestWithParam<FloatCase> {};

TEST_P(StrToFloatAccepted, Converts) {
    REQUIRE_KNOWN_LOCALE();
    const FloatCase& c = GetParam();
    const std::optional<long double> value = StrToFloat(Localized(c.text));
    ASSERT_TRUE(value.has_value()) << c.text;
    EXPECT_EQ(*value, c.expected) << c.text;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, StrToFloatAccepted,
    ::testing::Values(FloatCase{"1,5", 1.5L}, FloatCase{" 2,25 ", 2.25L}, FloatCase{"-3", -3.0L},
                      FloatCase{"+4,5", 4.5L}, FloatCase{"25", 25.0L}, FloatCase{",5", 0.5L},
                      FloatCase{"5,", 5.0L}, FloatCase{"1,5E3", 1500.0L}, FloatCase{"1,5e-3", 1.5e-3L},
                      FloatCase{"2E+2", 200.0L}, FloatCase{"1,25", 1.25L},
                      FloatCase{"1,77777779102325", 1.77777779102325L}, FloatCase{"1E4000", 1e4000L},
                      FloatCase{"0,1", 0.1L}, FloatCase{"1E-6000", 0.0L}));

class StrToFloatRefused : public ::testing::TestWithParam<const char*> {};

TEST_P(StrToFloatRefused, IsAConversionError) {
    REQUIRE_KNOWN_LOCALE();
    EXPECT_FALSE(StrToFloat(Localized(GetParam())).has_value()) << GetParam();
}

INSTANTIATE_TEST_SUITE_P(Texts, StrToFloatRefused,
                         ::testing::Values("", " ", ",", "-", "abc", "1,5,5", "1E", "1E+", "E5", "--1", "1 5",
                                           "1,5 x", "inf", "nan", "INF", "0x10", "$10", "1E5000", "1,5\t",
                                           "\xEF\xBC\x91"));

TEST(StrToFloat, RefusesTheSeparatorOfOtherLocales) {
    REQUIRE_KNOWN_LOCALE();
    EXPECT_FALSE(StrToFloat(QStringLiteral("1") + ForeignSeparator() + QStringLiteral("25")).has_value());
    // So a ratio saved under one locale reads as absent under the other.
    EXPECT_EQ(StrToFloat(QStringLiteral("1") + DecimalSeparator() + QStringLiteral("25")), 1.25L);
}

struct FormatCase {
    long double value;
    int digits;
    const char* expected; // a comma stands for the locale's separator
};

void PrintTo(const FormatCase& c, std::ostream* os) {
    *os << static_cast<double>(c.value) << ", " << c.digits << " digits";
}

class FormatGeneralCases : public ::testing::TestWithParam<FormatCase> {};

TEST_P(FormatGeneralCases, Formats) {
    REQUIRE_KNOWN_LOCALE();
    const FormatCase& c = GetParam();
    EXPECT_EQ(FormatGeneral(c.value, c.digits), Localized(c.expected));
}

// Ratios are 32-bit floats widened to double before they are written.
long double Widened(float value) {
    return static_cast<double>(value);
}

INSTANTIATE_TEST_SUITE_P(
    Values, FormatGeneralCases,
    ::testing::Values(
        // 30000/1001 as a float is 29.9700298309326171875: the 16th digit (1) rounds down.
        FormatCase{Widened(30000.0f / 1001.0f), 15, "29,9700298309326"}, FormatCase{25, 15, "25"},
        FormatCase{Widened(1.25f), 15, "1,25"},
        // 16/9 as a float is 1.77777779102325439453125.
        FormatCase{Widened(16.0f / 9.0f), 15, "1,77777779102325"}, FormatCase{0.1, 15, "0,1"},
        FormatCase{-1.5, 15, "-1,5"}, FormatCase{0, 15, "0"}, FormatCase{-0.0L, 15, "0"},
        FormatCase{720000, 6, "720000"}, FormatCase{703.125L, 6, "703,125"}, FormatCase{999999, 6, "999999"},
        // Seven integer digits do not fit in six: the exponent form, trailing zeros dropped.
        FormatCase{1440000, 6, "1,44E6"}, FormatCase{1000000, 6, "1E6"},
        // Rounding can add an integer digit, and the form follows the rounded value.
        FormatCase{999999.5L, 6, "1E6"}, FormatCase{999999999999999, 15, "999999999999999"},
        FormatCase{1e15L, 15, "1E15"}, FormatCase{123456789012345678.0L, 15, "1,23456789012346E17"},
        FormatCase{123.456L, 2, "1,2E2"}, FormatCase{1.5e300, 15, "1,5E300"},
        // Below 0.00001 the exponent form, with a minus sign and no leading zeros.
        FormatCase{0.00001L, 15, "0,00001"}, FormatCase{1e-5, 15, "0,00001"},
        FormatCase{0.0000123L, 6, "0,0000123"}, FormatCase{0.000001L, 15, "1E-6"},
        FormatCase{0.000001, 15, "1E-6"}, FormatCase{-0.0000025L, 15, "-2,5E-6"},
        FormatCase{1e-300, 15, "1E-300"}, FormatCase{0.0000099999999L, 6, "0,00001"},
        // A half at the last kept digit goes away from zero.
        FormatCase{0.125L, 2, "0,13"}, FormatCase{2.5L, 1, "3"}, FormatCase{-2.5L, 1, "-3"},
        FormatCase{1.0L / 1024, 6, "0,000976563"},
        // Never any digit grouping.
        FormatCase{123456, 15, "123456"}, FormatCase{1234567.5L, 15, "1234567,5"},
        // Digits are kept within 1 to 18.
        FormatCase{47, 0, "5E1"}, FormatCase{1.0L / 3, 30, "0,333333333333333333"}));

TEST(FormatGeneral, NamesValuesThatAreNotNumbers) {
    EXPECT_EQ(FormatGeneral(std::numeric_limits<long double>::quiet_NaN()), QStringLiteral("NAN"));
    EXPECT_EQ(FormatGeneral(std::numeric_limits<long double>::infinity()), QStringLiteral("INF"));
    EXPECT_EQ(FormatGeneral(-std::numeric_limits<long double>::infinity()), QStringLiteral("-INF"));
}

TEST(FormatGeneral, ReadsBackThroughStrToFloat) {
    REQUIRE_KNOWN_LOCALE();
    // What the settings file writes must read back to the same 32-bit ratio.
    for (const float ratio : {1.25f, 16.0f / 9.0f, 4.0f / 3.0f, 2.35f, 1.5f, 0.0001f, 123456.78f}) {
        const QString text = FormatGeneral(Widened(ratio), 15);
        const std::optional<long double> back = StrToFloat(text);
        ASSERT_TRUE(back.has_value()) << qPrintable(text);
        EXPECT_EQ(static_cast<float>(*back), ratio) << qPrintable(text);
    }
}

TEST(NumberText, IgnoresTheCLibraryLocale) {
    REQUIRE_KNOWN_LOCALE();
    // QApplication hands the user's locale to the C library; printf and strtod then change
    // their separator, and nothing here may follow them.
    ASSERT_NE(std::setlocale(LC_ALL, ""), nullptr);
    EXPECT_EQ(FormatGeneral(1.5L), Localized("1,5"));
    EXPECT_EQ(FormatGeneral(1440000, 6), Localized("1,44E6"));
    EXPECT_EQ(StrToFloat(Localized("2,25")), 2.25L);
    EXPECT_FALSE(StrToFloat(QStringLiteral("2") + ForeignSeparator() + QStringLiteral("25")).has_value());
    std::setlocale(LC_ALL, "C");
}

} // namespace
