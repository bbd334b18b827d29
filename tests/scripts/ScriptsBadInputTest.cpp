#include "ScriptChecker.h"
#include "common/RecordingMessageSink.h"
#include "common/ScriptedUiSeam.h"
#include "common/SmallDisk.h"
#include "common/TestFiles.h"
#include "common/TestPaths.h"
#include "model/ScriptComposer.h"
#include "model/TD2VFullProject.h"
#include "ui/AviSynthScriptVisualizator.h"
#include "ui/Cinescriptor.h"
#include "ui_AviSynthScriptVisualizator.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <ostream>

namespace {

const QString SavedText = QStringLiteral("Le script a été correctement généré !");
const QString FailedText = QStringLiteral("Le script n'a pas pu être généré correctement !");

QString OpenFailure(const QString& path) {
    return QStringLiteral("Le script \"") + path + QStringLiteral("\" n'a pas pu être ouvert correctement !");
}

ScriptSource Film(const QString& folder) {
    ScriptSource s;
    s.FileName = folder + QStringLiteral("/film.d2v");
    s.CropTop = 8;
    s.CropBottom = 8;
    s.OutputWidth = 640;
    s.OutputHeight = 352;
    s.FirstFrameNumber = 10;
    s.LastFrameNumber = 300;
    s.CreditsFrameNumber = 300;
    s.D2VFilePath = folder + QLatin1Char('/');
    return s;
}

// Readable in a failure report.
std::string Joined(const QStringList& lines) {
    return lines.join(QLatin1Char('\n')).toStdString();
}

// The lines of a written script, without the empty entry after its last CR LF.
QStringList LinesOf(const QByteArray& bytes) {
    QStringList lines = QString::fromUtf8(bytes).split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

class ScriptsBadInput : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    QString Path(const QString& name) const { return dir.filePath(name); }
    QString Path(const char* name) const { return dir.filePath(QString::fromUtf8(name)); }
    ScriptSource WithMainTemplate(const QString& path) const {
        ScriptSource s = Film(dir.path());
        s.IsMainScriptModele = true;
        s.MainScriptModele = path;
        return s;
    }
    // The header block alone, as a refused or unreadable template leaves it.
    static QStringList HeaderOf(const ScriptSource& s) {
        ScriptSource plain = s;
        plain.IsMainScriptModele = false;
        QStringList lines = ComposeMainScript(plain).Lines;
        // The default body starts with its banner; everything before it is the header block.
        return lines.mid(
            0, lines.indexOf(QStringLiteral(
                   "######################### Script par défaut Cinescriptor #######################")));
    }

    QTemporaryDir dir;
    RecordingMessageSink sink;
};

// Templates no one can read, root included: the header alone is composed and the user is told.
struct UnreadableCase {
    const char* name;
    void (*make)(const QString& folder);
    const char* path;
};

void PrintTo(const UnreadableCase& c, std::ostream* os) {
    *os << c.name;
}

class UnreadableTemplates : public ScriptsBadInput, public ::testing::WithParamInterface<UnreadableCase> {};

TEST_P(UnreadableTemplates, LeaveTheHeaderAndWarn) {
    GetParam().make(dir.path());
    const QString path = Path(GetParam().path);
    const ScriptSource s = WithMainTemplate(path);
    const QStringList header = HeaderOf(s);
    sink.Clear();
    const ComposedScript script = ComposeMainScript(s);
    EXPECT_TRUE(script.IsComposed);
    EXPECT_EQ(Joined(script.Lines), Joined(header));
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_EQ(sink.messages[0].kind, RecordingMessageSink::Kind::Warning);
    EXPECT_EQ(sink.messages[0].text, OpenFailure(path));
}

INSTANTIATE_TEST_SUITE_P(
    Paths, UnreadableTemplates,
    ::testing::Values(UnreadableCase{"DanglingLink",
                                     [](const QString& folder) {
                                         ASSERT_TRUE(QFile::link(folder + QStringLiteral("/gone.avs"),
                                                                 folder + QStringLiteral("/link.avs")));
                                     },
                                     "link.avs"},
                      UnreadableCase{"ThroughARegularFile",
                                     [](const QString& folder) {
                                         ASSERT_TRUE(WriteBytes(folder + QStringLiteral("/plain"),
                                                                "Return clip\r\n"));
                                     },
                                     "plain/modele.avs"},
                      UnreadableCase{"LinkLoop",
                                     [](const QString& folder) {
                                         ASSERT_TRUE(QFile::link(folder + QStringLiteral("/b.avs"),
                                                                 folder + QStringLiteral("/a.avs")));
                                         ASSERT_TRUE(QFile::link(folder + QStringLiteral("/a.avs"),
                                                                 folder + QStringLiteral("/b.avs")));
                                     },
                                     "a.avs"},
                      UnreadableCase{"LinkToAFolder",
                                     [](const QString& folder) {
                                         ASSERT_TRUE(QDir(folder).mkdir(QStringLiteral("modeles")));
                                         ASSERT_TRUE(QFile::link(folder + QStringLiteral("/modeles"),
                                                                 folder + QStringLiteral("/modele.avs")));
                                     },
                                     "modele.avs"}),
    [](const ::testing::TestParamInfo<UnreadableCase>& p) { return std::string(p.param.name); });

// Encodings a template may come in from a Windows editor.
struct EncodingCase {
    const char* name;
    QByteArray bytes;
    QStringList lines;
};

void PrintTo(const EncodingCase& c, std::ostream* os) {
    *os << c.name;
}

class TemplateEncodings : public ScriptsBadInput, public ::testing::WithParamInterface<EncodingCase> {};

TEST_P(TemplateEncodings, AreReadAsTheirText) {
    const QString path = Path("modele.avs");
    ASSERT_TRUE(WriteBytes(path, GetParam().bytes));
    const ScriptSource s = WithMainTemplate(path);
    const ComposedScript script = ComposeMainScript(s);
    ASSERT_TRUE(script.IsComposed);
    EXPECT_EQ(Joined(script.Lines), Joined(HeaderOf(s) + GetParam().lines));
    EXPECT_TRUE(sink.messages.empty());
    // What is written is UTF-8 without any mark, whatever came in.
    const QByteArray written = EncodeScriptLines(script.Lines);
    EXPECT_FALSE(written.contains("\xEF\xBB\xBF"));
    EXPECT_FALSE(written.contains('\0'));
    QStringDecoder utf8(QStringConverter::Utf8);
    const QString ignored = utf8.decode(written);
    EXPECT_FALSE(utf8.hasError());
}

INSTANTIATE_TEST_SUITE_P(
    Files, TemplateEncodings,
    ::testing::Values(EncodingCase{"Windows1252",
                                   "# G\xE9n\xE9rique \x80\r\nReturn clip\r\n",
                                   {"# Générique €", "Return clip"}},
                      EncodingCase{"Utf8Mark",
                                   "\xEF\xBB\xBF# G\xC3\xA9n\xC3\xA9rique\r\nReturn clip",
                                   {"# Générique", "Return clip"}},
                      // A mark, then bytes that are not UTF-8: the mark is no character of the text.
                      EncodingCase{"Utf8MarkThenWindows1252",
                                   "\xEF\xBB\xBF# G\xE9n\xE9rique\r\nReturn clip\r\n",
                                   {"# Générique", "Return clip"}},
                      // What Notepad saves as "Unicode" and "Unicode big endian".
                      EncodingCase{"Utf16LittleEndian",
                                   QByteArray("\xFF\xFE#\0 \0\xE9\0t\0\xE9\0\r\0\n\0R\0e\0t\0u\0r\0n\0", 28),
                                   {"# été", "Return"}},
                      EncodingCase{"Utf16BigEndian",
                                   QByteArray("\xFE\xFF\0#\0 \0\xE9\0t\0\xE9\0\n\0R\0e\0t\0u\0r\0n", 26),
                                   {"# été", "Return"}}),
    [](const ::testing::TestParamInfo<EncodingCase>& p) { return std::string(p.param.name); });

// A script window on a film of the test's folder.
class ScriptWindowBadInput : public ScriptsBadInput {
protected:
    void Make(const ScriptSource& s) {
        source = s;
        window = std::make_unique<TForm2>(nullptr, [this] { return source; });
    }

