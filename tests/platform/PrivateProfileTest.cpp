#include "platform/PrivateProfile.h"
#include "common/TestFiles.h"

#include <gtest/gtest.h>
#include <ostream>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <unistd.h>

namespace {

class PrivateProfileTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    void TearDown() override { PrivateProfile::SetFailWritesForTesting(false); }
    QString Path(const QString& name) const { return dir.filePath(name); }

    QTemporaryDir dir;
};

// A file as a user or an older version may have left it.
const QByteArray HandWritten = "; Cinescriptor\r\n"
                               "Orphan=before any section\r\n"
                               "\r\n"
                               "[d2vfile]\r\n"
                               "InputFileName = C:\\Films\\FILM.d2v  \r\n"
                               "Unknown=keep me\r\n"
                               "\r\n"
                               "[VideoRange]\r\n"
                               "FirstFrameNumber=10\r\n"
                               "; FirstFrameNumber=77\r\n"
                               "firstframenumber=99\r\n"
                               "Quoted=\"  spaced  \"\r\n"
                               "Single='x'\r\n"
                               "Half=\"abc\r\n"
                               "Lone=\"\r\n"
                               "Empty=\r\n"
                               "NoEquals\r\n"
                               "\t  Indented  =  value = with sign \t\r\n"
                               "[VIDEORANGE]\r\n"
                               "LastFrameNumber=5\r\n"
                               "[ Spaced Name ]\r\n"
                               "Key=spaced section\r\n"
                               "[Other]\r\n"
                               "A=1";

