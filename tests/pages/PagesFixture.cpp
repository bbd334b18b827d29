#include "PagesFixture.h"

#include "common/TestFiles.h"
#include "model/DecoderLibrary.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLibrary>
#include <QTabBar>
#include <QTest>

QString LongFilm(int rateNumerator, int rateDenominator, int frames) {
    // Kept in the build tree between runs: each test process would otherwise encode them again.
    const QDir films(BinDir() + QStringLiteral("/../test-films"));
    const QString name = QStringLiteral("long_%1_%2_%3").arg(rateNumerator).arg(rateDenominator).arg(frames);
    const QString stream = name + QStringLiteral(".mpg");
    const QString d2v = name + QStringLiteral(".d2v");
    // The index is moved in last, so a present index means a complete film.
    if (QFile::exists(films.filePath(d2v)))
        return films.filePath(d2v);
    if (!films.mkpath(QStringLiteral(".")))
        return {};
    // Made aside, then moved in: processes running side by side never see half a film.
    QTemporaryDir work(films.filePath(QStringLiteral("making-XXXXXX")));
    // A small picture keeps the encode short; the frame count and rate are what matter here.
    QString log;
    const bool ok =
        RunProgram(QStringLiteral("ffmpeg"),
                   {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-y"), QStringLiteral("-f"),
                    QStringLiteral("lavfi"), QStringLiteral("-i"),
                    QStringLiteral("testsrc=size=352x288:rate=%1/%2").arg(rateNumerator).arg(rateDenominator),
                    QStringLiteral("-frames:v"), QString::number(frames), QStringLiteral("-c:v"),
                    QStringLiteral("mpeg2video"), QStringLiteral("-g"), QStringLiteral("12"),
                    QStringLiteral("-b:v"), QStringLiteral("600k"), QStringLiteral("-f"),
                    QStringLiteral("dvd"), stream},
                   work.path(), log) &&
        RunProgram(BinDir() + QStringLiteral("/d2vindex"), {QStringLiteral("-o"), d2v, stream}, work.path(),
                   log);
    if (!ok)
        return {};
    QFile::rename(work.filePath(stream), films.filePath(stream));
    QFile::rename(work.filePath(d2v), films.filePath(d2v));
    return QFile::exists(films.filePath(d2v)) ? films.filePath(d2v) : QString();
}

void PagesTest::TearDown() {
    window.reset();
    if (usesFake)
        DecoderLibraryFileName = savedLibrary;
}

QString PagesTest::CopyFilm(const QString& film) {
    const QDir source(TestDataPath(film));
    // A film copied over another one replaces it, settings files included.
    for (const QString& name : QDir(folder.path()).entryList({QStringLiteral("*.ini")}, QDir::Files))
        QFile::remove(folder.filePath(name));
    for (const QString& name :
         source.entryList({QStringLiteral("*.d2v"), QStringLiteral("*.mpg")}, QDir::Files)) {
        QFile::remove(folder.filePath(name));
        EXPECT_TRUE(QFile::copy(source.filePath(name), folder.filePath(name))) << name.toStdString();
    }
    return folder.filePath(QStringLiteral("film.d2v"));
}

QString PagesTest::CopyGeneratedFilm(const QString& d2v) {
    const QFileInfo info(d2v);
    const QString stream = info.completeBaseName() + QStringLiteral(".mpg");
    EXPECT_TRUE(QFile::copy(d2v, folder.filePath(info.fileName())));
    EXPECT_TRUE(QFile::copy(info.dir().filePath(stream), folder.filePath(stream)));
    return folder.filePath(info.fileName());
}

QString PagesTest::FakeFilm(const QString& description) {
    if (!usesFake) {
        savedLibrary = DecoderLibraryFileName;
        usesFake = true;
    }
    DecoderLibraryFileName = QStringLiteral("libfakedecoder.so");
    const QString path = folder.filePath(QStringLiteral("fake.d2v"));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(description.toUtf8());
    return path;
}

QString PagesTest::FakeRequests() {
    QLibrary library(BinDir() + QStringLiteral("/libfakedecoder.so"));
    using Requests = const char* (*)();
    auto requests = reinterpret_cast<Requests>(library.resolve("fakeDecoderRequests"));
    return requests != nullptr ? QString::fromUtf8(requests()) : QStringLiteral("<no stand-in>");
}

void PagesTest::Open(const QString& d2v) {
    if (!window) {
        window = std::make_unique<TForm1>();
        window->show();
        QApplication::setActiveWindow(window.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }
    seam.openFileNames.push_back(d2v);
    Control<QAction>(*window, "Ouvrir1")->trigger();
    ASSERT_TRUE(window->Project()) << messages.Texts().join(QLatin1Char('\n')).toStdString();
    Settle();
}

void PagesTest::Activate(Page page) {
    QTabBar* tabs = Control<QTabWidget>(*window, "PageControl1")->tabBar();
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(page).center());
    ASSERT_EQ(Control<QTabWidget>(*window, "PageControl1")->currentIndex(), static_cast<int>(page));
    Settle();
}

void PagesTest::Settle() {
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

void PagesTest::Type(QLineEdit* box, const QString& text) {
    box->setFocus(Qt::TabFocusReason);
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Backspace);
    QTest::keyClicks(box, text);
}

void PagesTest::PressEnter(QLineEdit* box) {
    QTest::keyClick(box, Qt::Key_Return);
    Settle();
}

void PagesTest::Leave(QLineEdit* box) {
    ASSERT_TRUE(box->hasFocus());
    Control<QTabWidget>(*window, "PageControl1")->tabBar()->setFocus(Qt::TabFocusReason);
    Settle();
}

void PagesTest::Click(const char* buttonName) {
    QTest::mouseClick(Find<QPushButton>(buttonName), Qt::LeftButton);
    Settle();
}

void PagesTest::Pick(QComboBox* list, int index) {
    list->setCurrentIndex(index);
    emit list->activated(index);
    Settle();
}
