// Frames coded as two field pictures: no encoder at hand writes them (mpeg2enc's field mode
// crashes), so the headers are written here, with a token slice after each picture. The
// indexer reads only headers, which makes this a faithful input for it.

#include "D2VText.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class Bits {
public:
    void Put(unsigned value, int n) {
        for (int i = n - 1; i >= 0; --i) {
            current_ = static_cast<uint8_t>(current_ << 1 | ((value >> i) & 1));
            if (++used_ == 8) {
                bytes_.append(static_cast<char>(current_));
                used_ = 0;
                current_ = 0;
            }
        }
    }
    QByteArray Take() {
        while (used_ != 0)
            Put(0, 1);
        QByteArray out = bytes_;
        bytes_.clear();
        return out;
    }

private:
    QByteArray bytes_;
    uint8_t current_ = 0;
    int used_ = 0;
};

QByteArray StartCode(uint8_t code) {
    return QByteArray("\x00\x00\x01", 3) + static_cast<char>(code);
}

QByteArray SequenceHeader() {
    Bits b;
    b.Put(720, 12);
    b.Put(480, 12);
    b.Put(2, 4); // 4:3
    b.Put(4, 4); // 29.97
    b.Put(20000, 18);
    b.Put(1, 1);
    b.Put(112, 10);
    b.Put(0, 3); // constrained parameters, no matrices
    QByteArray out = StartCode(0xB3) + b.Take();
    b.Put(1, 4);    // sequence extension
    b.Put(0x48, 8); // main profile, main level
    b.Put(0, 1);    // interlaced sequence
    b.Put(1, 2);    // 4:2:0
    b.Put(0, 4);
    b.Put(0, 12);
    b.Put(1, 1);
    b.Put(0, 8);
    b.Put(0, 1);
    b.Put(0, 7);
    return out + StartCode(0xB5) + b.Take();
}

QByteArray GopHeader(bool closed) {
    Bits b;
    b.Put(0, 25 - 13);
    b.Put(1, 1); // marker
    b.Put(0, 12);
    b.Put(closed ? 1 : 0, 1);
    b.Put(0, 1);
    return StartCode(0xB8) + b.Take();
}

// structure: 1 top field, 2 bottom field, 3 frame.
QByteArray Picture(int type, int structure, int temporalReference) {
    Bits b;
    b.Put(static_cast<unsigned>(temporalReference), 10);
    b.Put(static_cast<unsigned>(type), 3);
    b.Put(0xFFFF, 16);
    if (type >= 2)
        b.Put(0x7, 4);
    if (type == 3)
        b.Put(0x7, 4);
    b.Put(0, 1);
    QByteArray out = StartCode(0x00) + b.Take();
    b.Put(8, 4); // picture coding extension
    b.Put(0xFFFF, 16);
    b.Put(0, 2);
    b.Put(static_cast<unsigned>(structure), 2);
    b.Put(0, 1); // top_field_first is 0 in field pictures
    b.Put(0, 5); // frame_pred_frame_dct .. alternate_scan
    b.Put(0, 1); // repeat_first_field
    b.Put(1, 1);
    b.Put(0, 1); // progressive_frame
    b.Put(0, 1);
    out += StartCode(0xB5) + b.Take();
    return out + StartCode(0x01) + QByteArray("\x12\x34\x56\x78", 4);
}

QByteArray FieldPair(int firstType, int secondType, int temporalReference) {
    return Picture(firstType, 1, temporalReference) + Picture(secondType, 2, temporalReference);
}

TEST(FieldPictures, EachPairIsOneCodedFrame) {
    QByteArray stream = SequenceHeader() + GopHeader(true);
    // I/P pair, P pair, two B pairs: display I B B P.
    stream += FieldPair(1, 2, 0) + FieldPair(2, 2, 3) + FieldPair(3, 3, 1) + FieldPair(3, 3, 2);
    // An I/I pair starts one line only; then a frame picture after field pictures.
    stream += SequenceHeader() + GopHeader(true) + FieldPair(1, 1, 0) + Picture(2, 3, 1);
    stream += StartCode(0xB7);

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile f(dir.filePath(QStringLiteral("fields.m2v")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_EQ(f.write(stream), stream.size());
    f.close();
    QString errors;
    ASSERT_EQ(RunD2VIndex({QStringLiteral("fields.m2v")}, dir.path(), &errors), 0) << errors.toStdString();
    const D2VText d = ReadD2VText(dir.filePath(QStringLiteral("fields.d2v")));
    ASSERT_TRUE(d.error.isEmpty()) << d.error.toStdString();
    EXPECT_EQ(d.settings.value(QStringLiteral("Picture_Size")), QStringLiteral("720x480"));
    EXPECT_EQ(d.settings.value(QStringLiteral("Aspect_Ratio")), QStringLiteral("4:3"));
    EXPECT_EQ(d.settings.value(QStringLiteral("Stream_Type")), QStringLiteral("0"));
    ASSERT_EQ(d.lines.size(), 2u);
    EXPECT_EQ(d.lines[0].flags, (std::vector<int>{0x90, 0xb0, 0xb0, 0xa0}));
    EXPECT_EQ(d.lines[1].flags, (std::vector<int>{0x90, 0xa0}));
    EXPECT_EQ(d.lines[0].info, 0xd00u);
    EXPECT_EQ(d.lines[1].info, 0xd00u);
    // Elementary stream: each line points at its own sequence header.
    EXPECT_EQ(d.lines[0].position, 0);
    EXPECT_EQ(stream.mid(static_cast<int>(d.lines[1].position), 4), StartCode(0xB3));
    EXPECT_GT(d.lines[1].position, 0);
    EXPECT_TRUE(d.ended);
}

} // namespace
