// The stream library the decoder and the indexer share: files read as one stream, and finding the
// next packet after damaged data.

#include "StreamFiles.h"
#include "mpegstream/ByteReader.h"
#include "mpegstream/Demuxer.h"
#include "mpegstream/FileSet.h"
#include "mpegstream/StartCodes.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <random>

namespace {

using mpegstream::StreamFormat;
using mpegstream::StreamType;

struct Demuxed {
    QByteArray video;
    uint64_t skipped = 0;
    bool cutShort = false;
    bool failed = true;
};

Demuxed Demux(const std::vector<std::string>& paths, const StreamFormat& format) {
    Demuxed out;
    mpegstream::FileSet files;
    if (!files.Open(paths))
        return out;
    mpegstream::ByteReader reader(files);
    const auto demuxer = mpegstream::MakeDemuxer(format, reader);
    mpegstream::VideoPiece piece;
    while (demuxer->Next(piece))
        out.video.append(reinterpret_cast<const char*>(piece.data), static_cast<qsizetype>(piece.size));
    out.skipped = demuxer->SkippedBytes();
    out.cutShort = demuxer->CutShort();
    out.failed = files.Failed();
    return out;
}

Demuxed DemuxBytes(const QTemporaryDir& dir, const QByteArray& bytes, const StreamFormat& format) {
    const QString path = dir.filePath(QStringLiteral("stream"));
    if (!WriteBytes(path, bytes))
        return {};
    return Demux({path.toStdString()}, format);
}

const StreamFormat kProgram{StreamType::Program, 188, -1};

// The start code search against the plain definition, with prefixes and near misses (00 00 00 01,
// 00 01, 00 00 02) at every place of short and long spans, their ends included.
TEST(StreamReader, FindsTheFirstStartCodePrefixOfASpan) {
    const auto plain = [](const uint8_t* from, const uint8_t* end) -> const uint8_t* {
        for (const uint8_t* p = from; end - p >= 3; ++p)
            if (p[0] == 0 && p[1] == 0 && p[2] == 1)
                return p;
        return nullptr;
    };
    std::mt19937 random(23);
    const std::vector<std::vector<uint8_t>> patterns = {{0, 0, 1}, {0, 0, 0, 1}, {0, 1}, {0, 0, 2}, {0, 0}};
    for (int round = 0; round < 4000; ++round) {
        std::vector<uint8_t> bytes(1 + random() % 70);
        for (uint8_t& b : bytes)
            b = static_cast<uint8_t>(2 + random() % 254); // no 00 or 01 but those placed
        for (int k = static_cast<int>(random() % 3); k > 0; --k) {
            const std::vector<uint8_t>& pattern = patterns[random() % patterns.size()];
            const size_t at = random() % bytes.size();
            for (size_t i = 0; i < pattern.size() && at + i < bytes.size(); ++i)
                bytes[at + i] = pattern[i];
        }
        const size_t from = random() % bytes.size();
        const uint8_t* begin = bytes.data() + from;
        const uint8_t* end = bytes.data() + bytes.size();
        ASSERT_EQ(mpegstream::FindStartCode(begin, end), plain(begin, end)) << "round " << round;
    }
}

// A film cut anywhere (equal pieces as `split` makes them, or pieces of any size down to one
// byte) is the same stream: a file boundary loses nothing, even inside a pack header, a start
// code or a packet passed over whole.
TEST(StreamReader, PiecesOfAProgramStreamReadAsTheWhole) {
    const QByteArray film = ReadBytes(PalFilmPath());
    ASSERT_FALSE(film.isEmpty());
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const Demuxed whole = DemuxBytes(dir, film, kProgram);
    ASSERT_FALSE(whole.failed);
    ASSERT_EQ(whole.skipped, 0u);
    ASSERT_GT(whole.video.size(), film.size() / 2);

    std::vector<std::vector<qsizetype>> cutSets;
    for (int pieces : {10, 1000}) {
        std::vector<qsizetype> cuts;
        for (int i = 1; i < pieces; ++i)
            cuts.push_back(film.size() * i / pieces);
        cutSets.push_back(cuts);
    }
    std::mt19937 random(17);
    std::vector<qsizetype> uneven;
    for (qsizetype at = 0;;) {
        at += 1 + static_cast<qsizetype>(random() % 9000) / (random() % 4 == 0 ? 3000 : 1);
        if (at >= film.size())
            break;
        uneven.push_back(at);
    }
    cutSets.push_back(uneven);

    for (const std::vector<qsizetype>& cuts : cutSets) {
        SCOPED_TRACE(std::to_string(cuts.size() + 1) + " pieces");
        QTemporaryDir pieces;
        ASSERT_TRUE(pieces.isValid());
        const Demuxed cut = Demux(WritePieces(pieces.path(), film, cuts), kProgram);
        EXPECT_FALSE(cut.failed);
        EXPECT_EQ(cut.skipped, 0u);
        EXPECT_FALSE(cut.cutShort);
        EXPECT_TRUE(cut.video == whole.video);
    }
}

// Junk between two packs (start codes of video headers among it) is passed over up to the next
// pack, and counted as lost; the video is the same.
TEST(StreamReader, JunkBetweenPacksIsPassedOver) {
    const QByteArray film = ReadBytes(PalFilmPath());
    ASSERT_FALSE(film.isEmpty());
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const Demuxed clean = DemuxBytes(dir, film, kProgram);

    const qsizetype pack = film.indexOf(QByteArray("\x00\x00\x01\xba", 4), film.size() / 2);
    ASSERT_GT(pack, 0);
    QByteArray junk;
    std::mt19937 random(5);
    while (junk.size() < 3000) {
        junk.append(static_cast<char>(2 + random() % 250));
        if (junk.size() % 500 == 0)
            junk.append(QByteArray("\x00\x00\x01\xb3\x00\x00\x01\x00", 8)); // codes below packets'
    }
    QByteArray damaged = film;
    damaged.insert(pack, junk);
    const Demuxed out = DemuxBytes(dir, damaged, kProgram);
    EXPECT_EQ(out.skipped, static_cast<uint64_t>(junk.size()));
    EXPECT_TRUE(out.video == clean.video);
}

// A transport packet overwritten with junk holding sync bytes (one of them heading what looks like
// a video packet) is lost alone: reading takes up again at the next packet, whose sync byte has
// another a packet later, and nothing of the junk reaches the video.
TEST(StreamReader, TransportStreamResyncsOnTwoSyncBytesAPacketApart) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QString log;
    ASSERT_TRUE(RunProgram(QStringLiteral("ffmpeg"),
                           {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-nostdin"),
                            QStringLiteral("-i"), PalFilmPath(), QStringLiteral("-c"), QStringLiteral("copy"),
                            QStringLiteral("-f"), QStringLiteral("mpegts"), QStringLiteral("film.ts")},
                           dir.path(), log))
        << log.toStdString();
    const QByteArray ts = ReadBytes(dir.filePath(QStringLiteral("film.ts")));
    ASSERT_EQ(ts.size() % 188, 0);
    const StreamFormat format{StreamType::Transport, 188, -1};
    const Demuxed clean = DemuxBytes(dir, ts, format);
    ASSERT_EQ(clean.skipped, 0u);

