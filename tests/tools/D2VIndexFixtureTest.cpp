// d2vindex against the checked-in films, whose .d2v files an independent indexer wrote.
//
// Where the two indexers legitimately differ:
// - positions: the independent indexer writes the start of the PES packet that holds the
//   sequence header; ours writes the start of its pack (00 00 01 BA), as the reference
//   indexer does. On these DVD streams that is the 2048-byte sector holding the packet.
// - info bit 0x200: ours copies progressive_sequence; the independent indexer sets it only
//   for pictures repeated by frame doubling, so it never sets it on these films.
// - Location: ours names the last file and its size in sectors; the other writes 0,0,0,0.
// - the FINISHED line: ours writes it, the other does not.

#include "D2VText.h"
#include "common/TestFiles.h"
#include "common/TestPaths.h"
#include "decoder/D2VFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct Fixture {
    const char* folder;
    QStringList streams;
    bool film; // soft pulldown: the FINISHED line says FILM
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const Fixture& f, std::ostream* os) {
    *os << f.folder;
}

QMap<QString, QString> ReadReference(const QString& folder) {
    QMap<QString, QString> values;
    QFile f(TestDataPath(folder + QStringLiteral("/reference.txt")));
    if (!f.open(QIODevice::ReadOnly))
        return values;
    for (const QByteArray& row : f.readAll().split('\n')) {
        const int eq = row.indexOf('=');
        if (eq > 0)
            values.insert(QString::fromUtf8(row.left(eq)), QString::fromUtf8(row.mid(eq + 1)).trimmed());
    }
    return values;
}

// progressive_sequence of the first sequence extension, read straight from the stream's bytes.
int FirstProgressiveSequence(const QByteArray& data) {
    const int seq = data.indexOf(QByteArray("\x00\x00\x01\xb3", 4));
    if (seq < 0)
        return -1;
    for (int at = data.indexOf(QByteArray("\x00\x00\x01\xb5", 4), seq); at >= 0 && at + 7 < data.size();
         at = data.indexOf(QByteArray("\x00\x00\x01\xb5", 4), at + 4)) {
        const auto b4 = static_cast<uint8_t>(data[at + 4]);
        const auto b5 = static_cast<uint8_t>(data[at + 5]);
        if ((b4 >> 4) == 1) // sequence extension: id, profile/level (8 bits), progressive_sequence
            return (b5 >> 3) & 1;
    }
    return -1;
}

class FixtureIndex : public ::testing::TestWithParam<Fixture> {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        const Fixture& f = GetParam();
        QStringList args{QStringLiteral("-o"), dir.filePath(QStringLiteral("ours.d2v"))};
        for (const QString& s : f.streams)
            args << TestDataPath(QString::fromLatin1(f.folder) + QLatin1Char('/') + s);
        QString errors;
        ASSERT_EQ(RunD2VIndex(args, dir.path(), &errors), 0) << errors.toStdString();
        ours = ReadD2VText(dir.filePath(QStringLiteral("ours.d2v")));
        theirs = ReadD2VText(TestDataPath(QString::fromLatin1(f.folder) + QStringLiteral("/film.d2v")));
        ASSERT_TRUE(ours.error.isEmpty()) << ours.error.toStdString();
        ASSERT_TRUE(theirs.error.isEmpty()) << theirs.error.toStdString();
    }

    QTemporaryDir dir;
    D2VText ours;
    D2VText theirs;
};

TEST_P(FixtureIndex, SettingsAgree) {
    EXPECT_EQ(ours.magic, QStringLiteral("DGIndexProjectFile16"));
    for (const char* key : {"Stream_Type", "MPEG_Type", "iDCT_Algorithm", "YUVRGB_Scale", "Luminance_Filter",
                            "Clipping", "Aspect_Ratio", "Picture_Size", "Field_Operation", "Frame_Rate"}) {
        const QString k = QString::fromLatin1(key);
        EXPECT_TRUE(ours.settings.contains(k)) << key;
        EXPECT_EQ(ours.settings.value(k), theirs.settings.value(k)) << key;
    }
    const Fixture& f = GetParam();
    const QString last = TestDataPath(QString::fromLatin1(f.folder) + QLatin1Char('/') + f.streams.last());
    EXPECT_EQ(
        ours.settings.value(QStringLiteral("Location")),
        QStringLiteral("0,0,%1,%2").arg(f.streams.size() - 1).arg(QFileInfo(last).size() / 2048, 0, 16));
}

