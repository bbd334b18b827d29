// "Ouvrir une vidéo MPEG-2..." through the real window: a DVD folder authored by dvdauthor or MPEG
// files indexed on the indexing thread, then opened; cancels, failures, an index already there, a
// folder that takes no index, and a second opening while one runs.

#include "MainWindowFixture.h"

#include "common/TestFilms.h"
#include "platform/FileBytes.h"
#include "ui/IndexingJob.h"
#include "ui/IndexingProgress.h"
#include "ui/IndexingTexts.h"
#include "ui/OpenVideo.h"

#include <QDirIterator>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <atomic>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kShortFrames = 48;
constexpr int kLongFrames = 120;

// Every file and folder under `root`, with its size: what a failed opening must leave as it was.
QStringList Tree(const QString& root) {
    QStringList entries;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        entries << QDir(root).relativeFilePath(it.filePath()) + QLatin1Char(' ') +
                       QString::number(it.fileInfo().size());
    }
    entries.sort();
    return entries;
}

// Shows the modal window as the user would see it and presses one of its buttons.
int Press(QDialog* dialog, const char* button) {
    dialog->show();
    auto* control = dialog->findChild<QAbstractButton*>(QLatin1String(button));
    EXPECT_NE(control, nullptr) << button << " in " << dialog->objectName().toStdString();
    if (control == nullptr) {
        dialog->reject();
        return QDialog::Rejected;
    }
    control->click();
    return dialog->result();
}

class OpenVideoTest : public MainWindowTest {
protected:
    // One DVD for the suite: title 1 short and 4:3, title 2 long and 16:9.
    static void SetUpTestSuite() {
        discRoot = new QTemporaryDir;
        disc = MakeTestDvd(discRoot->path(), {{kShortFrames, false, 2}, {kLongFrames, true, 4}}, problem);
    }
    static void TearDownTestSuite() {
        delete discRoot;
        discRoot = nullptr;
    }
    void SetUp() override {
        ASSERT_FALSE(disc.isEmpty()) << problem.toStdString();
        window = NewWindow();
    }

    // A copy of the disc in the test's folder (indexes are written beside its VOB files).
    QString CopyDisc() {
        const QString videoTs = folder.filePath(QStringLiteral("disc/VIDEO_TS"));
        EXPECT_TRUE(QDir().mkpath(videoTs));
        const QDir source(disc + QStringLiteral("/VIDEO_TS"));
        for (const QString& name : source.entryList(QDir::Files))
            EXPECT_TRUE(QFile::copy(source.filePath(name), videoTs + QLatin1Char('/') + name));
        return folder.filePath(QStringLiteral("disc"));
    }

    // "Ouvrir une vidéo MPEG-2..." with these names picked in its dialog.
    void PickVideo(const QStringList& names) {
        seam.openVideoNames.push_back(names);
        Control<QAction>("OuvrirVideo1")->trigger();
    }

    template <typename T> T* Control(const char* name) { return ::Control<T>(*window, name); }

    IndexingProgress* Progress() { return window->findChild<IndexingProgress*>(); }

    // Runs the event loop until the indexing is over and its outcome handled.
    void WaitForIndexing() {
        for (int i = 0; i < 6000 && window->VideoOpener()->IsIndexing(); ++i)
            QTest::qWait(10);
        ASSERT_FALSE(window->VideoOpener()->IsIndexing()) << "the indexing did not end";
    }

    // The checked-in PAL film, opened as "Ouvrir" does: what must stay open when a new one fails.
    QString OpenFirstFilm() {
        const QString d2v = CopyFilm(QStringLiteral("pal_letterbox"));
        OpenThroughMenu(*window, d2v);
        EXPECT_NE(window->Project(), nullptr);
        return d2v;
    }

    // The film of that index open and shown.
    void ExpectOpen(const QString& d2v) {
        ASSERT_NE(window->Project(), nullptr);
        EXPECT_EQ(window->Project()->FileName, d2v);
        EXPECT_TRUE(Control<QTabWidget>("PageControl1")->isVisible());
    }

    static QTemporaryDir* discRoot;
    static QString disc;
    static QString problem;
    std::unique_ptr<TForm1> window;
};