    ScriptedUiSeam seam;
    ScriptSource source;
    std::unique_ptr<TForm2> window;
};

struct HugeCase {
    const char* name;
    qsizetype lineLength; // without its CR LF
    bool taken;
};

void PrintTo(const HugeCase& c, std::ostream* os) {
    *os << c.name;
}

class HugeTemplates : public ScriptWindowBadInput, public ::testing::WithParamInterface<HugeCase> {};

// 20 MB of template: written whole, with or without the preview, or refused with a warning and
// the header saved alone, as for a template that cannot be read. Never a stall.
TEST_P(HugeTemplates, AreWrittenWholeOrRefusedWithAndWithoutPreview) {
    const HugeCase& c = GetParam();
    const qsizetype total = 20 * 1024 * 1024;
    const QByteArray line = "# " + QByteArray(c.lineLength - 2, 'x') + "\r\n";
    QByteArray bytes;
    bytes.reserve(total + line.size());
    while (bytes.size() < total)
        bytes += line;
    const QString path = Path("enorme.avs");
    ASSERT_TRUE(WriteBytes(path, bytes));
    Make(WithMainTemplate(path));
    const QByteArray header = EncodeScriptLines(HeaderOf(source));
    const QByteArray expected = c.taken ? header + bytes : header;

    seam.saveFileNames = {Path("sans")};
    window->GenerateWithoutPreview();
    EXPECT_TRUE(ReadBytes(Path("sans.avs")) == expected);

    seam.saveFileNames = {Path("avec")};
    seam.onModal = [](QDialog* dialog) {
        QTest::mouseClick(static_cast<TForm2*>(dialog)->ui->ButtonSave, Qt::LeftButton);
    };
    window->GenerateWithPreview();
    EXPECT_TRUE(ReadBytes(Path("avec.avs")) == expected);

    const QString refused =
        QStringLiteral("Le script \"") + path +
        QStringLiteral("\" a une ligne de plus de 65536 caractères : il ne peut pas servir "
                       "de modèle !");
    EXPECT_EQ(Joined(sink.Texts()),
              c.taken ? Joined({SavedText, SavedText}) : Joined({refused, SavedText, refused, SavedText}));
}

INSTANTIATE_TEST_SUITE_P(Shapes, HugeTemplates,
                         ::testing::Values(HugeCase{"ShortLines", 80, true},
                                           HugeCase{"LongestLines", MaxTemplateLineLength, true},
                                           HugeCase{"OneLongerLine", MaxTemplateLineLength + 1, false},
                                           HugeCase{"OneLine", 20 * 1024 * 1024, false}),
                         [](const ::testing::TestParamInfo<HugeCase>& p) {
                             return std::string(p.param.name);
                         });

TEST_F(ScriptWindowBadInput, TargetThatIsAFolderIsLeftAloneAndTheUserIsTold) {
    Make(Film(dir.path()));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("film.avs")));
    ASSERT_TRUE(WriteBytes(Path("film.avs/inside.txt"), "keep"));
    seam.saveFileNames = {Path("film")};
    window->GenerateWithoutPreview();
    EXPECT_EQ(Joined(sink.Texts()), Joined({FailedText}));
    EXPECT_TRUE(QFileInfo(Path("film.avs")).isDir());
    EXPECT_EQ(ReadBytes(Path("film.avs/inside.txt")), QByteArray("keep"));
    // Nothing else was left in the folder, not even a temporary file.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("film.avs")});
}

