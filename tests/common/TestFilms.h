#pragma once

#include <QImage>
#include <QRect>
#include <QString>
#include <vector>

// Describes a short MPEG film made for a test with the system's ffmpeg (and mjpegtools'
// mpeg2enc for soft pulldown), then indexed with our d2vindex. Every source picture carries its
// own number as a row of 16x16 blocks in the middle of the picture (see ReadPictureNumber).
// The active area is mid-grey (Y=126), the bands pure black (Y=16), chroma neutral throughout.
struct TestFilmRecipe {
    enum class Standard {
        Pal, // 720x576, 25 fps, progressive pictures
        Ntsc // 720x480, 30000/1001 fps, interlaced pictures, top field first
    };
    Standard standard = Standard::Pal;
    int width = 0;   // 0: the standard's 720
    int height = 0;  // 0: the standard's 576 or 480
    int frames = 48; // source pictures (film frames when `pulldown` is set)
    int gopSize = 12;
    int bFrames = 2; // B pictures in a row
    bool closedGops = false;
    bool mpeg1 = false;      // MPEG-1 system stream instead of an MPEG-2 DVD program stream
    bool elementary = false; // a bare video elementary stream (film.m2v)
    int bandTop = 0;         // black rows at the top and bottom; keep them multiples of 16 for
    int bandBottom = 0;      // bands that decode exactly black
    int brightLineRow = -1;  // a full-width white row (Y=235), meant to sit inside a band
    int blackFrom = -1;      // fade to black: every source picture from this one on is all black
    qint64 splitAt = -1;     // cut the stream in two files, VTS_01_1.VOB and VTS_01_2.VOB, here
    bool pulldown = false;   // NTSC film at 24000/1001 with soft 3:2 pulldown (mpeg2enc)
    int fieldOperation = 0;  // d2vindex --field-operation

    int Width() const { return width > 0 ? width : 720; }
    int Height() const { return height > 0 ? height : (standard == Standard::Pal ? 576 : 480); }
    // Text that identifies the film in the cache.
    QString Key() const;
};

// Makes (or finds in the cache under the build tree) the film and returns its .d2v path. On
// failure records a test failure with ffmpeg's or d2vindex's message and returns "".
QString MakeTestFilm(const TestFilmRecipe& recipe);

// The number drawn in a picture of that size, read from any image format, or -1 when the
// picture carries no readable number (a black picture, say).
int ReadPictureNumber(const QImage& image);
// The same from one field only: parity 0 reads the even rows (top field), 1 the odd rows.
int ReadFieldPictureNumber(const QImage& image, int parity);

// Where the number pattern sits in a picture of the given size.
QRect PicturePatternRect(int width, int height);

// The program stream with its video packets marked as scrambled, as on an encrypted disc.
QByteArray ScrambledFilm(QByteArray film);

// One title of a DVD made for a test: a PAL film of `frames` numbered pictures (as MakeTestFilm
// makes them), marked 16/9 or 4/3, cut into `chapters` chapters a second apart.
struct TestDvdTitle {
    int frames = 48;
    bool wide = false;
    int chapters = 1;
};

// Authors a DVD folder with Debian's dvdauthor, one title set per title in the order given, as
// `folder`/disc (its VIDEO_TS inside) and returns that disc folder; "" with the reason in `log`.
QString MakeTestDvd(const QString& folder, const std::vector<TestDvdTitle>& titles, QString& log);
