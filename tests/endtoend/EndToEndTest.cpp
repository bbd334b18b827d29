#include "common/Controls.h"
#include "common/RecordingMessageSink.h"
#include "common/ScriptedUiSeam.h"
#include "common/TestFiles.h"
#include "common/TestPaths.h"
#include "model/DecoderLibrary.h"
#include "model/TD2VFullProject.h"
#include "platform/FileBytes.h"
#include "ui/Cinescriptor.h"
#include "ui/InformationPage.h"
#include "ui/ScriptsPage.h"
#include "ui/widgets/ImageCanvas.h"
#include "ui/widgets/LabeledEdit.h"
#include "ui/widgets/TrackBar.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLibrary>
#include <QLibraryInfo>
#include <QProcess>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

enum Page { InformationTab = 0, SequenceTab = 1, CropTab = 2, ResizeTab = 3, ScriptsTab = 4 };

void Settle() {
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

template <typename T> T* In(QWidget* parent, const char* name) {
    T* control = parent->findChild<T*>(QLatin1String(name));
    EXPECT_NE(control, nullptr) << name;
    return control;
}

// Replaces the box's text by typing, then presses Enter, as the user does.
void TypeAndEnter(QLineEdit* box, const QString& text) {
    box->setFocus(Qt::TabFocusReason);
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Backspace);
    QTest::keyClicks(box, text);
    QTest::keyClick(box, Qt::Key_Return);
    Settle();
}

void ClickIn(QWidget* parent, const char* button) {
    auto* control = In<QAbstractButton>(parent, button);
    ASSERT_NE(control, nullptr);
    QTest::mouseClick(control, Qt::LeftButton);
    Settle();
}

// The program as a desktop starts it, with no display of ours.
void StartProgram(QProcess& program, const QString& path, const QStringList& arguments) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    program.setProcessEnvironment(environment);
    program.start(path, arguments);
}

// The settings file appears once the program has the film open through the decoder library.
void WaitForSettingsFile(QProcess& program, const QString& ini) {
    for (int i = 0; i < 600 && KindOfFile(ini) != FileKind::Regular; ++i)
        program.waitForFinished(100);
}

void PickText(QComboBox* list, const QString& text) {
    const int index = list->findText(text);
    ASSERT_GE(index, 0) << text.toStdString();
    list->setCurrentIndex(index);
    emit list->activated(index);
    Settle();
}

// The values of the project that the scripts and the settings file carry.
struct Snapshot {
    uint32_t first, last, credits;
    uint16_t top, bottom, left, right, width, height;
    uint32_t audio, subtitles, medium;
    uint8_t mode;
    float projectedRatio;
    bool operator==(const Snapshot&) const = default;
};

Snapshot Take(const TD2VFullProject& p) {
    return {p.FirstFrameNumber, p.LastFrameNumber,     p.CreditsFrameNumber,
            p.CropTop,          p.CropBottom,          p.CropLeft,
            p.CropRight,        p.OutputWidth,         p.OutputHeight,
            p.AudioSize,        p.SubTitlesSize,       p.MediumSize,
            p.CreditsMode,      p.OutputProjectedRatio};
}

void PrintTo(const Snapshot& s, std::ostream* os) {
    *os << "range " << s.first << "-" << s.last << " credits " << s.credits << " crops " << s.top << "/"
        << s.bottom << "/" << s.left << "/" << s.right << " size " << s.width << "x" << s.height << " audio "
        << s.audio << " subtitles " << s.subtitles << " medium " << s.medium << " mode " << int(s.mode)
        << " projected ratio " << s.projectedRatio;
}

