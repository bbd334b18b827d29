// Indexing as the program runs it: progress, cancelling, and every failure leaving the destination
// folder as it was (no new index, no temporary file, an earlier index untouched).

#include "indexer/Indexing.h"
#include "StreamFiles.h"
#include "common/SmallDisk.h"
#include "common/TestFilms.h"
#include "decoder/D2VFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <cerrno>
#include <functional>
#include <gtest/gtest.h>
#include <ostream>

namespace {

using indexer::IndexFailure;

const QByteArray kEarlierIndex("DGIndexProjectFile16\nan earlier index\n");

class IndexingTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        film = ReadBytes(PalFilmPath());
        ASSERT_FALSE(film.isEmpty());
    }
    QString Path(const QString& name) const { return dir.filePath(name); }
    // An index of the destination's name from an earlier run, and the folder's names with it.
    void PutEarlierIndex(const QString& d2v) {
        ASSERT_TRUE(WriteBytes(d2v, kEarlierIndex));
        before = Entries(QFileInfo(d2v).path());
    }
    void ExpectUntouched(const QString& d2v) const {
        EXPECT_EQ(ReadBytes(d2v), kEarlierIndex);
        EXPECT_EQ(Entries(QFileInfo(d2v).path()), before);
    }

    QTemporaryDir dir;
    QByteArray film;
    QStringList before;
};

struct CancelCase {
    const char* name;
    double at; // share of the stream read when the cancel comes; 0: before starting
};

void PrintTo(const CancelCase& c, std::ostream* os) {
    *os << c.name;
}

class CancelTest : public IndexingTest, public ::testing::WithParamInterface<CancelCase> {};

TEST_P(CancelTest, LeavesNothingBehind) {
    const QString d2v = Path(QStringLiteral("film.d2v"));
    PutEarlierIndex(d2v);
    std::atomic<bool> cancel{GetParam().at == 0};
    uint64_t lastDone = 0;
    int calls = 0;
    indexer::IndexControl control;
    control.cancel = &cancel;
    control.progress = [&](uint64_t done, uint64_t total) {
        EXPECT_GE(done, lastDone);
        EXPECT_LE(done, total);
        lastDone = done;
        ++calls;
        if (static_cast<double>(done) >= GetParam().at * static_cast<double>(total))
            cancel = true;
    };
    const indexer::IndexResult result =
        indexer::IndexFilm({{PalFilmPath().toStdString()}, d2v.toStdString()}, control);
    EXPECT_EQ(result.failure, IndexFailure::Cancelled);
    EXPECT_EQ(calls > 0, GetParam().at > 0);
    ExpectUntouched(d2v);
}

INSTANTIATE_TEST_SUITE_P(Points, CancelTest,
                         ::testing::Values(CancelCase{"at_0", 0}, CancelCase{"midway", 0.5},
                                           CancelCase{"at_99", 0.99}),
                         [](const auto& p) { return std::string(p.param.name); });

TEST_F(IndexingTest, ProgressGoesToTheEndAndTheIndexReplacesTheEarlierOne) {
    const QString d2v = Path(QStringLiteral("film.d2v"));
    PutEarlierIndex(d2v);
    std::vector<uint64_t> done;
    indexer::IndexControl control;
    control.progress = [&](uint64_t d, uint64_t) { done.push_back(d); };
    const indexer::IndexResult result =
        indexer::IndexFilm({{PalFilmPath().toStdString()}, d2v.toStdString()}, control);
    ASSERT_TRUE(result.Ok());
    EXPECT_TRUE(result.warnings.empty());
    EXPECT_EQ(result.pictures, 360);
    ASSERT_GT(done.size(), 10u);
    EXPECT_EQ(done.back(), static_cast<uint64_t>(film.size()));
    d2v::D2VFile index;
    std::string error;
    ASSERT_TRUE(d2v::ReadD2VFile(d2v.toStdString(), index, error)) << error;
    EXPECT_EQ(index.flags.size(), 360u);
    EXPECT_EQ(static_cast<int>(index.lines.size()), result.lines);
    EXPECT_EQ(Entries(dir.path()), before);
}

// Each failure is told by its code and the file concerned, and nothing is written.
struct FailureCase {
    const char* name;
    // Makes the inputs in the folder; returns them and where the index goes.
    std::function<std::vector<std::string>(const QString& dir, const QByteArray& film, QString& d2v)> make;
    IndexFailure failure;
    int file;
    int systemError;
};