QTemporaryDir* OpenVideoTest::discRoot = nullptr;
QString OpenVideoTest::disc;
QString OpenVideoTest::problem;

// The folder above VIDEO_TS: its titles listed with the longest chosen first; the other one
// chosen, its VOB files indexed with progress shown, and the film shown on the information page.
TEST_F(OpenVideoTest, DvdTitleIsChosenIndexedAndOpened) {
    const QString copy = CopyDisc();
    int preselected = -1;
    int titleCount = 0;
    seam.onModal = [&](QDialog* dialog) {
        auto* titles = dialog->findChild<QTreeWidget*>(QStringLiteral("TreeWidgetTitles"));
        if (titles == nullptr)
            return static_cast<int>(QDialog::Rejected);
        titleCount = titles->topLevelItemCount();
        preselected = titles->indexOfTopLevelItem(titles->currentItem());
        titles->setCurrentItem(titles->topLevelItem(0));
        return Press(dialog, "ButtonIndex");
    };
    PickVideo({copy});
    EXPECT_EQ(titleCount, 2);
    EXPECT_EQ(preselected, 1);

    IndexingProgress* progress = Progress();
    ASSERT_NE(progress, nullptr);
    EXPECT_TRUE(progress->isVisible());
    EXPECT_EQ(progress->windowModality(), Qt::WindowModal);
    int highest = -1;
    QObject::connect(progress->findChild<QProgressBar*>(), &QProgressBar::valueChanged,
                     [&highest](int value) { highest = std::max(highest, value); });
    WaitForIndexing();

    EXPECT_EQ(highest, 100);
    EXPECT_EQ(Progress(), nullptr);
    EXPECT_TRUE(messages.Texts().isEmpty()) << messages.Texts().join(QLatin1Char('\n')).toStdString();
    const QString d2v = copy + QStringLiteral("/VIDEO_TS/VTS_01.d2v");
    ExpectOpen(d2v);
    EXPECT_EQ(window->Project()->InputNumberOfFrames, static_cast<uint32_t>(kShortFrames));
    EXPECT_EQ(Control<QTabWidget>("PageControl1")->currentIndex(), 0);
    EXPECT_TRUE(QFile::exists(copy + QStringLiteral("/VIDEO_TS/VTS_01.ini")));
    EXPECT_FALSE(QFile::exists(copy + QStringLiteral("/VIDEO_TS/VTS_02.d2v")));
}

// A film in two VOB files picked in any order is read in the order of their names.
TEST_F(OpenVideoTest, FilmInPartsIsReadInTheOrderOfItsNames) {
    CopyFilm(QStringLiteral("split_vob"));
    PickVideo(
        {folder.filePath(QStringLiteral("VTS_01_2.VOB")), folder.filePath(QStringLiteral("VTS_01_1.VOB"))});
    WaitForIndexing();
    ExpectOpen(folder.filePath(QStringLiteral("VTS_01.d2v")));
    EXPECT_EQ(window->Project()->InputNumberOfFrames, 400u);
}

// Cancelled before the first read (the button), while reading, and once all is read: nothing is
// written, nothing is said, and the film open before stays open.
TEST_F(OpenVideoTest, CancelLeavesNothingAndTheOpenFilmOpen) {
    const QString first = OpenFirstFilm();
    const QString copy = CopyDisc();
    enum class When { BeforeReading, MidWay, AllRead };
    for (When when : {When::BeforeReading, When::MidWay, When::AllRead}) {
        SCOPED_TRACE(static_cast<int>(when));
        const QStringList before = Tree(folder.path());
        seam.onModal = [](QDialog* dialog) { return Press(dialog, "ButtonIndex"); };
        PickVideo({copy + QStringLiteral("/VIDEO_TS")});
        std::atomic<bool> cancelled{false};
        auto* job = window->VideoOpener()->findChild<IndexingJob*>();
        ASSERT_NE(job, nullptr);
        ASSERT_FALSE(job->isRunning());
        if (when == When::BeforeReading) {
            QTest::mouseClick(Progress()->findChild<QPushButton*>(QStringLiteral("ButtonCancel")),
                              Qt::LeftButton);
            cancelled = job->IsCancelled();
        } else {
            QObject::connect(
                job, &IndexingJob::Progress, job,
                [job, when, &cancelled](quint64 done, quint64 total) {
                    if ((when == When::MidWay && done > 0 && done < total) ||
                        (when == When::AllRead && done == total)) {
                        job->Cancel();
                        cancelled = true;
                    }
                },
                Qt::DirectConnection);
        }
        WaitForIndexing();
        EXPECT_TRUE(cancelled);
        EXPECT_EQ(Tree(folder.path()), before);
        EXPECT_TRUE(messages.Texts().isEmpty()) << messages.Texts().join(QLatin1Char('\n')).toStdString();
        ExpectOpen(first);
    }
}