    // A video packet in the middle that continues a PES packet.
    const int videoPid = 0x100;
    qsizetype packet = ts.size() / 2 / 188 * 188;
    auto pidOf = [&](qsizetype at) { return (ts[at + 1] & 0x1F) << 8 | static_cast<uint8_t>(ts[at + 2]); };
    while (packet + 2 * 188 <= ts.size() && (pidOf(packet) != videoPid || (ts[packet + 1] & 0x40)))
        packet += 188;
    ASSERT_LT(packet + 2 * 188, ts.size());

    // What the stream gives without that packet: the same with a null packet in its place.
    QByteArray nulled = ts;
    nulled[packet + 1] = 0x1F;
    nulled[packet + 2] = static_cast<char>(0xFF);
    const Demuxed expected = DemuxBytes(dir, nulled, format);

    QByteArray junk(188, '\x5a');
    junk[0] = 0x00;
    junk[1] = 0x47; // a sync byte, then the header of a video packet carrying payload only
    junk[2] = static_cast<char>(videoPid >> 8);
    junk[3] = static_cast<char>(videoPid & 0xFF);
    junk[4] = 0x10;
    // More sync bytes, none with another a packet later.
    for (qsizetype j = 50; j < 188; j += 50)
        if (ts[packet + 188 + j] != 0x47)
            junk[j] = 0x47;
    ASSERT_NE(ts[packet + 188 + 1], 0x47);
    QByteArray damaged = ts;
    damaged.replace(packet, 188, junk);
    const Demuxed out = DemuxBytes(dir, damaged, format);
    EXPECT_EQ(out.skipped, 188u);
    EXPECT_TRUE(out.video == expected.video);
    EXPECT_LT(out.video.size(), clean.video.size());
}

} // namespace