TEST_F(PrivateProfileTest, ReadsAsTheWindowsFunctionsDo) {
    EXPECT_TRUE(WriteBytes(Path("film.ini"), HandWritten));
    PrivateProfile profile(Path("film.ini"));
    ASSERT_TRUE(profile.Load());
    const QString absent = QStringLiteral("<absent>");
    struct Case {
        const char* section;
        const char* key;
        const char* expected;
    };
    const Case cases[] = {
        {"D2VFile", "InputFileName", "C:\\Films\\FILM.d2v"},
        {"D2VFILE", "inputfilename", "C:\\Films\\FILM.d2v"},
        {"d2vfile", "Unknown", "keep me"},
        // The first of duplicate keys, and of duplicate sections, wins.
        {"VideoRange", "FirstFrameNumber", "10"},
        {"VideoRange", "LastFrameNumber", "<absent>"},
        {"VideoRange", "Quoted", "  spaced  "},
        {"VideoRange", "Single", "x"},
        {"VideoRange", "Half", "\"abc"},
        {"VideoRange", "Lone", "\""},
        {"VideoRange", "Empty", ""},
        {"VideoRange", "NoEquals", ""},
        {"VideoRange", "Indented", "value = with sign"},
        {"VideoRange", "  Indented ", "value = with sign"},
        {"VideoRange", "; FirstFrameNumber", "<absent>"},
        {"Spaced Name", "Key", "spaced section"},
        {"Other", "A", "1"},
        {"Other", "B", "<absent>"},
        {"Missing", "A", "<absent>"},
        {"", "Orphan", "<absent>"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(profile.GetString(QString::fromUtf8(c.section), QString::fromUtf8(c.key), absent),
                  QString::fromUtf8(c.expected))
            << c.section << " / " << c.key;
    EXPECT_TRUE(profile.Contains(QStringLiteral("videorange"), QStringLiteral("EMPTY")));
    EXPECT_FALSE(profile.Contains(QStringLiteral("VideoRange"), QStringLiteral("LastFrameNumber")));
}

TEST_F(PrivateProfileTest, RewritesOnlyWhatItWrites) {
    EXPECT_TRUE(WriteBytes(Path("film.ini"), HandWritten));
    PrivateProfile profile(Path("film.ini"));
    ASSERT_TRUE(profile.Load());
    // In place, with the caller's spelling of the key.
    profile.SetString(QStringLiteral("videorange"), QStringLiteral("FIRSTFRAMENUMBER"), QStringLiteral("20"));
    profile.SetString(QStringLiteral("D2VFile"), QStringLiteral("InputFileName"),
                      QStringLiteral("/films/F.d2v"));
    // After the section's last key, before its trailing blank line.
    profile.SetString(QStringLiteral("D2VFile"), QStringLiteral("InputFormat"), QStringLiteral("720 x 576"));
    // A key present only in the shadowed duplicate section goes to the first one.
    profile.SetString(QStringLiteral("VideoRange"), QStringLiteral("LastFrameNumber"), QStringLiteral("7"));
    // A new section at the end; the unterminated last line gets its line end.
    profile.SetString(QStringLiteral("Interface"), QStringLiteral("iDCT"), QStringLiteral("7"));
    ASSERT_TRUE(profile.Save());

    const QByteArray expected = "; Cinescriptor\r\n"
                                "Orphan=before any section\r\n"
                                "\r\n"
                                "[d2vfile]\r\n"
                                "InputFileName=/films/F.d2v\r\n"
                                "Unknown=keep me\r\n"
                                "InputFormat=720 x 576\r\n"
                                "\r\n"
                                "[VideoRange]\r\n"
                                "FIRSTFRAMENUMBER=20\r\n"
                                "; FirstFrameNumber=77\r\n"
                                "firstframenumber=99\r\n"
                                "Quoted=\"  spaced  \"\r\n"
                                "Single='x'\r\n"
                                "Half=\"abc\r\n"
                                "Lone=\"\r\n"
                                "Empty=\r\n"
                                "NoEquals\r\n"
                                "\t  Indented  =  value = with sign \t\r\n"
                                "LastFrameNumber=7\r\n"
                                "[VIDEORANGE]\r\n"
                                "LastFrameNumber=5\r\n"
                                "[ Spaced Name ]\r\n"
                                "Key=spaced section\r\n"
                                "[Other]\r\n"
                                "A=1\r\n"
                                "[Interface]\r\n"
                                "iDCT=7\r\n";
    EXPECT_EQ(ReadBytes(Path("film.ini")), expected);

    PrivateProfile again(Path("film.ini"));
    EXPECT_EQ(again.GetString(QStringLiteral("VIDEORANGE"), QStringLiteral("firstFrameNumber"), QString()),
              QStringLiteral("20"));
    EXPECT_EQ(again.GetString(QStringLiteral("VideoRange"), QStringLiteral("LastFrameNumber"), QString()),
              QStringLiteral("7"));
    // Saving again with nothing changed writes the same bytes.
    ASSERT_TRUE(again.Save());
    EXPECT_EQ(ReadBytes(Path("film.ini")), expected);
}

TEST_F(PrivateProfileTest, ANewFileHasTheSectionsInTheOrderWritten) {
    PrivateProfile profile(Path("new.ini"));
    EXPECT_FALSE(profile.Load());
    profile.SetString(QStringLiteral("D2VFile"), QStringLiteral("InputFileName"),
                      QStringLiteral("/a/FILM.d2v"));
    profile.SetString(QStringLiteral("D2VFile"), QStringLiteral("InputNumberOfFrames"),
                      QStringLiteral("300"));
    profile.SetString(QStringLiteral("VideoRange"), QStringLiteral("FirstFrameNumber"), QStringLiteral("0"));
    ASSERT_TRUE(profile.Save());
    EXPECT_EQ(ReadBytes(Path("new.ini")), QByteArray("[D2VFile]\r\n"
                                                     "InputFileName=/a/FILM.d2v\r\n"
                                                     "InputNumberOfFrames=300\r\n"
                                                     "[VideoRange]\r\n"
                                                     "FirstFrameNumber=0\r\n"));
    // The object goes on from what it wrote.
    profile.SetString(QStringLiteral("D2VFile"), QStringLiteral("InputFormat"), QStringLiteral("720 x 576"));
    profile.SetString(QStringLiteral("VideoRange"), QStringLiteral("FirstFrameNumber"), QStringLiteral("5"));
    ASSERT_TRUE(profile.Save());
    EXPECT_EQ(ReadBytes(Path("new.ini")), QByteArray("[D2VFile]\r\n"
                                                     "InputFileName=/a/FILM.d2v\r\n"
                                                     "InputNumberOfFrames=300\r\n"
                                                     "InputFormat=720 x 576\r\n"
                                                     "[VideoRange]\r\n"
                                                     "FirstFrameNumber=5\r\n"));
}

TEST_F(PrivateProfileTest, NewKeysGoAfterTheLastKeyOfTheirSection) {
    EXPECT_TRUE(WriteBytes(Path("a.ini"), "[A]\r\nk=1\r\n; about B\r\n\r\n[Empty]\r\n\r\n[B]\r\nx=2\r\n"));
    PrivateProfile profile(Path("a.ini"));
    profile.SetString(QStringLiteral("A"), QStringLiteral("n"), QStringLiteral("3"));
    profile.SetString(QStringLiteral("Empty"), QStringLiteral("e"), QStringLiteral("4"));
    profile.SetString(QStringLiteral("B"), QStringLiteral("y"), QStringLiteral("5"));
    ASSERT_TRUE(profile.Save());
    EXPECT_EQ(
        ReadBytes(Path("a.ini")),
        QByteArray("[A]\r\nk=1\r\nn=3\r\n; about B\r\n\r\n[Empty]\r\ne=4\r\n\r\n[B]\r\nx=2\r\ny=5\r\n"));
}

TEST_F(PrivateProfileTest, WritingWithoutLoadingFirstKeepsTheFile) {
    EXPECT_TRUE(WriteBytes(Path("a.ini"), "; mine\r\n[A]\r\nk=1\r\n"));
    PrivateProfile profile(Path("a.ini"));
    profile.SetString(QStringLiteral("A"), QStringLiteral("k"), QStringLiteral("2"));
    ASSERT_TRUE(profile.Save());
    EXPECT_EQ(ReadBytes(Path("a.ini")), QByteArray("; mine\r\n[A]\r\nk=2\r\n"));
}

struct EndingCase {
    const char* name;
    QByteArray before;
    QByteArray after;
};

void PrintTo(const EndingCase& c, std::ostream* os) {
    *os << c.name;
}

class LineEndings : public PrivateProfileTest, public ::testing::WithParamInterface<EndingCase> {};

TEST_P(LineEndings, AreReadAndKept) {
    const EndingCase& c = GetParam();
    EXPECT_TRUE(WriteBytes(Path("e.ini"), c.before));
    PrivateProfile profile(Path("e.ini"));
    ASSERT_TRUE(profile.Load());
    EXPECT_EQ(profile.GetString(QStringLiteral("S"), QStringLiteral("A"), QString()), QStringLiteral("1"));
    EXPECT_EQ(profile.GetString(QStringLiteral("S"), QStringLiteral("B"), QString()), QStringLiteral("2"));
    profile.SetString(QStringLiteral("S"), QStringLiteral("A"), QStringLiteral("3"));
    profile.SetString(QStringLiteral("S"), QStringLiteral("C"), QStringLiteral("4"));
    ASSERT_TRUE(profile.Save());
    EXPECT_EQ(ReadBytes(Path("e.ini")), c.after);
}

INSTANTIATE_TEST_SUITE_P(
    Files, LineEndings,
    ::testing::Values(EndingCase{"crlf", "[S]\r\nA=1\r\nB=2\r\n", "[S]\r\nA=3\r\nB=2\r\nC=4\r\n"},
                      // A file written on Linux by hand keeps its line ends.
                      EndingCase{"lf", "[S]\nA=1\nB=2\n", "[S]\nA=3\nB=2\nC=4\n"},
                      EndingCase{"cr", "[S]\rA=1\rB=2", "[S]\rA=3\rB=2\rC=4\r"},
                      EndingCase{"mixed", "[S]\nA=1\r\nB=2", "[S]\nA=3\r\nB=2\nC=4\n"}),
    [](const ::testing::TestParamInfo<EndingCase>& param) { return std::string(param.param.name); });

TEST_F(PrivateProfileTest, ValuesRoundTripInUtf8) {
    PrivateProfile profile(Path("u.ini"));
    const QString path = QStringLiteral("/home/élodie/Vidéos/Été €/FILM.d2v");
    profile.SetString(QStringLiteral("D2VFile"), QStringLiteral("InputFileName"), path);
    // A line break would start a line of its own and could forge a key.
    profile.SetString(QStringLiteral("Interface"), QStringLiteral("MainScriptModele"),
                      QStringLiteral("/t/a\r\n[Interface]\niDCT=3"));
    profile.SetString(QStringLiteral("Interface"), QStringLiteral("Padded"), QStringLiteral("  x  "));
    ASSERT_TRUE(profile.Save());

    const QByteArray bytes = ReadBytes(Path("u.ini"));
    EXPECT_FALSE(bytes.startsWith("\xEF\xBB\xBF"));
    EXPECT_TRUE(bytes.contains(path.toUtf8()));
    PrivateProfile again(Path("u.ini"));
    EXPECT_EQ(again.GetString(QStringLiteral("D2VFile"), QStringLiteral("InputFileName"), QString()), path);
    EXPECT_EQ(again.GetString(QStringLiteral("Interface"), QStringLiteral("MainScriptModele"), QString()),
              QStringLiteral("/t/a  [Interface] iDCT=3"));
    EXPECT_FALSE(again.Contains(QStringLiteral("Interface"), QStringLiteral("iDCT")));
    // Surrounding blanks do not survive a read, as with the original functions.
    EXPECT_EQ(again.GetString(QStringLiteral("Interface"), QStringLiteral("Padded"), QString()),
              QStringLiteral("x"));
}

// Files written on Windows: the ANSI code page, or Notepad's "Unicode" (UTF-16 after its mark).
// Untouched lines keep their bytes; written lines take the file's encoding, and a Windows-1252
// file given a character the code page lacks goes to UTF-8 as a whole.
struct ForeignFileCase {
    const char* name;
    QByteArray before;
    QString value; // written as D2VFile/InputFormat
    QByteArray after;
};

void PrintTo(const ForeignFileCase& c, std::ostream* os) {
    *os << c.name;
}

class ForeignEncodings : public PrivateProfileTest, public ::testing::WithParamInterface<ForeignFileCase> {};

TEST_P(ForeignEncodings, AreReadAndWrittenBackInTheirOwnEncoding) {
    const ForeignFileCase& c = GetParam();
    EXPECT_TRUE(WriteBytes(Path("w.ini"), c.before));
    PrivateProfile profile(Path("w.ini"));
    ASSERT_TRUE(profile.Load());
    EXPECT_EQ(profile.GetString(QStringLiteral("D2VFile"), QStringLiteral("InputFileName"), QString()),
              QStringLiteral("C:\\Vidéos\\€\\film.d2v"));
    profile.SetString(QStringLiteral("D2VFile"), QStringLiteral("InputFormat"), c.value);
    ASSERT_TRUE(profile.Save());
    EXPECT_EQ(ReadBytes(Path("w.ini")), c.after);
    PrivateProfile again(Path("w.ini"));
    EXPECT_EQ(again.GetString(QStringLiteral("D2VFile"), QStringLiteral("InputFileName"), QString()),
              QStringLiteral("C:\\Vidéos\\€\\film.d2v"));
    EXPECT_EQ(again.GetString(QStringLiteral("D2VFile"), QStringLiteral("InputFormat"), QString()), c.value);
}

QByteArray Utf16(const QString& text, bool littleEndian) {
    QStringEncoder encoder(littleEndian ? QStringConverter::Utf16LE : QStringConverter::Utf16BE);
    return (littleEndian ? QByteArray("\xFF\xFE") : QByteArray("\xFE\xFF")) +
           QByteArray(encoder.encode(text));
}

const QString ForeignText =
    QStringLiteral("[D2VFile]\r\nInputFileName=C:\\Vidéos\\€\\film.d2v\r\n; café\r\n");
const QString ForeignWritten =
    QStringLiteral("[D2VFile]\r\nInputFileName=C:\\Vidéos\\€\\film.d2v\r\nInputFormat=%1\r\n; café\r\n");

INSTANTIATE_TEST_SUITE_P(
    Files, ForeignEncodings,
    ::testing::Values(
        ForeignFileCase{
            "Windows1252", "[D2VFile]\r\nInputFileName=C:\\Vid\xE9os\\\x80\\film.d2v\r\n; caf\xE9\r\n",
            QStringLiteral("720 x 576 été"),
            "[D2VFile]\r\nInputFileName=C:\\Vid\xE9os\\\x80\\film.d2v\r\nInputFormat=720 x 576 \xE9t\xE9\r\n"
            "; caf\xE9\r\n"},
        ForeignFileCase{"Windows1252BeyondTheCodePage",
                        "[D2VFile]\r\nInputFileName=C:\\Vid\xE9os\\\x80\\film.d2v\r\n; caf\xE9\r\n",
                        QStringLiteral("映画"), ForeignWritten.arg(QStringLiteral("映画")).toUtf8()},
        ForeignFileCase{"Utf16LittleEndian", Utf16(ForeignText, true), QStringLiteral("映画"),
                        Utf16(ForeignWritten.arg(QStringLiteral("映画")), true)},
        ForeignFileCase{"Utf16BigEndian", Utf16(ForeignText, false), QStringLiteral("720 x 576"),
                        Utf16(ForeignWritten.arg(QStringLiteral("720 x 576")), false)}),
    [](const ::testing::TestParamInfo<ForeignFileCase>& p) { return std::string(p.param.name); });

struct EncodingCase {
    QByteArray value;
    const char* expected; // UTF-8
};

void PrintTo(const EncodingCase& c, std::ostream* os) {
    *os << ::testing::PrintToString(c.value.toStdString());
}

class Encodings : public PrivateProfileTest, public ::testing::WithParamInterface<EncodingCase> {};

TEST_P(Encodings, AFileThatIsNotWholeUtf8IsWindows1252) {
    EXPECT_TRUE(WriteBytes(Path("x.ini"), "[S]\r\nA=" + GetParam().value + "\r\nB=caf\xC3\xA9"));
    PrivateProfile profile(Path("x.ini"));
    EXPECT_EQ(profile.GetString(QStringLiteral("S"), QStringLiteral("A"), QString()),
              QString::fromUtf8(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(
    Bytes, Encodings,
    ::testing::Values(EncodingCase{"\xC3\xA9t\xC3\xA9",
                                   "\xC3\xA9t\xC3\xA9"}, // UTF-8 "été"
                                                         // One stray byte makes the whole file Windows-1252.
                      EncodingCase{"\xE9t\xE9", "\xC3\xA9t\xC3\xA9"},
                      EncodingCase{"\x93q\x94 \x85", "\xE2\x80\x9Cq\xE2\x80\x9D \xE2\x80\xA6"},
                      EncodingCase{"x\xC3", "x\xC3\x83"},           // cut sequence
                      EncodingCase{"\xC0\xAF", "\xC3\x80\xC2\xAF"}, // overlong
                      EncodingCase{"\xED\xA0\x80", "\xC3\xAD\xC2\xA0\xE2\x82\xAC"}));

TEST_F(PrivateProfileTest, AByteOrderMarkIsSkippedAndKept) {
    EXPECT_TRUE(WriteBytes(Path("b.ini"), "\xEF\xBB\xBF[S]\r\nA=1\r\n"));
    PrivateProfile profile(Path("b.ini"));
    EXPECT_EQ(profile.GetString(QStringLiteral("S"), QStringLiteral("A"), QString()), QStringLiteral("1"));
    profile.SetString(QStringLiteral("S"), QStringLiteral("A"), QStringLiteral("2"));
    ASSERT_TRUE(profile.Save());
    EXPECT_EQ(ReadBytes(Path("b.ini")), QByteArray("\xEF\xBB\xBF[S]\r\nA=2\r\n"));
}

TEST_F(PrivateProfileTest, LongValuesAreCutOnReadButWrittenWhole) {
    const QString megabyte(1 << 20, QLatin1Char('v'));
    PrivateProfile profile(Path("l.ini"));
    profile.SetString(QStringLiteral("S"), QStringLiteral("Big"), megabyte);
    profile.SetString(QStringLiteral("S"), QStringLiteral("Edge"), QString(2047, QLatin1Char('e')));
    // A cut never leaves half of a character outside the basic plane.
    profile.SetString(QStringLiteral("S"), QStringLiteral("Wide"),
                      QString(2046, QLatin1Char('w')) + QString::fromUtf8("\xF0\x9F\x8E\xAC") +
                          QStringLiteral("z"));
    ASSERT_TRUE(profile.Save());
    // "[S]", then each key, "=", its value in UTF-8 (the clapper board takes 4 bytes) and CR LF.
    EXPECT_EQ(QFileInfo(Path("l.ini")).size(),
              (3 + 2) + (3 + 1 + (1 << 20) + 2) + (4 + 1 + 2047 + 2) + (4 + 1 + 2046 + 4 + 1 + 2));

    PrivateProfile again(Path("l.ini"));
    const QString big = again.GetString(QStringLiteral("S"), QStringLiteral("Big"), QString());
    EXPECT_EQ(big.size(), PrivateProfile::MaxValueLength);
    EXPECT_EQ(big, megabyte.left(2047));
    EXPECT_EQ(again.GetString(QStringLiteral("S"), QStringLiteral("Edge"), QString()).size(), 2047);
    EXPECT_EQ(again.GetString(QStringLiteral("S"), QStringLiteral("Wide"), QString()),
              QString(2046, QLatin1Char('w')));
}

TEST_F(PrivateProfileTest, GarbageDoesNotStopReadingNorWriting) {
    QByteArray garbage(256 * 1024, '\0');
    QRandomGenerator random(20261208);
    for (char& b : garbage)
        b = static_cast<char>(random.bounded(256));
    garbage += "\n[S]\nA=found\n";
    garbage += QByteArray(4 << 20, 'x'); // one 4 MB line without an end
    EXPECT_TRUE(WriteBytes(Path("g.ini"), garbage));

    PrivateProfile profile(Path("g.ini"));
    ASSERT_TRUE(profile.Load());
    EXPECT_EQ(profile.GetString(QStringLiteral("S"), QStringLiteral("A"), QString()),
              QStringLiteral("found"));
    profile.SetString(QStringLiteral("S"), QStringLiteral("B"), QStringLiteral("written"));
    ASSERT_TRUE(profile.Save());

    PrivateProfile again(Path("g.ini"));
    EXPECT_EQ(again.GetString(QStringLiteral("S"), QStringLiteral("A"), QString()), QStringLiteral("found"));
    EXPECT_EQ(again.GetString(QStringLiteral("S"), QStringLiteral("B"), QString()),
              QStringLiteral("written"));
    // The garbage, read as Windows-1252, keeps its bytes.
    EXPECT_TRUE(ReadBytes(Path("g.ini")).startsWith(garbage.left(256 * 1024)));
}

TEST_F(PrivateProfileTest, ARefusedWriteLeavesTheOldFile) {
    const QByteArray old = "[S]\r\nA=1\r\n";
    EXPECT_TRUE(WriteBytes(Path("f.ini"), old));
    PrivateProfile profile(Path("f.ini"));
    profile.SetString(QStringLiteral("S"), QStringLiteral("A"), QStringLiteral("2"));
    PrivateProfile::SetFailWritesForTesting(true);
    EXPECT_FALSE(profile.Save());
    EXPECT_EQ(ReadBytes(Path("f.ini")), old);
    PrivateProfile::SetFailWritesForTesting(false);
    EXPECT_TRUE(profile.Save());
    EXPECT_EQ(ReadBytes(Path("f.ini")), QByteArray("[S]\r\nA=2\r\n"));
}

TEST_F(PrivateProfileTest, AFolderThatIsAFileFailsCleanly) {
    EXPECT_TRUE(WriteBytes(Path("notadir"), "plain"));
    PrivateProfile profile(Path("notadir/film.ini"));
    EXPECT_FALSE(profile.Load());
    profile.SetString(QStringLiteral("S"), QStringLiteral("A"), QStringLiteral("1"));
    EXPECT_FALSE(profile.Save());
    EXPECT_EQ(ReadBytes(Path("notadir")), QByteArray("plain"));
}

TEST_F(PrivateProfileTest, APathThatIsAFolderIsNeverWritten) {
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("film.ini")));
    PrivateProfile profile(Path("film.ini"));
    EXPECT_FALSE(profile.Load());
    profile.SetString(QStringLiteral("S"), QStringLiteral("A"), QStringLiteral("1"));
    EXPECT_FALSE(profile.Save());
    EXPECT_TRUE(QFileInfo(Path("film.ini")).isDir());
}

TEST_F(PrivateProfileTest, AnUnreadableFileIsNotOverwritten) {
    if (geteuid() == 0)
        GTEST_SKIP() << "root reads every file";
    const QByteArray old = "[S]\r\nA=1\r\nKeep=me\r\n";
    EXPECT_TRUE(WriteBytes(Path("r.ini"), old));
    ASSERT_TRUE(QFile::setPermissions(Path("r.ini"), QFileDevice::WriteOwner));
    PrivateProfile profile(Path("r.ini"));
    EXPECT_FALSE(profile.Load());
    profile.SetString(QStringLiteral("S"), QStringLiteral("A"), QStringLiteral("2"));
    EXPECT_FALSE(profile.Save());
    ASSERT_TRUE(QFile::setPermissions(Path("r.ini"), QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    EXPECT_EQ(ReadBytes(Path("r.ini")), old);
}

TEST_F(PrivateProfileTest, AnEmptyNameIsMissingAndCannotBeSaved) {
    PrivateProfile profile{QString()};
    EXPECT_FALSE(profile.Load());
    EXPECT_EQ(profile.GetString(QStringLiteral("S"), QStringLiteral("A"), QStringLiteral("d")),
              QStringLiteral("d"));
    profile.SetString(QStringLiteral("S"), QStringLiteral("A"), QStringLiteral("1"));
    EXPECT_FALSE(profile.Save());
}

TEST_F(PrivateProfileTest, AnEmptyFileLoadsAndIsFilledOnSave) {
    EXPECT_TRUE(WriteBytes(Path("e.ini"), QByteArray()));
    PrivateProfile profile(Path("e.ini"));
    EXPECT_TRUE(profile.Load());
    EXPECT_EQ(profile.GetString(QStringLiteral("S"), QStringLiteral("A"), QStringLiteral("d")),
              QStringLiteral("d"));
    profile.SetString(QStringLiteral("S"), QStringLiteral("A"), QStringLiteral("1"));
    ASSERT_TRUE(profile.Save());
    EXPECT_EQ(ReadBytes(Path("e.ini")), QByteArray("[S]\r\nA=1\r\n"));
}

} // namespace