void PrintTo(const FailureCase& c, std::ostream* os) {
    *os << c.name;
}

class FailureTest : public IndexingTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(FailureTest, IsReportedAndNothingIsWritten) {
    const FailureCase& c = GetParam();
    QString d2v = Path(QStringLiteral("film.d2v"));
    const std::vector<std::string> inputs = c.make(dir.path(), film, d2v);
    ASSERT_FALSE(inputs.empty());
    const bool destinationExists = QFileInfo(d2v).dir().exists();
    if (destinationExists)
        PutEarlierIndex(d2v);
    const indexer::IndexResult result = indexer::IndexFilm({inputs, d2v.toStdString()});
    EXPECT_EQ(result.failure, c.failure);
    EXPECT_EQ(result.file, c.file);
    if (c.systemError) {
        EXPECT_EQ(result.systemError, c.systemError);
    }
    if (destinationExists) {
        ExpectUntouched(d2v);
    } else {
        EXPECT_FALSE(QFileInfo::exists(d2v));
    }
}

std::vector<std::string> One(const QString& path, const QByteArray& bytes) {
    return WriteBytes(path, bytes) ? std::vector<std::string>{path.toStdString()}
                                   : std::vector<std::string>{};
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FailureTest,
    ::testing::Values(FailureCase{"not_mpeg",
                                  [](const QString& d, const QByteArray&, QString&) {
                                      return One(d + QStringLiteral("/notes.mpg"),
                                                 QByteArray("Not a film at all.\n").repeated(500));
                                  },
                                  IndexFailure::NotMpeg, 0, 0},
                      FailureCase{"empty",
                                  [](const QString& d, const QByteArray&, QString&) {
                                      return One(d + QStringLiteral("/film.mpg"), QByteArray(""));
                                  },
                                  IndexFailure::InputEmpty, 0, 0},
                      FailureCase{"middle_vob_missing",
                                  [](const QString& d, const QByteArray& film, QString&) {
                                      std::vector<std::string> vobs;
                                      for (int part = 1; part <= 3; ++part) {
                                          const QString vob = d + QStringLiteral("/VTS_01_%1.VOB").arg(part);
                                          if (part != 2 && !WriteBytes(vob, film.mid((part - 1) * 1024 * 1024,
                                                                                     1024 * 1024)))
                                              return std::vector<std::string>{};
                                          vobs.push_back(vob.toStdString());
                                      }
                                      return vobs;
                                  },
                                  IndexFailure::InputMissing, 1, ENOENT},
                      FailureCase{"scrambled",
                                  [](const QString& d, const QByteArray& film, QString&) {
                                      return One(d + QStringLiteral("/VTS_01_1.VOB"), ScrambledFilm(film));
                                  },
                                  IndexFailure::Scrambled, 0, 0},
                      // A path through a regular file cannot be written, whoever runs the test.
                      FailureCase{"destination_through_a_file",
                                  [](const QString& d, const QByteArray& film, QString& d2v) {
                                      d2v = d + QStringLiteral("/film.mpg/film.d2v");
                                      return One(d + QStringLiteral("/film.mpg"), film);
                                  },
                                  IndexFailure::OutputUnwritable, -1, ENOTDIR},
                      FailureCase{"destination_is_the_input",
                                  [](const QString& d, const QByteArray& film, QString& d2v) {
                                      d2v = d + QStringLiteral("/film.mpg");
                                      return One(d2v, film);
                                  },
                                  IndexFailure::OutputIsInput, 0, 0}),
    [](const auto& p) { return std::string(p.param.name); });

// The scrambled packet is located, so the message can say where.
TEST_F(IndexingTest, ScrambledPacketIsLocated) {
    const QString vob = Path(QStringLiteral("VTS_01_1.VOB"));
    ASSERT_TRUE(WriteBytes(vob, ScrambledFilm(film)));
    const indexer::IndexResult result =
        indexer::IndexFilm({{vob.toStdString()}, Path(QStringLiteral("VTS_01.d2v")).toStdString()});
    EXPECT_EQ(result.failure, IndexFailure::Scrambled);
    EXPECT_EQ(result.offset, film.indexOf(QByteArray("\x00\x00\x01\xe0", 4)));
}