// A script small enough to sit in the write buffer until the end, and one that is not.
class FullDiskScripts : public ScriptWindowBadInput, public ::testing::WithParamInterface<int> {};

TEST_P(FullDiskScripts, KeepTheFormerScriptAndTellTheUser) {
    const QString disk = Path("disk");
    const SmallDisk small(disk);
    if (!small.IsMounted())
        GTEST_SKIP() << "no small file system can be mounted here";

    const QByteArray former = "Return BlankClip()\r\n";
    ASSERT_TRUE(WriteBytes(disk + QStringLiteral("/film.avs"), former));
    QByteArray bytes;
    for (int i = 0; i < GetParam(); ++i)
        bytes += "# " + QByteArray(78, 'y') + "\r\n";
    ASSERT_TRUE(WriteBytes(Path("modele.avs"), bytes));
    Make(WithMainTemplate(Path("modele.avs")));
    small.Fill();

    seam.saveFileNames = {disk + QStringLiteral("/film")};
    window->GenerateWithoutPreview();
    EXPECT_EQ(Joined(sink.Texts()), Joined({FailedText}));
    EXPECT_EQ(ReadBytes(disk + QStringLiteral("/film.avs")), former);
    EXPECT_EQ(QDir(disk).entryList(QDir::Files | QDir::Hidden).size(), 2);

    ASSERT_TRUE(small.Free());
    sink.Clear();
    seam.saveFileNames = {disk + QStringLiteral("/film")};
    window->GenerateWithoutPreview();
    EXPECT_EQ(Joined(sink.Texts()), Joined({SavedText}));
    EXPECT_TRUE(ReadBytes(disk + QStringLiteral("/film.avs")).endsWith(bytes));
}

