#include "model/ScriptComposer.h"

#include "ScriptChecker.h"
#include "common/RecordingMessageSink.h"
#include "common/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <limits>
#include <ostream>

namespace {

struct GoldenCase {
    const char* name;
    uint8_t creditsMode;
    ComposedScript (*compose)(const ScriptSource&);
    const char* golden;
    const char* title;
};

void PrintTo(const GoldenCase& c, std::ostream* os) {
    *os << c.name;
}

class GoldenScripts : public ::testing::TestWithParam<GoldenCase> {};

TEST_P(GoldenScripts, DefaultBodyMatchesGoldenFileByteForByte) {
    RecordingMessageSink sink;
    const GoldenCase& c = GetParam();
    const ComposedScript script = c.compose(GoldenSource(c.creditsMode));
    ASSERT_TRUE(script.IsComposed);
    EXPECT_EQ(script.Title, QString::fromUtf8(c.title));
    const QByteArray expected = Golden(c.golden);
    ASSERT_FALSE(expected.isEmpty());
    EXPECT_EQ(EncodeScriptLines(script.Lines), expected);
    EXPECT_TRUE(sink.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Variants, GoldenScripts,
    ::testing::Values(
        GoldenCase{"NoCredits", 0, ComposeMainScript, "mode0_script.avs", "Prévisualisation du script"},
        GoldenCase{"MainOfTwo", 2, ComposeMainScript, "mode2_main.avs",
                   "Prévisualisation du script principal"},
        GoldenCase{"CreditsOfTwo", 2, ComposeCreditsScript, "mode2_credits.avs",
                   "Prévisualisation du script des crédits"},
        GoldenCase{"Mixed", 1, ComposeMixedScript, "mode1_mixed.avs", "Prévisualisation du script"}),
    [](const ::testing::TestParamInfo<GoldenCase>& p) { return std::string(p.param.name); });

TEST(ScriptComposer, BannerLengthsAreEightyExceptMixed) {
    RecordingMessageSink sink;
    EXPECT_EQ(ComposeMainScript(GoldenSource(0)).Lines.first().size(), 80);
    EXPECT_EQ(ComposeMainScript(GoldenSource(2)).Lines.first().size(), 80);
    EXPECT_EQ(ComposeCreditsScript(GoldenSource(2)).Lines.first().size(), 80);
    const QString mixed = ComposeMixedScript(GoldenSource(1)).Lines.first();
    EXPECT_EQ(mixed.size(), 81);
    EXPECT_EQ(mixed.indexOf(QLatin1Char(' ')), 34);
}

TEST(ScriptComposer, FileEndsWithCrLfAndHasNoByteOrderMarkAndUtf8Accents) {
    RecordingMessageSink sink;
    const QByteArray bytes = EncodeScriptLines(ComposeMainScript(GoldenSource(0)).Lines);
    EXPECT_TRUE(bytes.endsWith("#\r\n"));
    EXPECT_FALSE(bytes.startsWith("\xEF\xBB\xBF"));
    EXPECT_TRUE(bytes.contains("Script par d\xC3\xA9"
                               "faut Cinescriptor"));
    EXPECT_TRUE(bytes.contains("Source = \"/films/Mon film \xC3\xA9t\xC3\xA9/VTS 01.d2v\"\r\n"));
    // No bare LF: every line end is CR LF.
    EXPECT_EQ(bytes.count('\n'), bytes.count("\r\n"));
}

class TemplateTest : public ::testing::Test {
protected:
    QString Write(const char* name, const QByteArray& bytes) {
        const QString path = dir.filePath(QLatin1String(name));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }
    QTemporaryDir dir;
    RecordingMessageSink sink;
};

TEST_F(TemplateTest, WindowsTemplateReplacesDefaultBodyAndKeepsItsAccents) {
    ScriptSource s = GoldenSource(0);
    s.IsMainScriptModele = true;
    s.MainScriptModele = QStringLiteral(CINESCRIPTOR_SCRIPTS_GOLDEN_DIR "/template_cp1252.avs");
    const ComposedScript script = ComposeMainScript(s);
    EXPECT_EQ(EncodeScriptLines(script.Lines), Golden("mode0_template.avs"));
    EXPECT_FALSE(script.Lines.contains(
        QStringLiteral("######################### Script par défaut Cinescriptor #######################")));
    EXPECT_TRUE(sink.messages.empty());
}

TEST_F(TemplateTest, EmptyTemplateGivesOneEmptyLine) {
    ScriptSource s = GoldenSource(0);
    s.IsMainScriptModele = true;
    s.MainScriptModele = Write("empty.avs", {});
    EXPECT_EQ(EncodeScriptLines(ComposeMainScript(s).Lines), Golden("mode0_empty_template.avs"));
}

TEST_F(TemplateTest, UnreadableTemplateWarnsAndKeepsHeaderOnly) {
    ScriptSource s = GoldenSource(0);
    s.IsMainScriptModele = true;
    s.MainScriptModele = dir.filePath(QStringLiteral("absent.avs"));
    const ComposedScript script = ComposeMainScript(s);
    EXPECT_TRUE(script.IsComposed);
    EXPECT_EQ(EncodeScriptLines(script.Lines), Golden("mode0_header_only.avs"));
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_EQ(sink.messages[0].kind, RecordingMessageSink::Kind::Warning);
    EXPECT_EQ(sink.messages[0].text, QStringLiteral("Le script \"") + s.MainScriptModele +
                                         QStringLiteral("\" n'a pas pu être ouvert correctement !"));
}

TEST_F(TemplateTest, FolderAsTemplateIsUnreadable) {
    ScriptSource s = GoldenSource(0);
    s.IsMainScriptModele = true;
    s.MainScriptModele = dir.path();
    EXPECT_EQ(EncodeScriptLines(ComposeMainScript(s).Lines), Golden("mode0_header_only.avs"));
    EXPECT_EQ(sink.messages.size(), 1u);
}

TEST_F(TemplateTest, CreditsScriptTakesCreditsTemplateAndMixedTakesMainTemplate) {
    ScriptSource s = GoldenSource(2);
    s.IsMainScriptModele = true;
    s.MainScriptModele = Write("main.avs", "MAIN\r\n");
    s.IsCreditsScriptModele = true;
    s.CreditsScriptModele = Write("credits.avs", "CREDITS\n");
    EXPECT_EQ(ComposeMainScript(s).Lines.last(), QStringLiteral("MAIN"));
    EXPECT_EQ(ComposeCreditsScript(s).Lines.last(), QStringLiteral("CREDITS"));
    s.CreditsMode = 1;
    EXPECT_EQ(ComposeMixedScript(s).Lines.last(), QStringLiteral("MAIN"));
    // The header block stays: the 80-# line and an empty line come right before the template.
    const QStringList lines = ComposeMixedScript(s).Lines;
    EXPECT_EQ(lines.at(lines.size() - 3), QString(80, QLatin1Char('#')));
    EXPECT_EQ(lines.at(lines.size() - 2), QString());
}

TEST_F(TemplateTest, CreditsTemplateIsNotUsedByMainScript) {
    ScriptSource s = GoldenSource(2);
    s.IsCreditsScriptModele = true;
    s.CreditsScriptModele = Write("credits.avs", "CREDITS\n");
    EXPECT_EQ(EncodeScriptLines(ComposeMainScript(s).Lines), Golden("mode2_main.avs"));
}

TEST_F(TemplateTest, Utf8TemplateWithByteOrderMarkLosesTheMark) {
    ScriptSource s = GoldenSource(0);
    s.IsMainScriptModele = true;
    s.MainScriptModele = Write("bom.avs", "\xEF\xBB\xBF# \xC3\xA9t\xC3\xA9\r\nReturn clip\r\n");
    const QStringList lines = ComposeMainScript(s).Lines;
    EXPECT_EQ(lines.at(lines.size() - 2), QStringLiteral("# été"));
    EXPECT_EQ(lines.last(), QStringLiteral("Return clip"));
    EXPECT_FALSE(EncodeScriptLines(lines).contains("\xEF\xBB\xBF"));
}

struct SplitCase {
    const char* text;
    QStringList lines;
};

void PrintTo(const SplitCase& c, std::ostream* os) {
    *os << ::testing::PrintToString(std::string(c.text));
}

class SplitLines : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitLines, AsATextFileReaderReadsThem) {
    EXPECT_EQ(SplitScriptLines(QString::fromLatin1(GetParam().text)), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(LineEnds, SplitLines,
                         ::testing::Values(SplitCase{"", {""}}, SplitCase{"\r\n", {""}},
                                           SplitCase{"a", {"a"}}, SplitCase{"a\r\nb", {"a", "b"}},
                                           SplitCase{"a\r\nb\r\n", {"a", "b"}},
                                           SplitCase{"a\nb\n", {"a", "b"}}, SplitCase{"a\rb", {"a", "b"}},
                                           SplitCase{"a\r\n\r\nb", {"a", "", "b"}},
                                           SplitCase{"a\n\n", {"a", ""}}));

TEST(ScriptText, Windows1252BytesDecodeToTheirCharacters) {
    // é, €, en dash, œ, the undefined 0x81, then ÿ
    EXPECT_EQ(DecodeScriptText(QByteArray("\xE9\x80\x96\x9C\x81\xFF")),
              QString::fromUtf16(u"\u00E9\u20AC\u2013\u0153\u0081\u00FF"));
    EXPECT_EQ(DecodeScriptText(QByteArray("\xC3\xA9")), QStringLiteral("é"));
}

TEST(ScriptText, PathsAreQuotedSoAviSynthReadsThemWhole) {
    EXPECT_EQ(ScriptStringLiteral(QStringLiteral("/a b/é.d2v")), QStringLiteral("\"/a b/é.d2v\""));
    EXPECT_EQ(ScriptStringLiteral(QStringLiteral("/a \"b\"/f.d2v")),
              QStringLiteral("\"\"\"/a \"b\"/f.d2v\"\"\""));
    EXPECT_EQ(ScriptStringLiteral(QStringLiteral("/a/f\".d2v")), QStringLiteral("\"\"\"/a/f\".d2v\"\"\""));
    EXPECT_TRUE(ScriptStringLiteral(QStringLiteral("/a/f.d2v\"")).isEmpty());
    EXPECT_TRUE(ScriptStringLiteral(QStringLiteral("/a/\"\"\"/f.d2v")).isEmpty());
    EXPECT_TRUE(ScriptStringLiteral(QStringLiteral("/a\n/f.d2v")).isEmpty());
}

TEST(ScriptComposer, QuoteInPathIsWrittenAsTripleQuotedString) {
    RecordingMessageSink sink;
    ScriptSource s = GoldenSource(0);
    s.FileName = QStringLiteral("/films/Le \"grand\" film/film.d2v");
    const ComposedScript script = ComposeMainScript(s);
    ASSERT_TRUE(script.IsComposed);
    EXPECT_EQ(script.Lines.at(3), QStringLiteral("Source = \"\"\"/films/Le \"grand\" film/film.d2v\"\"\""));
    const CheckedScript checked = CheckScript(script.Lines);
    EXPECT_TRUE(checked.errors.isEmpty()) << checked.errors.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(checked.strings.value(QStringLiteral("Source")), s.FileName);
}

TEST(ScriptComposer, PathNoAviSynthStringCanHoldIsRefused) {
    RecordingMessageSink sink;
    ScriptSource s = GoldenSource(0);
    s.FileName = QStringLiteral("/films/film.d2v\"");
    const ComposedScript script = ComposeMainScript(s);
    EXPECT_FALSE(script.IsComposed);
    EXPECT_TRUE(script.Lines.isEmpty());
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_EQ(sink.messages[0].kind, RecordingMessageSink::Kind::Warning);
}

// Ranges without a frame: an end before the start selects nothing.
struct RefusedCase {
    const char* name;
    uint8_t creditsMode;
    ComposedScript (*compose)(const ScriptSource&);
    uint32_t first, credits, last;
};

void PrintTo(const RefusedCase& c, std::ostream* os) {
    *os << c.name;
}

class RefusedRanges : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(RefusedRanges, AreRefusedWithAWarningAndNoLines) {
    RecordingMessageSink sink;
    const RefusedCase& c = GetParam();
    ScriptSource s = GoldenSource(c.creditsMode);
    s.FirstFrameNumber = c.first;
    s.CreditsFrameNumber = c.credits;
    s.LastFrameNumber = c.last;
    const ComposedScript script = c.compose(s);
    EXPECT_FALSE(script.IsComposed);
    EXPECT_TRUE(script.Lines.isEmpty());
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_EQ(sink.messages[0].kind, RecordingMessageSink::Kind::Warning);
    EXPECT_TRUE(sink.messages[0].text.endsWith(QStringLiteral(" !")));
}

INSTANTIATE_TEST_SUITE_P(
    Frames, RefusedRanges,
    ::testing::Values(RefusedCase{"MainCreditsAtZero", 2, ComposeMainScript, 0, 0, 100},
                      RefusedCase{"MixedCreditsAtZero", 1, ComposeMixedScript, 0, 0, 100},
                      RefusedCase{"MainWithoutFrames", 2, ComposeMainScript, 50, 50, 100},
                      RefusedCase{"MixedWithoutMainFrames", 1, ComposeMixedScript, 50, 50, 100}),
    [](const ::testing::TestParamInfo<RefusedCase>& p) { return std::string(p.param.name); });

struct AcceptedCase {
    const char* name;
    uint8_t creditsMode;
    ComposedScript (*compose)(const ScriptSource&);
    uint32_t first, credits, last;
    // Expected values of the range variables, or Absent.
    int64_t start, end, endMain, startCredits;
};

constexpr int64_t Absent = std::numeric_limits<int64_t>::min();

void PrintTo(const AcceptedCase& c, std::ostream* os) {
    *os << c.name;
}

class AcceptedRanges : public ::testing::TestWithParam<AcceptedCase> {};

// Each default script parses as AviSynth would read it: every name is assigned before it is used,
// the body only calls known filters, and the numbers are the project's.
TEST_P(AcceptedRanges, DefaultScriptDefinesEverythingItUsesWithTheProjectNumbers) {
    RecordingMessageSink sink;
    const AcceptedCase& c = GetParam();
    ScriptSource s = GoldenSource(c.creditsMode);
    s.FirstFrameNumber = c.first;
    s.CreditsFrameNumber = c.credits;
    s.LastFrameNumber = c.last;
    const ComposedScript script = c.compose(s);
    ASSERT_TRUE(script.IsComposed);
    const CheckedScript checked = CheckScript(script.Lines);
    EXPECT_TRUE(checked.errors.isEmpty()) << checked.errors.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(checked.strings.value(QStringLiteral("Source")), s.FileName);
    EXPECT_EQ(checked.numbers.value(QStringLiteral("Top"), -1), s.CropTop);
    EXPECT_EQ(checked.numbers.value(QStringLiteral("Bottom"), -1), s.CropBottom);
    EXPECT_EQ(checked.numbers.value(QStringLiteral("Left"), -1), s.CropLeft);
    EXPECT_EQ(checked.numbers.value(QStringLiteral("Right"), -1), s.CropRight);
    EXPECT_EQ(checked.numbers.value(QStringLiteral("DimX"), -1), s.OutputWidth);
    EXPECT_EQ(checked.numbers.value(QStringLiteral("DimY"), -1), s.OutputHeight);
    EXPECT_EQ(checked.numbers.value(QStringLiteral("CPUType"), -1), s.iDCT);
    EXPECT_EQ(checked.numbers.value(QStringLiteral("Start"), Absent), c.start);
    EXPECT_EQ(checked.numbers.value(QStringLiteral("End"), Absent), c.end);
    EXPECT_EQ(checked.numbers.value(QStringLiteral("EndMain"), Absent), c.endMain);
    EXPECT_EQ(checked.numbers.value(QStringLiteral("StartCredits"), Absent), c.startCredits);
    // Every Trim keeps at least one frame as AviSynth reads it: an end of 0 would mean "to the last
    // frame of the film", a negative end is a count of frames.
    for (const auto& [from, to] : checked.trims) {
        EXPECT_NE(to, 0);
        EXPECT_GE(to < 0 ? -to : to - from + 1, 1);
    }
    EXPECT_EQ(checked.trims.size(), c.creditsMode == 1 ? 2u : 1u);
    EXPECT_TRUE(checked.returnsClip);
    EXPECT_TRUE(sink.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Frames, AcceptedRanges,
    ::testing::Values(
        AcceptedCase{"Golden", 0, ComposeMainScript, 100, 4500, 5000, 100, 5000, Absent, Absent},
        AcceptedCase{"WholeFilmCreditsIgnored", 0, ComposeMainScript, 0, 0, 359, 0, 359, Absent, Absent},
        AcceptedCase{"SingleFrameNotZero", 0, ComposeMainScript, 7, 7, 7, 7, 7, Absent, Absent},
        AcceptedCase{"MainOfTwo", 2, ComposeMainScript, 0, 300, 599, 0, 299, Absent, Absent},
        AcceptedCase{"MainOfTwoOneFrame", 2, ComposeMainScript, 5, 6, 599, 5, 5, Absent, Absent},
        AcceptedCase{"CreditsOfTwo", 2, ComposeCreditsScript, 0, 300, 599, 300, 599, Absent, Absent},
        AcceptedCase{"CreditsLastFrameOnly", 2, ComposeCreditsScript, 0, 599, 599, 599, 599, Absent, Absent},
        AcceptedCase{"Mixed", 1, ComposeMixedScript, 0, 300, 599, 0, 599, 299, 300},
        // Frame 0 alone is Trim(clip, 0, -1): exactly one frame.
        AcceptedCase{"WholeRangeIsFrameZero", 0, ComposeMainScript, 0, 0, 0, 0, -1, Absent, Absent},
        AcceptedCase{"MainOfTwoIsFrameZero", 2, ComposeMainScript, 0, 1, 100, 0, -1, Absent, Absent},
        AcceptedCase{"CreditsOfTwoIsFrameZero", 2, ComposeCreditsScript, 0, 0, 0, 0, -1, Absent, Absent},
        AcceptedCase{"MixedMainIsFrameZero", 1, ComposeMixedScript, 0, 1, 100, 0, 100, -1, 1},
        AcceptedCase{"MixedLargeFrames", 1, ComposeMixedScript, 4000000000u, 4100000000u, 4294967295u,
                     4000000000, 4294967295, 4099999999, 4100000000}),
    [](const ::testing::TestParamInfo<AcceptedCase>& p) { return std::string(p.param.name); });

TEST(ScriptChecker, CatchesAVariableUsedBeforeItIsDefined) {
    // The checker itself must fail on a broken script, or the test above proves nothing.
    const CheckedScript checked = CheckScript({QStringLiteral("Source = \"a.d2v\""),
                                               QStringLiteral("clip = Mpeg2Source( Source, idct = CPUType )"),
                                               QStringLiteral("CPUType = 7"), QStringLiteral("Return clip")});
    EXPECT_FALSE(checked.errors.isEmpty());
    const CheckedScript trimmed = CheckScript({QStringLiteral("clip = Trim( clip, Start, End )")});
    EXPECT_FALSE(trimmed.errors.isEmpty());
}

} // namespace