// The script the program writes for these values, line by line with CR LF ends.
QByteArray ExpectedScript(bool credits, const QString& d2v, const Snapshot& s, int cpu) {
    const uint32_t start = credits ? s.credits : s.first;
    const uint32_t end = credits ? s.last : s.credits - 1;
    const QString title =
        credits ? QStringLiteral(
                      "################################# Credits Script ###############################")
                : QStringLiteral(
                      "################################## Main Script #################################");
    const QString resize = credits ? QStringLiteral("clip = BilinearResize( clip, DimX, DimY )")
                                   : QStringLiteral("clip = BicubicResize( clip, DimX, DimY, 0.33, 0.33 )");
    const QString rule(80, QLatin1Char('#'));
    const QStringList lines{
        title,
        QStringLiteral("############################## Made by Cinescriptor ############################"),
        QString(),
        QStringLiteral("Source = \"%1\"").arg(d2v),
        QString(),
        QStringLiteral("Top = %1").arg(s.top),
        QStringLiteral("Bottom = %1").arg(s.bottom),
        QStringLiteral("Left = %1").arg(s.left),
        QStringLiteral("Right = %1").arg(s.right),
        QString(),
        QStringLiteral("DimX = %1").arg(s.width),
        QStringLiteral("DimY = %1").arg(s.height),
        QString(),
        QStringLiteral("Start = %1").arg(start),
        QStringLiteral("End = %1").arg(end),
        QString(),
        QStringLiteral("CPUType = %1").arg(cpu),
        QString(),
        rule,
        QString(),
        QStringLiteral("######################### Script par défaut Cinescriptor #######################"),
        QString(),
        QStringLiteral("clip = Mpeg2Source( Source, idct = CPUType )"),
        QStringLiteral("clip = Trim( clip, Start, End )"),
        QStringLiteral("clip = Crop( clip, Left, Top, -Right, -Bottom )"),
        resize,
        QString(),
        QStringLiteral("Return clip"),
        QString(),
        rule};
    QByteArray bytes;
    for (const QString& line : lines)
        bytes += line.toUtf8() + "\r\n";
    return bytes;
}

// The number after "<key> = " in a script.
long ScriptValue(const QByteArray& script, const QByteArray& key) {
    for (const QByteArray& line : script.split('\n'))
        if (line.startsWith(key + " = "))
            return line.mid(key.size() + 3).trimmed().toLong();
    return -1;
}

// A frame decoded by the library the program loads, top row first, as RGB.
QImage DecodedFrame(QLibrary& library, int number, int width, int height) {
    auto getRGBFrame = reinterpret_cast<GetRGBFrameFunction>(library.resolve("getRGBFrame"));
    const unsigned char* data = getRGBFrame != nullptr ? getRGBFrame(number) : nullptr;
    if (data == nullptr)
        return {};
    // Rows top first, each pixel blue, green, red: Qt's BGR888.
    return QImage(data, width, height, width * 3, QImage::Format_BGR888)
        .convertToFormat(QImage::Format_RGB888);
}

double MeanDifference(const QImage& a, const QImage& b) {
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            sum +=
                std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q));
        }
    return sum / (3.0 * a.width() * a.height());
}

class EndToEndTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        QProcess maker;
        maker.setProcessChannelMode(QProcess::MergedChannels);
        maker.start(QStringLiteral(CINESCRIPTOR_MAKE_SAMPLE),
                    {folder.path(), BinDir() + QStringLiteral("/d2vindex")});
        ASSERT_TRUE(maker.waitForFinished(240000));
        ASSERT_EQ(maker.exitCode(), 0) << maker.readAll().toStdString();
        d2v = folder.filePath(QStringLiteral("sample.d2v"));
        ASSERT_TRUE(QFile::exists(d2v));
    }

    std::unique_ptr<TForm1> OpenWindow() {
        auto window = std::make_unique<TForm1>();
        window->show();
        QApplication::setActiveWindow(window.get());
        EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
        seam.openFileNames.push_back(d2v);
        Control<QAction>(*window, "Ouvrir1")->trigger();
        Settle();
        return window;
    }

    static void Activate(TForm1& window, Page page) {
        QTabBar* tabs = Control<QTabWidget>(window, "PageControl1")->tabBar();
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(page).center());
        ASSERT_EQ(Control<QTabWidget>(window, "PageControl1")->currentIndex(), static_cast<int>(page));
        Settle();
    }

    // Goes to a frame on the sequence page by its number box and returns the picture shown.
    static QImage ShowSequenceFrame(TForm1& window, int frame) {
        TypeAndEnter(In<LabeledEdit>(&window, "LabeledEditFrameNumber1"), QString::number(frame));
        EXPECT_EQ(In<TrackBar>(&window, "TrackBar1")->Position(), frame);
        return In<ImageCanvas>(&window, "Image1")->Picture().copy();
    }

    QTemporaryDir folder;
    QString d2v;
    RecordingMessageSink messages;
    ScriptedUiSeam seam;
};