// Lines of template: 1 (a script of about 400 bytes) or 300 (about 25 KB).
INSTANTIATE_TEST_SUITE_P(Sizes, FullDiskScripts, ::testing::Values(1, 300));

// The real main window on a copy of a checked-in film, in a folder whose name has everything a
// path can trip on.
TEST_F(ScriptsBadInput, FilmAndScriptNamesWithQuotesSpacesAccentsAndPercentNameTheRealFiles) {
    ScriptedUiSeam seam;
    const QString folder = Path("Le \"grand\" film à 100% d'été");
    ASSERT_TRUE(QDir().mkdir(folder));
    for (const char* name : {"film.d2v", "film.mpg"})
        ASSERT_TRUE(QFile::copy(TestDataPath(QStringLiteral("pal_letterbox/") + QLatin1String(name)),
                                folder + QLatin1Char('/') + QLatin1String(name)));
    const QString d2v = folder + QStringLiteral("/film.d2v");
    TForm1 window;
    ASSERT_TRUE(window.OpenD2VFile(d2v)) << sink.Texts().join(QLatin1Char('\n')).toStdString();
    ASSERT_TRUE(window.Project());
    sink.Clear();

    const QString script = folder + QStringLiteral("/mon \"script\" 50% $1 é");
    seam.saveFileNames = {script};
    window.findChild<QPushButton*>(QStringLiteral("ButtonGenerate"))->click();
    EXPECT_EQ(Joined(sink.Texts()), Joined({SavedText}));
    const QByteArray bytes = ReadBytes(script + QStringLiteral(".avs"));
    ASSERT_FALSE(bytes.isEmpty());

    // Read as AviSynth reads it, the source names the .d2v file that exists.
    const CheckedScript checked = CheckScript(LinesOf(bytes));
    EXPECT_TRUE(checked.errors.isEmpty()) << checked.errors.join(QLatin1Char('\n')).toStdString();
    const QString source = checked.strings.value(QStringLiteral("Source"));
    EXPECT_EQ(source, d2v);
    EXPECT_TRUE(QFileInfo(source).isFile());
    EXPECT_TRUE(bytes.contains("Source = \"\"\"" + d2v.toUtf8() + "\"\"\"\r\n"));
    EXPECT_TRUE(bytes.contains("clip = Mpeg2Source( Source, idct = CPUType )"));
}

} // namespace
