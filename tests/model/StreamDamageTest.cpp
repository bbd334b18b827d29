// A damaged stream is told to the user once per opening, whatever is then drawn from it; an intact
// one never.
#include "common/DamagedFilm.h"
#include "common/RecordingMessageSink.h"
#include "common/TestPaths.h"
#include "model/TD2VFullProject.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TEST(StreamDamage, ToldOnceAtTheFirstDamagedFrameAndAgainAfterReopening) {
    RecordingMessageSink sink;
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString d2v = MakeDamagedFilm(dir.path());
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
