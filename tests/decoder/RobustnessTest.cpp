// Damaged input must give pictures or an error, never a crash or a hang.
#include "DecoderLibrary.h"
#include "common/TestFiles.h"
#include "common/TestPaths.h"
#include "decoder/D2VFile.h"
#include "decoder/FrameList.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <random>

namespace {

// Mutated indexes either parse into something consistent or are refused with a line number.
TEST(RobustnessTest, MutatedIndexesParseOrAreRefused) {
    const QByteArray original = ReadBytes(TestDataPath(QStringLiteral("split_vob/film.d2v")));
    ASSERT_FALSE(original.isEmpty());
    std::mt19937 random(31);
    const char alphabet[] = "0123456789abcdefABCDEFx =,()\n\r\t-";
    int parsed = 0, refused = 0;
    for (int round = 0; round < 2000; ++round) {
        std::string text = original.toStdString();
        const int edits = 1 + static_cast<int>(random() % 4);
        for (int e = 0; e < edits; ++e) {
            const size_t at = random() % text.size();
            switch (random() % 3) {
            case 0:
                text[at] = alphabet[random() % (sizeof(alphabet) - 1)];
                break;
            case 1:
                text.erase(at, 1 + random() % 8);
                break;
            default:
                text.insert(at, 1, alphabet[random() % (sizeof(alphabet) - 1)]);
            }
        }
        d2v::D2VFile file;
        std::string error;
        if (d2v::ParseD2V(text, file, error)) {
            ++parsed;
            ASSERT_FALSE(file.flags.empty());
            int pictures = 0;
            for (const d2v::IndexLine& line : file.lines) {
                ASSERT_EQ(line.firstPicture, pictures);
                ASSERT_GT(line.pictureCount, 0);
                ASSERT_LT(line.file, static_cast<int>(file.files.size()));
                pictures += line.pictureCount;
            }
            ASSERT_EQ(pictures, static_cast<int>(file.flags.size()));
            for (const d2v::FramePair& f : d2v::BuildFrameList(file)) {
                ASSERT_GE(f.top, 0);
                ASSERT_LT(f.top, pictures);
                ASSERT_LT(f.bottom, pictures);
            }
        } else {
            ++refused;
            EXPECT_EQ(error.rfind("line ", 0), 0u) << error;
        }
    }
    EXPECT_GT(parsed, 0);
    EXPECT_GT(refused, 0);
}

// A stream with damaged bytes all through it still serves every frame number.
TEST(RobustnessTest, DamagedStreamServesEveryFrame) {
    DecoderLibrary lib;
    ASSERT_TRUE(lib.Loaded()) << lib.LoadError();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QByteArray stream = ReadBytes(TestDataPath(QStringLiteral("ntsc_interlaced/film.mpg")));
    ASSERT_FALSE(stream.isEmpty());
    std::mt19937 random(5);
    // Leave the first GOP whole, so that the film opens; damage one byte in 4000 after it.
    for (int k = 0; k < stream.size() / 4000; ++k) {
        const int at = 300000 + static_cast<int>(random() % static_cast<unsigned>(stream.size() - 300000));
        stream[at] = static_cast<char>(random() & 0xFF);
    }
    ASSERT_TRUE(WriteBytes(dir.filePath(QStringLiteral("film.mpg")), stream));
    ASSERT_TRUE(QFile::copy(TestDataPath(QStringLiteral("ntsc_interlaced/film.d2v")),
                            dir.filePath(QStringLiteral("film.d2v"))));
    const DecoderVideoInfo* info = lib.open(dir.filePath(QStringLiteral("film.d2v")).toUtf8().constData());
    ASSERT_NE(info, nullptr) << lib.lastError();
    int served = 0;
    for (int n = 0; n < info->numberOfFrames; ++n)
        served += lib.rgb(n) != nullptr;
    for (int n = info->numberOfFrames - 1; n >= 0; n -= 7)
        served += lib.rgb(n) != nullptr;
    EXPECT_EQ(served, info->numberOfFrames + (info->numberOfFrames + 6) / 7);
}

} // namespace