// The window closed in the middle of an indexing (the program ending): the indexing thread is
// stopped and waited for, and nothing is written.
TEST_F(OpenVideoTest, ClosingTheWindowWhileIndexingWritesNothing) {
    const QString copy = CopyDisc();
    const QStringList before = Tree(folder.path());
    seam.onModal = [](QDialog* dialog) { return Press(dialog, "ButtonIndex"); };
    PickVideo({copy});
    std::atomic<bool> reading{false};
    // Slowed down, so that the window goes while the disc is being read.
    QObject::connect(
        window->VideoOpener()->findChild<IndexingJob*>(), &IndexingJob::Progress, window->VideoOpener(),
        [&reading](quint64, quint64) {
            reading = true;
            QThread::msleep(20);
        },
        Qt::DirectConnection);
    for (int i = 0; i < 1000 && !reading; ++i)
        QTest::qWait(5);
    ASSERT_TRUE(reading);
    window.reset();
    EXPECT_EQ(Tree(folder.path()), before);
}

// Each failure is told in French, naming what is wrong; nothing is written and the film open
// before stays open.
TEST_F(OpenVideoTest, FailuresAreToldAndLeaveNothingBehind) {
    const QString first = OpenFirstFilm();
    const QString copy = CopyDisc();
    const QString scrambledVob = copy + QStringLiteral("/VIDEO_TS/VTS_02_1.VOB");
    const QByteArray vob = ReadBytes(scrambledVob);
    EXPECT_TRUE(WriteBytes(scrambledVob, ScrambledFilm(vob)));
    const QString notMpeg = folder.filePath(QStringLiteral("notes.mpg"));
    EXPECT_TRUE(WriteBytes(notMpeg, QByteArray("Not a film at all.\n").repeated(500)));
    const QString empty = folder.filePath(QStringLiteral("empty.m2v"));
    EXPECT_TRUE(WriteBytes(empty, QByteArray()));
    const QString plainFolder = folder.filePath(QStringLiteral("plain"));
    ASSERT_TRUE(QDir().mkpath(plainFolder));

    const struct {
        QString name;
        QStringList expected; // pieces of the message
    } cases[] = {
        {copy, {QStringLiteral("VTS_02_1.VOB"), QStringLiteral("chiffré")}},
        {notMpeg, {notMpeg, QStringLiteral("n'est pas une vidéo MPEG-1 ou MPEG-2")}},
        {empty, {empty, QStringLiteral("est vide")}},
        {plainFolder, {plainFolder, QStringLiteral("n'est pas un dossier de DVD")}},
    };
    seam.onModal = [](QDialog* dialog) { return Press(dialog, "ButtonIndex"); };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        const QStringList before = Tree(folder.path());
        messages.Clear();
        PickVideo({c.name});
        WaitForIndexing();
        ASSERT_EQ(messages.messages.size(), 1u);
        for (const QString& piece : c.expected)
            EXPECT_TRUE(messages.messages[0].text.contains(piece)) << messages.messages[0].text.toStdString();
        EXPECT_EQ(Tree(folder.path()), before);
        ExpectOpen(first);
    }
}