TEST_F(EndToEndTest, OneFilmFromOpeningToScriptsAndBackAgain) {
    constexpr int First = 25, Credits = 410, Last = 489;
    std::map<int, QImage> shown;
    Snapshot held{};
    {
        auto window = OpenWindow();
        ASSERT_TRUE(window->Project()) << messages.Texts().join(QLatin1Char('\n')).toStdString();
        TD2VFullProject& project = *window->Project();

        // Information page: what the sample is.
        EXPECT_EQ(Control<QTabWidget>(*window, "PageControl1")->currentIndex(),
                  static_cast<int>(InformationTab));
        EXPECT_TRUE(Control<QLabel>(*window, "LabelFormat")
                        ->text()
                        .startsWith(QStringLiteral("Format  (Largeur x Hauteur) :  720 x 576 (pixels)")))
            << Control<QLabel>(*window, "LabelFormat")->text().toStdString();
        EXPECT_EQ(Control<QLabel>(*window, "LabelFrameNumber")->text(),
                  QStringLiteral("Nombre de frames :  500"));
        EXPECT_TRUE(Control<QLabel>(*window, "LabelDuration")
                        ->text()
                        .startsWith(QStringLiteral("Durée :  20 Secondes")))
            << Control<QLabel>(*window, "LabelDuration")->text().toStdString();

        // Sequence page: range and credits, each chosen on the frame shown.
        Activate(*window, SequenceTab);
        shown[First] = ShowSequenceFrame(*window, First);
        ClickIn(window.get(), "ButtonSelectFirstFrame");
        shown[Last] = ShowSequenceFrame(*window, Last);
        ClickIn(window.get(), "ButtonSelectLastFrame");
        auto* creditsMode = In<QCheckBox>(window.get(), "CheckBoxIsCreditsModeSelected");
        ASSERT_FALSE(creditsMode->isChecked());
        QTest::mouseClick(creditsMode, Qt::LeftButton, {}, QPoint(5, creditsMode->height() / 2));
        Settle();
        ASSERT_TRUE(creditsMode->isChecked());
        ASSERT_FALSE(In<QCheckBox>(window.get(), "CheckBoxOnlyOneScript")->isChecked());
        shown[Credits] = ShowSequenceFrame(*window, Credits);
        ClickIn(window.get(), "ButtonSelectCreditsFrame");
        EXPECT_EQ(project.FirstFrameNumber, uint32_t(First));
        EXPECT_EQ(project.LastFrameNumber, uint32_t(Last));
        EXPECT_EQ(project.CreditsFrameNumber, uint32_t(Credits));
        EXPECT_EQ(project.CreditsMode, 2);

        // Crop page: the automatic crop finds the letterbox bands (72 rows each).
        Activate(*window, CropTab);
        ClickIn(window.get(), "ButtonAutoCrop");
        EXPECT_GE(project.CropTop, 64);
        EXPECT_LE(project.CropTop, 80);
        EXPECT_GE(project.CropBottom, 64);
        EXPECT_LE(project.CropBottom, 80);
        EXPECT_EQ(project.CropLeft, 0);
        EXPECT_EQ(project.CropRight, 0);
        EXPECT_EQ(In<QLineEdit>(window.get(), "EditUpDownTop")->text(), QString::number(project.CropTop));
        EXPECT_EQ(In<QLineEdit>(window.get(), "EditUpDownBottom")->text(),
                  QString::number(project.CropBottom));

        // Resize page: automatic ratio, a width of 512.
        Activate(*window, ResizeTab);
        PickText(In<QComboBox>(window.get(), "ComboBoxOutputProjectedRatio"), QStringLiteral("Automatique"));
        TypeAndEnter(In<LabeledEdit>(window.get(), "LabeledEditOutputWidth"), QStringLiteral("512"));
        EXPECT_EQ(project.OutputWidth, 512);
        EXPECT_EQ(In<LabeledEdit>(window.get(), "LabeledEditOutputHeight")->text(),
                  QString::number(project.OutputHeight));
        // 16/9 shown, the bands cropped: the picture is wider than 16/9, so lower than 288.
        EXPECT_LT(project.OutputHeight, 288);
        EXPECT_GT(project.OutputHeight, 160);

        // Scripts page: the calculator, audio by estimate, subtitles typed, two 700 Mo CDs.
        Activate(*window, ScriptsTab);
        seam.onModal = [&](QDialog* dialog) {
            const QString name = dialog->objectName();
            dialog->show();
            Settle();
            if (name == QLatin1String("TForm3")) {
                ClickIn(dialog, "ButtonAddAudio2");
                ClickIn(dialog, "ButtonAddSubTitles1");
                ClickIn(dialog, "ButtonNewMedium1");
                ClickIn(dialog, "ButtonComeBack");
            } else if (name == QLatin1String("TFormEstimateSize")) {
                TypeAndEnter(In<QLineEdit>(dialog, "LabeledEditBitRate"), QStringLiteral("192"));
                ClickIn(dialog, "ButtonEnter");
            } else if (name == QLatin1String("TFormEnterManualSize")) {
                auto* unit = In<QComboBox>(dialog, "ComboBoxUnit");
                if (unit->findText(QStringLiteral("CD(s) 700 Mo")) >= 0) {
                    PickText(unit, QStringLiteral("CD(s) 700 Mo"));
                    TypeAndEnter(In<QLineEdit>(dialog, "LabeledEditNumber"), QStringLiteral("2"));
                } else {
                    PickText(unit, QStringLiteral("Ko"));
                    TypeAndEnter(In<QLineEdit>(dialog, "LabeledEditNumber"), QStringLiteral("300"));
                }
                ClickIn(dialog, "ButtonEnter");
            } else {
                ADD_FAILURE() << "unexpected window " << name.toStdString();
            }
            if (dialog->isVisible())
                dialog->accept();
            return dialog->result();
        };
        ClickIn(window.get(), "ButtonBitRateCalculator");
        seam.onModal = nullptr;
        // The audio lasts as long as the range: 465 frames at 25 fps, 18.6 s, rounded to 19 s;
        // 192 kbit/s is 192 x 128 bytes a second.
        EXPECT_EQ(project.FullVideoDuration, 19u);
        EXPECT_EQ(project.AudioSize, 19u * 192u * 128u);
        EXPECT_EQ(project.SubTitlesSize, 300u * 1024u);
        EXPECT_EQ(project.MediumSize, 2u * 737280000u);
        EXPECT_GT(project.BitRate, 0);

        auto* preview = In<QCheckBox>(window.get(), "CheckBoxPreVisualization");
        if (preview->isChecked())
            QTest::mouseClick(preview, Qt::LeftButton, {}, QPoint(5, preview->height() / 2));
        ASSERT_FALSE(window->Scripts().Choices().IsPrevisualizationModeSelected);
        seam.saveFileNames = {folder.filePath(QStringLiteral("film.avs")),
                              folder.filePath(QStringLiteral("film_Credits.avs"))};
        ClickIn(window.get(), "ButtonGenerate");
        EXPECT_EQ(seam.saveCalls.size(), 2u);

        held = Take(project);
        const QByteArray main = ReadBytes(folder.filePath(QStringLiteral("film.avs")));
        const QByteArray credits = ReadBytes(folder.filePath(QStringLiteral("film_Credits.avs")));
        EXPECT_EQ(main.toStdString(),
                  ExpectedScript(false, d2v, held, window->Information().iDCT()).toStdString());
        EXPECT_EQ(credits.toStdString(),
                  ExpectedScript(true, d2v, held, window->Information().iDCT()).toStdString());
        EXPECT_EQ(ScriptValue(main, "Start"), First);
        EXPECT_EQ(ScriptValue(main, "End"), Credits - 1);
        EXPECT_EQ(ScriptValue(credits, "Start"), Credits);
        EXPECT_EQ(ScriptValue(credits, "End"), Last);

        // Closing: the question, answered Yes, saves.
        messages.Clear();
        messages.answers = {true};
        EXPECT_TRUE(window->close());
        ASSERT_FALSE(messages.messages.empty());
        EXPECT_EQ(messages.messages.front().text, QStringLiteral("Sauver les modifications en quittant ?"));
    }

    // Reopening gives every value back, on the pages as in the project.
    {
        messages.Clear();
        auto window = OpenWindow();
        ASSERT_TRUE(window->Project());
        EXPECT_EQ(Take(*window->Project()), held);
        Activate(*window, SequenceTab);
        EXPECT_TRUE(In<QCheckBox>(window.get(), "CheckBoxIsCreditsModeSelected")->isChecked());
        EXPECT_EQ(In<LabeledEdit>(window.get(), "LabeledEditBegin")->text(), QString::number(First));
        EXPECT_EQ(In<LabeledEdit>(window.get(), "LabeledEditEnd")->text(), QString::number(Last));
        EXPECT_EQ(In<LabeledEdit>(window.get(), "LabeledEditCredits")->text(), QString::number(Credits));
        Activate(*window, ResizeTab);
        EXPECT_EQ(In<LabeledEdit>(window.get(), "LabeledEditOutputWidth")->text(), QStringLiteral("512"));
        // A film with settings comes back on "Manuel", the stored ratio in force (compared above).
        EXPECT_EQ(In<QComboBox>(window.get(), "ComboBoxOutputProjectedRatio")->currentText(),
                  QStringLiteral("Manuel"));
        messages.answers = {false};
        window->close();
    }

    // The frames the scripts select are the frames the user saw: with no project open, decode
    // them through the library; each shown picture is nearer its own frame than its neighbours.
    QString loadError;
    const std::unique_ptr<QLibrary> library = LoadDecoderLibraryFile(loadError);
    ASSERT_TRUE(library) << loadError.toStdString();
    auto openMPEG2Source = reinterpret_cast<OpenMPEG2SourceFunction>(library->resolve("openMPEG2Source"));
    auto closeVideo = reinterpret_cast<CloseVideoFunction>(library->resolve("closeVideo"));
    ASSERT_TRUE(openMPEG2Source != nullptr && closeVideo != nullptr);
    const DecoderVideoInfo* info = openMPEG2Source(QFile::encodeName(d2v).constData());
    ASSERT_NE(info, nullptr);
    ASSERT_EQ(info->width, 720);
    ASSERT_EQ(info->height, 576);
    for (const auto& [frame, picture] : shown) {
        ASSERT_FALSE(picture.isNull()) << frame;
        std::map<int, double> distance;
        for (int candidate : {frame - 1, frame, frame + 1}) {
            const QImage decoded = DecodedFrame(*library, candidate, 720, 576);
            ASSERT_FALSE(decoded.isNull()) << candidate;
            distance[candidate] =
                MeanDifference(decoded.scaled(picture.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                                   .convertToFormat(QImage::Format_RGB32),
                               picture.convertToFormat(QImage::Format_RGB32));
        }
        EXPECT_LT(distance[frame], distance[frame - 1]) << "frame " << frame;
        EXPECT_LT(distance[frame], distance[frame + 1]) << "frame " << frame;
    }
    closeVideo();
}

// What a desktop does on a double click: the installed program, given the .d2v, opens it (the
// settings file appears beside it only once the film is open through the decoder library).
TEST_F(EndToEndTest, InstalledProgramOpensTheFilmNamedOnItsCommandLine) {
    const QString prefix = folder.filePath(QStringLiteral("prefix"));
    QProcess install;
    install.setProcessChannelMode(QProcess::MergedChannels);
    install.start(QStringLiteral(CINESCRIPTOR_CMAKE),
                  {QStringLiteral("--install"), QStringLiteral(CINESCRIPTOR_BUILD_DIR),
                   QStringLiteral("--prefix"), prefix});
    ASSERT_TRUE(install.waitForFinished(120000));
    ASSERT_EQ(install.exitCode(), 0) << install.readAll().toStdString();
    for (const char* installed :
         {"bin/cinescriptor", "libexec/cinescriptor/cinescriptor", "libexec/cinescriptor/libMPEG2DEC3.so",
          "share/applications/cinescriptor.desktop", "share/icons/hicolor/scalable/apps/cinescriptor.svg",
          "share/mime/packages/cinescriptor.xml"})
        EXPECT_TRUE(QFileInfo::exists(prefix + QLatin1Char('/') + QLatin1String(installed))) << installed;

    const QString ini = folder.filePath(QStringLiteral("sample.ini"));
    ASSERT_FALSE(QFile::exists(ini));
    QProcess program;
    // Started from another folder with a relative path, as a shell may pass it.
    program.setWorkingDirectory(folder.path());
    StartProgram(program, prefix + QStringLiteral("/bin/cinescriptor"), {QStringLiteral("sample.d2v")});
    ASSERT_TRUE(program.waitForStarted());
    WaitForSettingsFile(program, ini);
    EXPECT_TRUE(QFile::exists(ini)) << program.readAllStandardError().toStdString();
    EXPECT_EQ(program.state(), QProcess::Running);
    program.kill();
    program.waitForFinished();
}

// A film in a folder whose name is not UTF-8 (Latin-1 "été"), handed over on the command line as
// the bytes a file manager passes: the program opens it (its settings file appears beside it).
TEST_F(EndToEndTest, ProgramOpensAFilmWhoseFolderNameIsNotUtf8) {
    const QByteArray latin1 = QFile::encodeName(folder.path()) + "/\xE9t\xE9/";
    ASSERT_EQ(::mkdir(latin1.constData(), 0755), 0);
    // Qt's own removal does not see such names.
    struct Cleanup {
        QByteArray folder;
        ~Cleanup() {
            for (const char* name : {"sample.d2v", "sample.mpg", "sample.ini"})
                ::unlink((folder + name).constData());
            ::rmdir(folder.constData());
        }
    } cleanup{latin1};
    for (const char* name : {"sample.d2v", "sample.mpg"}) {
        QByteArray bytes;
        ASSERT_TRUE(ReadWholeFile(folder.filePath(QLatin1String(name)), bytes));
        ASSERT_TRUE(WriteWholeFile(FileNameFromBytes(latin1 + name), bytes));
    }
    QProcess program;
    program.setWorkingDirectory(folder.path());
    // The shell makes the bytes (octal 351 is 0xE9): QProcess would send UTF-8.
    StartProgram(program, QStringLiteral("/bin/sh"),
                 {QStringLiteral("-c"), QStringLiteral("exec \"$0\" \"$(printf '%b' \"$1\")\""),
                  BinDir() + QStringLiteral("/cinescriptor"), QStringLiteral("\\351t\\351/sample.d2v")});
    ASSERT_TRUE(program.waitForStarted());
    const QString ini = FileNameFromBytes(latin1 + "sample.ini");
    WaitForSettingsFile(program, ini);
    EXPECT_EQ(KindOfFile(ini), FileKind::Regular) << program.readAllStandardError().toStdString();
    EXPECT_EQ(program.state(), QProcess::Running);
    program.kill();
    program.waitForFinished();
}

// Without Qt's French translation (its package missing: here a copy of the program whose qt.conf
// gives Qt an empty folder for it), the program says so and works all the same: it opens the film.
TEST_F(EndToEndTest, ProgramWithoutQtTranslationOpensTheFilm) {
    const QString copy = folder.filePath(QStringLiteral("program"));
    const QString none = folder.filePath(QStringLiteral("no-translations"));
    ASSERT_TRUE(QDir().mkpath(copy));
    ASSERT_TRUE(QDir().mkpath(none));
    for (const QString& name : {QStringLiteral("/cinescriptor"), QStringLiteral("/libMPEG2DEC3.so")})
        ASSERT_TRUE(QFile::copy(BinDir() + name, copy + name)) << name.toStdString();
    ASSERT_TRUE(WriteWholeFile(
        copy + QStringLiteral("/qt.conf"),
        "[Paths]\nPlugins=" + QFile::encodeName(QLibraryInfo::path(QLibraryInfo::PluginsPath)) +
            "\nTranslations=" + QFile::encodeName(none) + "\n"));
    QProcess program;
    StartProgram(program, copy + QStringLiteral("/cinescriptor"), {d2v});
    ASSERT_TRUE(program.waitForStarted());
    const QString ini = folder.filePath(QStringLiteral("sample.ini"));
    WaitForSettingsFile(program, ini);
    const QByteArray errors = program.readAllStandardError();
    EXPECT_EQ(KindOfFile(ini), FileKind::Regular) << errors.toStdString();
    EXPECT_TRUE(errors.contains("qtbase_fr")) << errors.toStdString();
    EXPECT_EQ(program.state(), QProcess::Running);
    program.kill();
    program.waitForFinished();
}

TEST_F(EndToEndTest, ProgramRefusesAnIndexAmongSeveralNames) {
    QProcess program;
    StartProgram(program, BinDir() + QStringLiteral("/cinescriptor"), {d2v, d2v});
    ASSERT_TRUE(program.waitForFinished(60000));
    EXPECT_EQ(program.exitCode(), 2);
    EXPECT_TRUE(program.readAllStandardError().contains("usage: cinescriptor [film.d2v"));
    EXPECT_FALSE(QFile::exists(folder.filePath(QStringLiteral("sample.ini"))));
}

} // namespace