// A last VOB cut inside a packet is indexed as far as it goes, with a warning.
TEST_F(IndexingTest, TruncatedLastVobIsIndexedWithAWarning) {
    const std::vector<std::string> vobs =
        WritePieces(dir.path(), film.left(film.size() * 3 / 4 + 777), {film.size() / 2});
    ASSERT_EQ(vobs.size(), 2u);
    const QString d2v = Path(QStringLiteral("film.d2v"));
    const indexer::IndexResult result = indexer::IndexFilm({vobs, d2v.toStdString()});
    ASSERT_TRUE(result.Ok());
    ASSERT_EQ(result.warnings.size(), 1u);
    EXPECT_EQ(result.warnings[0].code, indexer::IndexWarning::FilmEndsEarly);
    EXPECT_EQ(result.warnings[0].file, 1);
    EXPECT_GT(result.pictures, 200);
    EXPECT_LT(result.pictures, 300);
    EXPECT_TRUE(QFileInfo(d2v).isFile());
}

// A file that shrinks while it is read (the read comes short of the size it had) fails the run.
TEST_F(IndexingTest, InputShrinkingWhileReadIsAReadFailure) {
    const QString input = Path(QStringLiteral("film.mpg"));
    ASSERT_TRUE(WriteBytes(input, film));
    const QString d2v = Path(QStringLiteral("film.d2v"));
    PutEarlierIndex(d2v);
    before = Entries(dir.path());
    indexer::IndexControl control;
    control.progress = [&](uint64_t, uint64_t) { QFile(input).resize(film.size() / 2); };
    const indexer::IndexResult result =
        indexer::IndexFilm({{input.toStdString()}, d2v.toStdString()}, control);
    EXPECT_EQ(result.failure, IndexFailure::InputChanged);
    EXPECT_EQ(result.file, 0);
    EXPECT_EQ(result.offset, film.size() / 2);
    ExpectUntouched(d2v);
}

// A full disk while the index is written. Needs a small file system of its own: a tmpfs mounted
// for the test, where the system allows it.
TEST_F(IndexingTest, FullDiskWhileWritingLeavesTheEarlierIndex) {
    const QString mountPoint = Path(QStringLiteral("small"));
    const SmallDisk small(mountPoint);
    if (!small.IsMounted())
        GTEST_SKIP() << "cannot mount a tmpfs here";

    const QString d2v = mountPoint + QStringLiteral("/film.d2v");
    PutEarlierIndex(d2v);
    small.Fill(512);
    before = Entries(mountPoint);

    const indexer::IndexResult result =
        indexer::IndexFilm({{PalFilmPath().toStdString()}, d2v.toStdString()});
    EXPECT_EQ(result.failure, IndexFailure::OutputWriteFailed);
    EXPECT_EQ(result.systemError, ENOSPC);
    ExpectUntouched(d2v);
}

TEST(IndexPaths, DefaultIndexIsNamedAfterTheTitleSetOrTheFirstFile) {
    EXPECT_EQ(indexer::DefaultIndexPath({"/dvd/VIDEO_TS/VTS_01_1.VOB", "/dvd/VIDEO_TS/VTS_01_2.VOB"}),
              "/dvd/VIDEO_TS/VTS_01.d2v");
    EXPECT_EQ(indexer::DefaultIndexPath({"/dvd/video_ts/vts_03_1.vob"}), "/dvd/video_ts/vts_03.d2v");
    EXPECT_EQ(indexer::DefaultIndexPath({"/films/holiday.part1.mpg", "/films/holiday.part2.mpg"}),
              "/films/holiday.part1.d2v");
    EXPECT_EQ(indexer::DefaultIndexPath({"/films/VTS_01_1.VOB.mpg"}), "/films/VTS_01_1.VOB.d2v");
}

TEST(IndexPaths, CanWriteIndexAtTellsAWritableFolder) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    int error = -1;
    EXPECT_TRUE(indexer::CanWriteIndexAt(dir.filePath(QStringLiteral("film.d2v")).toStdString(), error));
    EXPECT_EQ(error, 0);
    EXPECT_TRUE(Entries(dir.path()).isEmpty());
    ASSERT_TRUE(WriteBytes(dir.filePath(QStringLiteral("file")), "x"));
    EXPECT_FALSE(
        indexer::CanWriteIndexAt(dir.filePath(QStringLiteral("file/film.d2v")).toStdString(), error));
    EXPECT_EQ(error, ENOTDIR);
}

} // namespace
