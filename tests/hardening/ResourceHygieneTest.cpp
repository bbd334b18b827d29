// Opening film after film in one process, as a user working through a box set does: every
// project destroyed must give back its memory, its files and the decoder library.
#include "ProcessResources.h"

#include "common/RecordingMessageSink.h"
#include "common/TestFiles.h"
#include "common/TestPaths.h"
#include "model/DecoderLibrary.h"
#include "model/TD2VFullProject.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
#include <iterator>
#include <memory>

namespace {

constexpr int kFilms = 100;
// Growth of the heap over the whole run that still counts as allocator noise. A decoder or frame
// bitmap left behind costs more than this on a single 720x576 film, and the sanitizer build's
// leak check catches anything smaller.
constexpr size_t kHeapSlack = 1024 * 1024;

QString LetterboxFilm() {
    return TestDataPath(QStringLiteral("pal_letterbox/film.d2v"));
}

bool CopyPrefix(const QString& from, const QString& to, qint64 bytes) {
    QFile in(from);
    QFile out(to);
    if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly))
        return false;
    const QByteArray data = bytes < 0 ? in.readAll() : in.read(bytes);
    return out.write(data) == data.size();
}

class ResourceHygieneTest : public ::testing::Test {
protected:
    // Runs `once` kFilms times after two warm-up runs (the first load of a library fills caches
    // for good), then checks that files, memory and the decoder library were all given back.
    void ExpectNothingLeftBehind(const std::function<void(int)>& once) {
        once(-2);
        once(-1);
        const QStringList descriptors = ProcessResources::OpenFileDescriptors();
        const size_t heap = ProcessResources::HeapInUse();
        for (int i = 0; i < kFilms; ++i) {
            once(i);
            if (::testing::Test::HasFatalFailure())
                return;
        }
        EXPECT_EQ(ProcessResources::OpenFileDescriptors(), descriptors);
        const size_t after = ProcessResources::HeapInUse();
        EXPECT_LE(after, heap + kHeapSlack)
            << "the heap grew by " << (after - heap) << " bytes over " << kFilms << " films";
    }

    RecordingMessageSink sink;
};

TEST_F(ResourceHygieneTest, HundredFilmsOpenedSteppedAndDestroyed) {
    ExpectNothingLeftBehind([this](int i) {
        auto project = std::make_unique<TD2VFullProject>();
        ASSERT_TRUE(project->Open(LetterboxFilm())) << sink.Texts().join(QLatin1Char('\n')).toStdString();
        ASSERT_EQ(project->InputNumberOfFrames, 360u);
        // A frame elsewhere in the film, so that every project holds decoded pictures when it goes.
        const int32_t frame = i < 0 ? 359 : (i * 37) % 360;
        QImage canvas(720, 576, QImage::Format_RGB32);
        EXPECT_TRUE(project->ShowFrame(frame, canvas, Qt::black));
        project.reset();
        EXPECT_TRUE(sink.messages.empty()) << sink.Texts().join(QLatin1Char('\n')).toStdString();
    });
}

// Destroying the project must unload the decoder library, not merely drop the handle: a library
// that stays in memory keeps its state and its own allocations from one film to the next.
TEST_F(ResourceHygieneTest, DecoderLibraryLeavesTheProcessWithItsProject) {
    const QString library = BinDir() + QLatin1Char('/') + DecoderLibraryFileName;
    const int unique = ProcessResources::UniqueSymbolCount(library);
    ASSERT_GE(unique, 0) << library.toStdString();
    if (unique > 0)
        GTEST_SKIP() << library.toStdString() << " has " << unique
                     << " STB_GNU_UNIQUE symbols, which make the dynamic loader keep it loaded for good; "
                        "build it with -fno-gnu-unique";
    for (int i = 0; i < 3; ++i) {
        {
            TD2VFullProject project;
            ASSERT_TRUE(project.Open(LetterboxFilm()));
            EXPECT_TRUE(ProcessResources::IsMapped(library));
        }
        EXPECT_FALSE(ProcessResources::IsMapped(library)) << "still loaded after project " << i;
    }
    EXPECT_TRUE(sink.messages.empty()) << sink.Texts().join(QLatin1Char('\n')).toStdString();
}

// The failure paths must let go of everything too: each refusal is told once and leaves no
// decoder, file or library open.
TEST_F(ResourceHygieneTest, HundredRefusedFilmsLeaveNothingOpen) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString missingStream = dir.filePath(QStringLiteral("missing/film.d2v"));
    const QString garbage = dir.filePath(QStringLiteral("garbage.d2v"));
    const QString truncatedIndex = dir.filePath(QStringLiteral("truncated/film.d2v"));
    const QString emptyStream = dir.filePath(QStringLiteral("empty/film.d2v"));
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("missing")));
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("truncated")));
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("empty")));
    ASSERT_TRUE(CopyPrefix(LetterboxFilm(), missingStream, -1));
    ASSERT_TRUE(WriteBytes(garbage, QByteArray("\x7f"
                                               "ELF\x02\x01\x01\0\0\0garbage\xff\xfe",
                                               20)));
    ASSERT_TRUE(CopyPrefix(LetterboxFilm(), truncatedIndex, 400));
    ASSERT_TRUE(CopyPrefix(TestDataPath(QStringLiteral("pal_letterbox/film.mpg")),
                           dir.filePath(QStringLiteral("truncated/film.mpg")), -1));
    ASSERT_TRUE(CopyPrefix(LetterboxFilm(), emptyStream, -1));
    ASSERT_TRUE(WriteBytes(dir.filePath(QStringLiteral("empty/film.mpg")), QByteArray()));
    const QString cases[] = {missingStream, garbage, truncatedIndex, emptyStream};

    ExpectNothingLeftBehind([&](int i) {
        const QString& film = cases[static_cast<size_t>(i + 2) % std::size(cases)];
        sink.Clear();
        {
            TD2VFullProject project;
            EXPECT_FALSE(project.Open(film)) << film.toStdString();
            EXPECT_EQ(project.VideoInfo, nullptr);
            EXPECT_TRUE(project.FrameBitmap.isNull());
        }
        EXPECT_EQ(sink.messages.size(), 1u)
            << film.toStdString() << ": " << sink.Texts().join(QLatin1Char('\n')).toStdString();
        sink.Clear();
    });
}

// The probes must see what they are there to see, or the checks above prove nothing.
TEST(ProcessResourcesTest, SeeAnOpenFileAndAHeldBlock) {
    const QStringList before = ProcessResources::OpenFileDescriptors();
    const size_t heap = ProcessResources::HeapInUse();
    QFile film(LetterboxFilm());
    ASSERT_TRUE(film.open(QIODevice::ReadOnly));
    auto block = std::make_unique<char[]>(2 * kHeapSlack);
    block[0] = 1;
    const QStringList during = ProcessResources::OpenFileDescriptors();
    EXPECT_EQ(during.size(), before.size() + 1);
    EXPECT_TRUE(during.filter(QStringLiteral("pal_letterbox/film.d2v")).size() == 1)
        << during.join(' ').toStdString();
    EXPECT_GE(ProcessResources::HeapInUse(), heap + 2 * kHeapSlack);
    film.close();
    block.reset();
    EXPECT_EQ(ProcessResources::OpenFileDescriptors(), before);
    EXPECT_TRUE(ProcessResources::IsMapped(QStringLiteral("libQt6Core")));
    EXPECT_FALSE(ProcessResources::IsMapped(QStringLiteral("no-such-library-here")));
}

} // namespace
