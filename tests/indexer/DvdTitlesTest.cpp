// A DVD folder authored by Debian's dvdauthor from two generated films (title set 1 short and 4:3,
// title set 2 long and 16:9): its titles, and the long one indexed and decoded.

#include "indexer/DvdTitles.h"
#include "StreamFiles.h"
#include "common/TestFilms.h"
#include "decoder/Mpeg2Source.h"
#include "indexer/Indexing.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using indexer::DisplayShape;
using indexer::DvdFailure;

constexpr int kShortFrames = 48;
constexpr int kLongFrames = 120;

class DvdFolderTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        root = new QTemporaryDir;
        QString log;
        if (MakeTestDvd(root->path(), {{kShortFrames, false, 2}, {kLongFrames, true, 4}}, log).isEmpty())
            problem = log.toStdString();
    }
    static void TearDownTestSuite() {
        delete root;
        root = nullptr;
    }
    void SetUp() override { ASSERT_TRUE(problem.empty()) << problem; }

    static QString Disc() { return root->filePath(QStringLiteral("disc")); }
    static QString VideoTs() { return Disc() + QStringLiteral("/VIDEO_TS"); }
    // A copy of the VIDEO_TS folder to damage.
    static QString CopyVideoTs(const QTemporaryDir& into) {
        const QString copy = into.filePath(QStringLiteral("VIDEO_TS"));
        QDir().mkpath(copy);
        for (const QString& name : Entries(VideoTs()))
            QFile::copy(VideoTs() + QLatin1Char('/') + name, copy + QLatin1Char('/') + name);
        return copy;
    }

    static QTemporaryDir* root;
    static std::string problem;
};

QTemporaryDir* DvdFolderTest::root = nullptr;
std::string DvdFolderTest::problem;

TEST_F(DvdFolderTest, TitlesAreListedFromTheFolderTheFolderAboveOrTheIfo) {
    for (const QString& path : {VideoTs(), Disc(), VideoTs() + QStringLiteral("/VIDEO_TS.IFO")}) {
        SCOPED_TRACE(path.toStdString());
        const indexer::DvdListing dvd = indexer::ListDvdTitles(path.toStdString());
        ASSERT_EQ(dvd.failure, DvdFailure::None);
        EXPECT_EQ(QFileInfo(QString::fromStdString(dvd.videoTsFolder)).canonicalFilePath(),
                  QFileInfo(VideoTs()).canonicalFilePath());
        ASSERT_EQ(dvd.titles.size(), 2u);
        EXPECT_EQ(dvd.Longest(), 1);
        const struct {
            int frames, chapters;
            DisplayShape shape;
        } expected[2] = {{kShortFrames, 2, DisplayShape::FourThree}, {kLongFrames, 4, DisplayShape::Wide}};
        for (int t = 0; t < 2; ++t) {
            const indexer::DvdTitle& title = dvd.titles[static_cast<size_t>(t)];
            EXPECT_EQ(title.number, t + 1);
            EXPECT_EQ(title.titleSet, t + 1);
            EXPECT_EQ(title.durationMs, expected[t].frames * 40);
            EXPECT_EQ(title.chapters, expected[t].chapters);
            EXPECT_EQ(title.shape, expected[t].shape);
            const QString vob = VideoTs() + QStringLiteral("/VTS_0%1_1.VOB").arg(t + 1);
            ASSERT_EQ(title.vobFiles.size(), 1u);
            EXPECT_EQ(QFileInfo(QString::fromStdString(title.vobFiles[0])).canonicalFilePath(),
                      QFileInfo(vob).canonicalFilePath());
            EXPECT_EQ(title.bytes, static_cast<uint64_t>(QFileInfo(vob).size()));
        }
    }
}

// The longest title, indexed beside its VOB files, decodes to its film's numbered pictures.
TEST_F(DvdFolderTest, LongestTitleIndexesAndDecodesFrameExact) {
    QTemporaryDir work;
    ASSERT_TRUE(work.isValid());
    const QString copy = CopyVideoTs(work);
    const indexer::DvdListing dvd = indexer::ListDvdTitles(copy.toStdString());
    ASSERT_EQ(dvd.failure, DvdFailure::None);
    const indexer::DvdTitle& title = dvd.titles[static_cast<size_t>(dvd.Longest())];
    const std::string d2v = indexer::DefaultIndexPath(title.vobFiles);
    EXPECT_EQ(QFileInfo(QString::fromStdString(d2v)).fileName(), QStringLiteral("VTS_02.d2v"));
    const indexer::IndexResult result = indexer::IndexFilm({title.vobFiles, d2v});
    ASSERT_TRUE(result.Ok());
    EXPECT_TRUE(result.warnings.empty());

    d2v::Mpeg2Source source;
    ASSERT_TRUE(source.Open(d2v)) << source.LastError();
    ASSERT_EQ(source.FrameCount(), kLongFrames);
    for (int frame : {0, 1, 59, kLongFrames - 1}) {
        const uint8_t* bgr = source.RgbFrame(frame);
        ASSERT_NE(bgr, nullptr) << source.LastError();
        EXPECT_EQ(source.LastDamage(), "");
        const QImage image =
            QImage(bgr, source.Width(), source.Height(), source.Width() * 3, QImage::Format_BGR888);
        EXPECT_EQ(ReadPictureNumber(image), frame);
    }
}