// A copy cut short inside a packet: the user is told, then the film opens as far as it goes.
TEST_F(OpenVideoTest, FilmCutShortIsToldThenOpened) {
    const QString mpg = folder.filePath(QStringLiteral("cut.mpg"));
    const QByteArray film = ReadBytes(TestDataPath(QStringLiteral("pal_letterbox/film.mpg")));
    EXPECT_TRUE(WriteBytes(mpg, film.left(film.size() / 2 + 1000)));
    PickVideo({mpg});
    WaitForIndexing();
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_TRUE(messages.messages[0].text.contains(mpg)) << messages.messages[0].text.toStdString();
    EXPECT_TRUE(messages.messages[0].text.contains(QStringLiteral("se termine plus tôt")));
    ExpectOpen(folder.filePath(QStringLiteral("cut.d2v")));
    EXPECT_GT(window->Project()->InputNumberOfFrames, 0u);
    EXPECT_LT(window->Project()->InputNumberOfFrames, 360u);
}

// An index of that name already there: used as it is, made again, or nothing done.
TEST_F(OpenVideoTest, ExistingIndexIsUsedOrMadeAgain) {
    const QString d2v = CopyFilm(QStringLiteral("pal_letterbox"));
    const QString mpg = folder.filePath(QStringLiteral("film.mpg"));
    const QDateTime past = QDateTime::currentDateTime().addDays(-1);
    const struct {
        const char* button;
        bool opened;
        bool indexed;
    } cases[] = {
        {"ButtonUseIndex", true, false}, {"ButtonIndexAgain", true, true}, {"ButtonCancel", false, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.button);
        window = NewWindow();
        QFile index(d2v);
        ASSERT_TRUE(index.open(QIODevice::ReadWrite));
        ASSERT_TRUE(index.setFileTime(past, QFileDevice::FileModificationTime));
        index.close();
        QString asked;
        seam.onModal = [&](QDialog* dialog) {
            asked = dialog->objectName();
            return Press(dialog, c.button);
        };
        PickVideo({mpg});
        EXPECT_EQ(asked, QStringLiteral("ExistingIndexQuestion"));
        EXPECT_EQ(window->VideoOpener()->IsIndexing(), c.indexed);
        WaitForIndexing();
        EXPECT_EQ(QFileInfo(d2v).lastModified() > past, c.indexed);
        if (c.opened) {
            ExpectOpen(d2v);
            EXPECT_EQ(window->Project()->InputNumberOfFrames, 360u);
        } else {
            EXPECT_EQ(window->Project(), nullptr);
        }
    }
}

