// A damaged stream is told to the user once per opening, whatever is then drawn from it; an intact
// one never.
#include "common/RecordingMessageSink.h"
#include "common/TestPaths.h"
#include "model/TD2VFullProject.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <random>

namespace {

// pal_letterbox with its bytes damaged from the GOP of frames 178-189 on (it starts at byte
// 2314254); the earlier frames are intact.
QString DamagedFilm(const QTemporaryDir& dir) {
    QFile source(TestDataPath(QStringLiteral("pal_letterbox/film.mpg")));
    if (!source.open(QIODevice::ReadOnly))
        return {};
    QByteArray stream = source.readAll();
    std::mt19937 random(3);
    for (int k = 0; k < 300; ++k) {
        const auto at = 2314254 + 4096 + static_cast<qsizetype>(random() % 200000u);
        stream[at] = static_cast<char>(stream[at] ^ (1 << (k % 8)));
    }
    QFile damaged(dir.filePath(QStringLiteral("film.mpg")));
    if (!damaged.open(QIODevice::WriteOnly) || damaged.write(stream) != stream.size())
        return {};
    damaged.close();
    const QString d2v = dir.filePath(QStringLiteral("film.d2v"));
    return QFile::copy(TestDataPath(QStringLiteral("pal_letterbox/film.d2v")), d2v) ? d2v : QString();
}

TEST(StreamDamage, ToldOnceAtTheFirstDamagedFrameAndAgainAfterReopening) {
    RecordingMessageSink sink;
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString d2v = DamagedFilm(dir);
    ASSERT_FALSE(d2v.isEmpty());
    TD2VFullProject project;
    ASSERT_TRUE(project.Open(d2v)) << sink.Texts().join(QLatin1Char('|')).toStdString();
    QImage canvas(720, 576, QImage::Format_RGB32);
    for (int n = 0; n < 178; ++n)
        ASSERT_TRUE(project.ShowFrame(n, canvas, Qt::black)) << n;
    EXPECT_TRUE(sink.messages.empty()) << sink.Texts().join(QLatin1Char('|')).toStdString();

    int firstTold = -1;
    for (int n = 178; n < 360; ++n) {
        ASSERT_TRUE(project.ShowFrame(n, canvas, Qt::black)) << n;
        if (firstTold < 0 && !sink.messages.empty())
            firstTold = n;
    }
    ASSERT_EQ(sink.messages.size(), 1u) << sink.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(sink.messages[0].text.startsWith(
        QStringLiteral("Le flux vidéo du fichier « %1 » est endommagé à l'image %2 (")
            .arg(d2v)
            .arg(firstTold)))
        << sink.messages[0].text.toStdString();
    EXPECT_LT(firstTold, 190);
    // The frames keep coming: every one is drawn, none told again, on any page's way of asking.
    for (int n = 359; n >= 178; n -= 5)
        ASSERT_TRUE(project.ShowFrame(n, canvas, Qt::black)) << n;
    EXPECT_EQ(sink.messages.size(), 1u);

    // A new opening of the film is a new session for the user: told again, once.
    sink.Clear();
    ASSERT_TRUE(project.Open(d2v));
    for (int n = 178; n < 200; ++n)
        ASSERT_TRUE(project.ShowFrame(n, canvas, Qt::black)) << n;
    EXPECT_EQ(sink.messages.size(), 1u) << sink.Texts().join(QLatin1Char('|')).toStdString();
}

TEST(StreamDamage, IntactFilmIsNeverReported) {
    RecordingMessageSink sink;
    TD2VFullProject project;
    ASSERT_TRUE(project.Open(TestDataPath(QStringLiteral("ntsc_interlaced/film.d2v"))));
    QImage canvas(720, 480, QImage::Format_RGB32);
    for (int n = 0; n < static_cast<int>(project.InputNumberOfFrames); n += 2)
        ASSERT_TRUE(project.ShowFrame(n, canvas, Qt::black)) << n;
    ASSERT_TRUE(project.AutoCrop());
    EXPECT_TRUE(sink.messages.empty()) << sink.Texts().join(QLatin1Char('|')).toStdString();
}

} // namespace