TEST_P(FixtureIndex, FileListResolvesFromTheIndexFolder) {
    const Fixture& f = GetParam();
    ASSERT_EQ(ours.files.size(), f.streams.size());
    for (int i = 0; i < f.streams.size(); ++i) {
        EXPECT_FALSE(QDir::isAbsolutePath(ours.files[i])) << ours.files[i].toStdString();
        const QString resolved = QFileInfo(QDir(dir.path()).filePath(ours.files[i])).canonicalFilePath();
        const QString expected =
            QFileInfo(TestDataPath(QString::fromLatin1(f.folder) + QLatin1Char('/') + f.streams[i]))
                .canonicalFilePath();
        EXPECT_EQ(resolved, expected);
    }
}

TEST_P(FixtureIndex, DataLinesAgree) {
    ASSERT_EQ(ours.lines.size(), theirs.lines.size());
    EXPECT_TRUE(ours.ended);
    for (size_t i = 0; i < ours.lines.size(); ++i) {
        const D2VDataLine& a = ours.lines[i];
        const D2VDataLine& b = theirs.lines[i];
        SCOPED_TRACE("line " + std::to_string(i));
        EXPECT_EQ(a.info & ~0x200u, b.info);
        EXPECT_EQ(a.matrix, b.matrix);
        EXPECT_EQ(a.file, b.file);
        EXPECT_EQ(a.position % 2048, 0);
        EXPECT_EQ(a.position, b.position - b.position % 2048);
        EXPECT_EQ(a.skip, 0);
        EXPECT_EQ(a.vob, 0);
        EXPECT_EQ(a.cell, 0);
        EXPECT_EQ(a.flags, b.flags);
    }
}

TEST_P(FixtureIndex, PicturesAndProgressiveBitMatchTheStream) {
    const Fixture& f = GetParam();
    const QMap<QString, QString> ref = ReadReference(QString::fromLatin1(f.folder));
    EXPECT_EQ(ours.Pictures(), ref.value(QStringLiteral("CodedPictures")).toInt());

    const QByteArray first =
        ReadBytes(TestDataPath(QString::fromLatin1(f.folder) + QLatin1Char('/') + f.streams[0]));
    const int progressive = FirstProgressiveSequence(first);
    ASSERT_GE(progressive, 0);
    for (const D2VDataLine& line : ours.lines)
        EXPECT_EQ((line.info & 0x200) != 0, progressive == 1);
}

TEST_P(FixtureIndex, PositionsPointAtPackHeaders) {
    const Fixture& f = GetParam();
    std::vector<QByteArray> data;
    for (const QString& s : f.streams)
        data.push_back(ReadBytes(TestDataPath(QString::fromLatin1(f.folder) + QLatin1Char('/') + s)));
    for (const D2VDataLine& line : ours.lines) {
        ASSERT_LT(static_cast<size_t>(line.file), data.size());
        EXPECT_EQ(data[static_cast<size_t>(line.file)].mid(static_cast<int>(line.position), 4),
                  QByteArray("\x00\x00\x01\xba", 4))
            << "file " << line.file << " at " << line.position;
    }
}

TEST_P(FixtureIndex, FinishedLineNamesTheFilmShare) {
    EXPECT_EQ(ours.finished, GetParam().film ? QStringLiteral("FINISHED  100.00% FILM")
                                             : QStringLiteral("FINISHED  100.00% VIDEO"));
}

INSTANTIATE_TEST_SUITE_P(
    Films, FixtureIndex,
    ::testing::Values(
        Fixture{"pal_letterbox", {QStringLiteral("film.mpg")}, false},
        Fixture{"ntsc_pulldown", {QStringLiteral("film.mpg")}, true},
        Fixture{"ntsc_interlaced", {QStringLiteral("film.mpg")}, false},
        Fixture{"split_vob", {QStringLiteral("VTS_01_1.VOB"), QStringLiteral("VTS_01_2.VOB")}, false}),
    [](const ::testing::TestParamInfo<Fixture>& p) { return std::string(p.param.folder); });

TEST(FixtureIndexBesideStreams, SplitVobListsBareNamesLikeTheReference) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const char* name : {"VTS_01_1.VOB", "VTS_01_2.VOB"})
        ASSERT_TRUE(QFile::copy(TestDataPath(QStringLiteral("split_vob/") + QLatin1String(name)),
                                dir.filePath(QLatin1String(name))));
    QString errors;
    ASSERT_EQ(RunD2VIndex({QStringLiteral("-o"), QStringLiteral("film.d2v"), QStringLiteral("VTS_01_1.VOB"),
                           QStringLiteral("VTS_01_2.VOB")},
                          dir.path(), &errors),
              0)
        << errors.toStdString();
    const D2VText ours = ReadD2VText(dir.filePath(QStringLiteral("film.d2v")));
    const D2VText theirs = ReadD2VText(TestDataPath(QStringLiteral("split_vob/film.d2v")));
    EXPECT_EQ(ours.files, theirs.files);
    // The picture group that straddles the cut starts in the first file; the next in the second.
    ASSERT_EQ(ours.lines.size(), theirs.lines.size());
    ASSERT_GE(ours.lines.size(), 18u);
    EXPECT_EQ(ours.lines[16].file, 0);
    EXPECT_EQ(ours.lines[16].position, 2469888);
    EXPECT_EQ(ours.lines[17].file, 1);
    EXPECT_EQ(ours.lines[17].position, 75776);
}