// A title set cut in three files, the second one lost: the title still lists it, and indexing
// names it.
TEST_F(DvdFolderTest, MissingMiddleVobIsListedAndNamedByIndexing) {
    QTemporaryDir work;
    ASSERT_TRUE(work.isValid());
    const QString copy = CopyVideoTs(work);
    const QByteArray vob = ReadBytes(copy + QStringLiteral("/VTS_02_1.VOB"));
    const qsizetype third = vob.size() / 2048 / 3 * 2048;
    ASSERT_GT(third, 0);
    ASSERT_TRUE(WriteBytes(copy + QStringLiteral("/VTS_02_1.VOB"), vob.left(third)));
    ASSERT_TRUE(WriteBytes(copy + QStringLiteral("/vts_02_3.vob"), vob.mid(2 * third)));
    const indexer::DvdListing dvd = indexer::ListDvdTitles(copy.toStdString());
    ASSERT_EQ(dvd.failure, DvdFailure::None);
    const indexer::DvdTitle& title = dvd.titles[1];
    ASSERT_EQ(title.vobFiles.size(), 3u);
    EXPECT_EQ(QFileInfo(QString::fromStdString(title.vobFiles[1])).fileName(),
              QStringLiteral("VTS_02_2.VOB"));
    EXPECT_EQ(QFileInfo(QString::fromStdString(title.vobFiles[2])).fileName(),
              QStringLiteral("vts_02_3.vob"));
    EXPECT_EQ(title.bytes, static_cast<uint64_t>(third + vob.size() - 2 * third));

    const std::string d2v = indexer::DefaultIndexPath(title.vobFiles);
    const indexer::IndexResult result = indexer::IndexFilm({title.vobFiles, d2v});
    EXPECT_EQ(result.failure, indexer::IndexFailure::InputMissing);
    EXPECT_EQ(result.file, 1);
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(d2v)));
}

TEST_F(DvdFolderTest, FoldersThatAreNoDvdAreTold) {
    QTemporaryDir work;
    ASSERT_TRUE(work.isValid());
    // No VIDEO_TS anywhere.
    ASSERT_TRUE(WriteBytes(work.filePath(QStringLiteral("film.mpg")), "x"));
    EXPECT_EQ(indexer::ListDvdTitles(work.path().toStdString()).failure, DvdFailure::NotADvdFolder);
    EXPECT_EQ(indexer::ListDvdTitles(work.filePath(QStringLiteral("film.mpg")).toStdString()).failure,
              DvdFailure::NotADvdFolder);

    // The VOB files without their IFO files.
    const QString copy = CopyVideoTs(work);
    for (const QString& name : Entries(copy))
        if (!name.endsWith(QStringLiteral(".VOB")))
            QFile::remove(copy + QLatin1Char('/') + name);
    EXPECT_EQ(indexer::ListDvdTitles(work.path().toStdString()).failure, DvdFailure::NoIfoFiles);

    // IFO files listing no title.
    QTemporaryDir other;
    ASSERT_TRUE(other.isValid());
    const QString empty = CopyVideoTs(other);
    for (const QString& name : {QStringLiteral("VIDEO_TS.IFO"), QStringLiteral("VIDEO_TS.BUP")}) {
        QByteArray ifo = ReadBytes(empty + QLatin1Char('/') + name);
        ASSERT_GT(ifo.size(), 0xC8);
        // The title search table's sector, then its title count.
        const qsizetype table =
            (static_cast<uint8_t>(ifo[0xC6]) << 8 | static_cast<uint8_t>(ifo[0xC7])) * 2048;
        ASSERT_LT(table + 2, ifo.size());
        ifo[table] = ifo[table + 1] = 0;
        ASSERT_TRUE(WriteBytes(empty + QLatin1Char('/') + name, ifo));
    }
    EXPECT_EQ(indexer::ListDvdTitles(empty.toStdString()).failure, DvdFailure::NoTitle);

    // IFO files that are not IFO files.
    for (const QString& name : {QStringLiteral("VIDEO_TS.IFO"), QStringLiteral("VIDEO_TS.BUP")})
        ASSERT_TRUE(WriteBytes(empty + QLatin1Char('/') + name, QByteArray(6144, '\x11')));
    EXPECT_EQ(indexer::ListDvdTitles(empty.toStdString()).failure, DvdFailure::UnreadableIfo);
}

} // namespace