// A folder that takes no new file: the user is told and asked where to write the index.
TEST_F(OpenVideoTest, UnwritableFolderAsksWhereToWriteTheIndex) {
    const QString source = folder.filePath(QStringLiteral("source"));
    const QString readOnly = folder.filePath(QStringLiteral("disc"));
    ASSERT_TRUE(QDir().mkpath(source));
    ASSERT_TRUE(QDir().mkpath(readOnly));
    ASSERT_TRUE(QFile::copy(TestDataPath(QStringLiteral("pal_letterbox/film.mpg")),
                            source + QStringLiteral("/film.mpg")));
    // An ordinary user meets the folder's permissions; root needs read-only media: a bind mount,
    // undone once the window has let go of the film in it.
    struct Unmount {
        std::unique_ptr<TForm1>& window;
        QString at;
        ~Unmount() {
            window.reset();
            if (!at.isEmpty())
                QProcess::execute(QStringLiteral("umount"), {at});
        }
    } unmount{window, QString()};
    if (::geteuid() != 0) {
        ASSERT_TRUE(
            QFile::copy(source + QStringLiteral("/film.mpg"), readOnly + QStringLiteral("/film.mpg")));
        ASSERT_TRUE(QFile::setPermissions(readOnly, QFile::ReadOwner | QFile::ExeOwner));
    } else {
        if (QProcess::execute(QStringLiteral("mount"), {QStringLiteral("--bind"), source, readOnly}) != 0)
            GTEST_SKIP() << "no bind mount here";
        unmount.at = readOnly;
        if (QProcess::execute(QStringLiteral("mount"),
                              {QStringLiteral("-o"), QStringLiteral("remount,bind,ro"), readOnly}) != 0)
            GTEST_SKIP() << "no read-only remount here";
    }
    const QString out = folder.filePath(QStringLiteral("out"));
    ASSERT_TRUE(QDir().mkpath(out));
    seam.saveFileNames.push_back(out + QStringLiteral("/film"));

    PickVideo({readOnly + QStringLiteral("/film.mpg")});
    WaitForIndexing();
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_TRUE(messages.messages[0].text.contains(readOnly)) << messages.messages[0].text.toStdString();
    ASSERT_EQ(seam.saveCalls.size(), 1u);
    EXPECT_EQ(QFileInfo(seam.saveCalls[0].proposal).fileName(), QStringLiteral("film.d2v"));
    ExpectOpen(out + QStringLiteral("/film.d2v"));
    EXPECT_EQ(window->Project()->InputNumberOfFrames, 360u);
    EXPECT_EQ(QDir(readOnly).entryList(QDir::Files), QStringList{QStringLiteral("film.mpg")});
    QFile::setPermissions(readOnly, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

// A film in a folder whose name is not UTF-8 (Latin-1 "été"), as the command line hands it over:
// indexed and opened under that very name.
TEST_F(OpenVideoTest, FilmInAFolderWhoseNameIsNotUtf8) {
    const QByteArray latin1 = QFile::encodeName(folder.path()) + "/\xE9t\xE9/";
    ASSERT_EQ(::mkdir(latin1.constData(), 0755), 0);
    // Qt's own removal does not see such names.
    struct Cleanup {
        std::unique_ptr<TForm1>& window;
        QByteArray folder;
        ~Cleanup() {
            window.reset();
            for (const char* name : {"film.mpg", "film.d2v", "film.ini"})
                ::unlink((folder + name).constData());
            ::rmdir(folder.constData());
        }
    } cleanup{window, latin1};
    QByteArray film;
    ASSERT_TRUE(ReadWholeFile(TestDataPath(QStringLiteral("pal_letterbox/film.mpg")), film));
    ASSERT_TRUE(WriteWholeFile(FileNameFromBytes(latin1 + "film.mpg"), film));

    window->VideoOpener()->Open({FileNameFromBytes(latin1 + "film.mpg")});
    WaitForIndexing();
    EXPECT_TRUE(messages.Texts().isEmpty()) << messages.Texts().join(QLatin1Char('\n')).toStdString();
    ExpectOpen(FileNameFromBytes(latin1 + "film.d2v"));
    EXPECT_EQ(KindOfFile(FileNameFromBytes(latin1 + "film.ini")), FileKind::Regular);
}

// The menu entry again while an indexing runs asks nothing and starts nothing.
TEST_F(OpenVideoTest, SecondOpeningWhileIndexingStartsNothing) {
    const QString copy = CopyDisc();
    seam.onModal = [](QDialog* dialog) { return Press(dialog, "ButtonIndex"); };
    PickVideo({copy});
    ASSERT_TRUE(window->VideoOpener()->IsIndexing());
    PickVideo({copy});
    Control<QAction>("OuvrirVideo1")->trigger();
    EXPECT_EQ(seam.openCalls.size(), 1u);
    EXPECT_EQ(seam.modalDialogs.size(), 1u);
    EXPECT_EQ(window->VideoOpener()->findChildren<IndexingJob*>().size(), 1);
    WaitForIndexing();
    ExpectOpen(copy + QStringLiteral("/VIDEO_TS/VTS_02.d2v"));
    EXPECT_EQ(window->Project()->InputNumberOfFrames, static_cast<uint32_t>(kLongFrames));
}

TEST(IndexingTextsTest, TitleFiguresReadAsPlayersShowThem) {
    EXPECT_EQ(ShortDurationText(6720), QStringLiteral("1 h 52 min"));
    EXPECT_EQ(ShortDurationText(3659), QStringLiteral("1 h 0 min"));
    EXPECT_EQ(ShortDurationText(65), QStringLiteral("1 min 5 s"));
    EXPECT_EQ(ShortDurationText(5), QStringLiteral("5 s"));
    EXPECT_EQ(MegabytesText(4739563520u), QStringLiteral("4520 Mo"));
    EXPECT_EQ(MegabytesText(419430), QStringLiteral("0,4 Mo"));
}

} // namespace