// The FINISHED figure is the film share a reader of the index computes, to the hundredth, also
// where film and video mix: soft-pulldown film followed by interlaced video.
TEST(FixtureIndexBesideStreams, FinishedLineGivesTheFilmShareReadersCompute) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString out = dir.filePath(QStringLiteral("mixed.d2v"));
    QString errors;
    ASSERT_EQ(RunD2VIndex({QStringLiteral("-o"), out, TestDataPath(QStringLiteral("ntsc_pulldown/film.mpg")),
                           TestDataPath(QStringLiteral("ntsc_interlaced/film.mpg"))},
                          dir.path(), &errors),
              0)
        << errors.toStdString();
    d2v::D2VFile index;
    std::string error;
    ASSERT_TRUE(d2v::ReadD2VFile(out.toStdString(), index, error)) << error;
    const int film = d2v::ComputeStreamFacts(index).filmShareHundredths;
    ASSERT_GT(film, 100);
    ASSERT_LT(film, 9900);
    const int shown = film >= 5000 ? film : 10000 - film;
    EXPECT_EQ(ReadD2VText(out).finished,
              QStringLiteral("FINISHED  %1.%2% %3")
                  .arg(shown / 100)
                  .arg(shown % 100, 2, 10, QLatin1Char('0'))
                  .arg(film >= 5000 ? QStringLiteral("FILM") : QStringLiteral("VIDEO")));
}

TEST(FixtureIndexBesideStreams, FieldOperationsGiveTheirFrameRate) {
    struct Case {
        const char* folder;
        int fieldOperation;
        const char* frameRate;
    };
    // Force film keeps four frames of five: 29.97 becomes 23.976, 25 becomes 20.
    const Case cases[] = {
        {"ntsc_pulldown", 0, "29970 (30000/1001)"}, {"ntsc_pulldown", 1, "23976 (24000/1001)"},
        {"ntsc_pulldown", 2, "29970 (30000/1001)"}, {"pal_letterbox", 0, "25000 (25/1)"},
        {"pal_letterbox", 1, "20000 (20000/1000)"}, {"pal_letterbox", 2, "25000 (25/1)"},
    };
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.folder) + " FO " + std::to_string(c.fieldOperation));
        const QString out = dir.filePath(QStringLiteral("fo%1.d2v").arg(c.fieldOperation));
        ASSERT_EQ(RunD2VIndex({QStringLiteral("--field-operation"), QString::number(c.fieldOperation),
                               QStringLiteral("-o"), out,
                               TestDataPath(QString::fromLatin1(c.folder) + QStringLiteral("/film.mpg"))},
                              dir.path()),
                  0);
        const D2VText ours = ReadD2VText(out);
        EXPECT_EQ(ours.settings.value(QStringLiteral("Field_Operation")), QString::number(c.fieldOperation));
        EXPECT_EQ(ours.settings.value(QStringLiteral("Frame_Rate")), QString::fromLatin1(c.frameRate));
        // The field operation changes how readers number frames, never the data lines.
        const D2VText reference =
            ReadD2VText(TestDataPath(QString::fromLatin1(c.folder) + QStringLiteral("/film.d2v")));
        EXPECT_EQ(ours.AllFlags(), reference.AllFlags());
    }
}

TEST(FixtureIndexBesideStreams, ForceFilmMatchesTheHandEditedReference) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_EQ(RunD2VIndex({QStringLiteral("--field-operation"), QStringLiteral("1"), QStringLiteral("-o"),
                           dir.filePath(QStringLiteral("ff.d2v")),
                           TestDataPath(QStringLiteral("ntsc_pulldown/film.mpg"))},
                          dir.path()),
              0);
    const D2VText ours = ReadD2VText(dir.filePath(QStringLiteral("ff.d2v")));
    const D2VText edited = ReadD2VText(TestDataPath(QStringLiteral("ntsc_pulldown/film_forcefilm.d2v")));
    EXPECT_EQ(ours.settings.value(QStringLiteral("Field_Operation")),
              edited.settings.value(QStringLiteral("Field_Operation")));
    EXPECT_EQ(ours.settings.value(QStringLiteral("Frame_Rate")),
              edited.settings.value(QStringLiteral("Frame_Rate")));
}

} // namespace
