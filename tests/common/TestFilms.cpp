#include "TestFilms.h"

#include "TestPaths.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QStringList>
#include <gtest/gtest.h>

namespace {

// Bump when the way films are made changes, so stale caches are not reused.
constexpr int kFilmVersion = 2;
constexpr int kBlock = 16;
constexpr int kBlocks = 14; // white marker, 12 bits (least significant first), black marker
constexpr int kBits = 12;

QString CacheRoot() {
    return QDir::cleanPath(BinDir() + QStringLiteral("/../test-films"));
}

bool Run(const QString& program, const QStringList& args, const QString& dir, QString& log,
         const QString& stdinFile = {}) {
    QProcess p;
    p.setWorkingDirectory(dir);
    p.setProcessChannelMode(QProcess::MergedChannels);
    if (!stdinFile.isEmpty())
        p.setStandardInputFile(stdinFile);
    p.start(program, args);
    if (!p.waitForStarted(30000)) {
        log = program + QStringLiteral(" did not start: ") + p.errorString();
        return false;
    }
    if (!p.waitForFinished(10 * 60 * 1000)) {
        p.kill();
        p.waitForFinished();
        log = program + QStringLiteral(" did not finish");
        return false;
    }
    log = QString::fromLocal8Bit(p.readAll());
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        log = program + QLatin1Char(' ') + args.join(QLatin1Char(' ')) + QStringLiteral("\n") + log;
        return false;
    }
    return true;
}

// Luma expression of the source pictures for ffmpeg's geq filter.
QString LumaExpression(const TestFilmRecipe& recipe) {
    const QRect r = PicturePatternRect(recipe.Width(), recipe.Height());
    const QString block = QStringLiteral("floor((X-%1)/%2)").arg(r.left()).arg(kBlock);
    const QString bit = QStringLiteral("16+219*mod(floor(N/pow(2,%1-1)),2)").arg(block);
    const QString pattern =
        QStringLiteral("if(eq(%1,0),235,if(eq(%1,%2),16,%3))").arg(block).arg(kBlocks - 1).arg(bit);
    const QString inPattern = QStringLiteral("between(Y,%1,%2)*between(X,%3,%4)")
                                  .arg(r.top())
                                  .arg(r.bottom())
                                  .arg(r.left())
                                  .arg(r.right());
    QString active = QStringLiteral("if(%1,%2,126)").arg(inPattern, pattern);
    if (recipe.blackFrom >= 0)
        active = QStringLiteral("if(gte(N,%1),16,%2)").arg(recipe.blackFrom).arg(active);
    const QString inBand =
        QStringLiteral("lt(Y,%1)+gte(Y,%2)").arg(recipe.bandTop).arg(recipe.Height() - recipe.bandBottom);
    QString expr = QStringLiteral("if(%1,16,%2)").arg(inBand, active);
    if (recipe.brightLineRow >= 0)
        expr = QStringLiteral("if(eq(Y,%1),235,%2)").arg(recipe.brightLineRow).arg(expr);
    return expr;
}

QString SourceFilter(const TestFilmRecipe& recipe, const QString& rate) {
    return QStringLiteral("color=c=black:s=%1x%2:r=%3,format=yuv420p,geq=lum='%4':cb=128:cr=128")
        .arg(recipe.Width())
        .arg(recipe.Height())
        .arg(rate, LumaExpression(recipe));
}

bool Encode(const TestFilmRecipe& recipe, const QString& dir, const QString& streamName, QString& log) {
    const QString ffmpeg = QStringLiteral("ffmpeg");
    if (recipe.pulldown) {
        QStringList args{QStringLiteral("-v"),        QStringLiteral("error"),
                         QStringLiteral("-nostdin"),  QStringLiteral("-y"),
                         QStringLiteral("-f"),        QStringLiteral("lavfi"),
                         QStringLiteral("-i"),        SourceFilter(recipe, QStringLiteral("24000/1001")),
                         QStringLiteral("-frames:v"), QString::number(recipe.frames),
                         QStringLiteral("-f"),        QStringLiteral("yuv4mpegpipe"),
                         QStringLiteral("source.y4m")};
        if (!Run(ffmpeg, args, dir, log))
            return false;
        const QString m2v = recipe.elementary ? streamName : QStringLiteral("video.m2v");
        QStringList enc{QStringLiteral("-v"),
                        QStringLiteral("0"),
                        QStringLiteral("-f"),
                        QStringLiteral("8"),
                        QStringLiteral("-p"),
                        QStringLiteral("-a"),
                        QStringLiteral("2"),
                        QStringLiteral("-g"),
                        QString::number(recipe.gopSize),
                        QStringLiteral("-G"),
                        QString::number(recipe.gopSize),
                        QStringLiteral("-R"),
                        QString::number(recipe.bFrames),
                        QStringLiteral("-q"),
                        QStringLiteral("3"),
                        QStringLiteral("-o"),
                        m2v};
        if (recipe.closedGops)
            enc << QStringLiteral("-c");
        const bool encoded =
            Run(QStringLiteral("mpeg2enc"), enc, dir, log, dir + QStringLiteral("/source.y4m"));
        QFile::remove(dir + QStringLiteral("/source.y4m"));
        if (!encoded)
            return false;
        if (recipe.elementary)
            return true;
        const bool muxed = Run(QStringLiteral("mplex"),
                               {QStringLiteral("-v"), QStringLiteral("0"), QStringLiteral("-f"),
                                QStringLiteral("8"), QStringLiteral("-o"), streamName, m2v},
                               dir, log);
        QFile::remove(dir + QLatin1Char('/') + m2v);
        return muxed;
    }

    const bool pal = recipe.standard == TestFilmRecipe::Standard::Pal;
    QStringList args{QStringLiteral("-v"),
                     QStringLiteral("error"),
                     QStringLiteral("-nostdin"),
                     QStringLiteral("-y"),
                     QStringLiteral("-f"),
                     QStringLiteral("lavfi"),
                     QStringLiteral("-i"),
                     SourceFilter(recipe, pal ? QStringLiteral("25") : QStringLiteral("30000/1001")),
                     QStringLiteral("-frames:v"),
                     QString::number(recipe.frames),
                     QStringLiteral("-c:v"),
                     recipe.mpeg1 ? QStringLiteral("mpeg1video") : QStringLiteral("mpeg2video"),
                     QStringLiteral("-q:v"),
                     QStringLiteral("2"),
                     QStringLiteral("-g"),
                     QString::number(recipe.gopSize),
                     QStringLiteral("-bf"),
                     QString::number(recipe.bFrames),
                     QStringLiteral("-sc_threshold"),
                     QStringLiteral("1000000000")};
    QString flags;
    if (recipe.closedGops)
        flags += QStringLiteral("+cgop");
    if (!pal && !recipe.mpeg1)
        flags += QStringLiteral("+ildct+ilme");
    if (!flags.isEmpty())
        args << QStringLiteral("-flags") << flags;
    if (!pal && !recipe.mpeg1)
        args << QStringLiteral("-top") << QStringLiteral("1");
    if (recipe.elementary)
        args << QStringLiteral("-f")
             << (recipe.mpeg1 ? QStringLiteral("mpeg1video") : QStringLiteral("mpeg2video"));
    else
        args << QStringLiteral("-f") << (recipe.mpeg1 ? QStringLiteral("mpeg") : QStringLiteral("dvd"));
    args << streamName;
    return Run(ffmpeg, args, dir, log);
}

bool Split(const QString& dir, const QString& streamName, qint64 at, QStringList& parts, QString& log) {
    QFile whole(dir + QLatin1Char('/') + streamName);
    if (!whole.open(QIODevice::ReadOnly)) {
        log = QStringLiteral("cannot read ") + whole.fileName();
        return false;
    }
    const QByteArray data = whole.readAll();
    whole.close();
    if (at <= 0 || at >= data.size()) {
        log = QStringLiteral("split offset %1 outside the %2-byte stream").arg(at).arg(data.size());
        return false;
    }
    parts = {QStringLiteral("VTS_01_1.VOB"), QStringLiteral("VTS_01_2.VOB")};
    const QByteArray pieces[2] = {data.left(at), data.mid(at)};
    for (int i = 0; i < 2; ++i) {
        QFile f(dir + QLatin1Char('/') + parts[i]);
        if (!f.open(QIODevice::WriteOnly) || f.write(pieces[i]) != pieces[i].size()) {
            log = QStringLiteral("cannot write ") + f.fileName();
            return false;
        }
    }
    QFile::remove(whole.fileName());
    return true;
}

bool Index(const TestFilmRecipe& recipe, const QString& dir, const QStringList& inputs, QString& log) {
    QStringList args{QStringLiteral("--field-operation"), QString::number(recipe.fieldOperation),
                     QStringLiteral("-o"), QStringLiteral("film.d2v")};
    args << inputs;
    return Run(BinDir() + QStringLiteral("/d2vindex"), args, dir, log);
}

QStringList StreamFiles(const TestFilmRecipe& recipe) {
    if (recipe.splitAt > 0)
        return {QStringLiteral("VTS_01_1.VOB"), QStringLiteral("VTS_01_2.VOB")};
    return {recipe.elementary ? QStringLiteral("film.m2v") : QStringLiteral("film.mpg")};
}

double BlockLuma(const QImage& image, int x0, int y0, int parity) {
    double sum = 0;
    int count = 0;
    // Stay clear of the block edges, where compression rings.
    for (int y = y0 + 3; y < y0 + kBlock - 3; ++y) {
        if (parity >= 0 && (y & 1) != parity)
            continue;
        for (int x = x0 + 3; x < x0 + kBlock - 3; ++x) {
            const QRgb p = image.pixel(x, y);
            sum += 0.299 * qRed(p) + 0.587 * qGreen(p) + 0.114 * qBlue(p);
            ++count;
        }
    }
    return count ? sum / count : 0;
}

int ReadNumber(const QImage& image, int parity) {
    if (image.isNull())
        return -1;
    const QRect r = PicturePatternRect(image.width(), image.height());
    if (r.isEmpty() || !image.rect().contains(r))
        return -1;
    int value = 0;
    for (int i = 0; i < kBlocks; ++i) {
        const double luma = BlockLuma(image, r.left() + i * kBlock, r.top(), parity);
        const bool white = luma > 176;
        if (!white && luma >= 80)
            return -1; // neither black nor white: no pattern here
        if (i == 0 && !white)
            return -1;
        if (i == kBlocks - 1 && white)
            return -1;
        if (i > 0 && i <= kBits && white)
            value |= 1 << (i - 1);
    }
    return value;
}

} // namespace

QString TestFilmRecipe::Key() const {
    return QStringLiteral(
               "v%1 std=%2 size=%3x%4 frames=%5 gop=%6 bf=%7 closed=%8 mpeg1=%9 es=%10 bands=%11/%12 "
               "bright=%13 black=%14 split=%15 pulldown=%16")
        .arg(kFilmVersion)
        .arg(standard == Standard::Pal ? QStringLiteral("pal") : QStringLiteral("ntsc"))
        .arg(Width())
        .arg(Height())
        .arg(frames)
        .arg(gopSize)
        .arg(bFrames)
        .arg(int(closedGops))
        .arg(int(mpeg1))
        .arg(int(elementary))
        .arg(bandTop)
        .arg(bandBottom)
        .arg(brightLineRow)
        .arg(blackFrom)
        .arg(splitAt)
        .arg(int(pulldown));
}

QRect PicturePatternRect(int width, int height) {
    const int w = kBlocks * kBlock;
    if (width < w || height < kBlock)
        return {};
    const int x = ((width - w) / 2) & ~(kBlock - 1);
    const int y = (height / 2 - kBlock / 2) & ~(kBlock - 1);
    return {x, y, w, kBlock};
}

int ReadPictureNumber(const QImage& image) {
    return ReadNumber(image, -1);
}

int ReadFieldPictureNumber(const QImage& image, int parity) {
    return ReadNumber(image, parity & 1);
}

QString MakeTestFilm(const TestFilmRecipe& recipe) {
    const QRect pattern = PicturePatternRect(recipe.Width(), recipe.Height());
    if (pattern.isEmpty() || pattern.top() < recipe.bandTop ||
        pattern.bottom() >= recipe.Height() - recipe.bandBottom) {
        ADD_FAILURE() << "the picture number would not fit in the active area of "
                      << recipe.Key().toStdString();
        return {};
    }
    if (recipe.frames > (1 << kBits)) {
        ADD_FAILURE() << "at most " << (1 << kBits) << " pictures can be numbered";
        return {};
    }
    if (recipe.pulldown && (recipe.standard != TestFilmRecipe::Standard::Ntsc || recipe.Width() != 720 ||
                            recipe.Height() != 480 || recipe.mpeg1)) {
        ADD_FAILURE() << "soft pulldown films are 720x480 NTSC MPEG-2";
        return {};
    }

    const QByteArray hash =
        QCryptographicHash::hash(recipe.Key().toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
    QDir root(CacheRoot());
    if (!root.mkpath(QStringLiteral("."))) {
        ADD_FAILURE() << "cannot create " << root.path().toStdString();
        return {};
    }
    const QString finalDir = root.filePath(QString::fromLatin1(hash));
    const QString d2v = finalDir + QStringLiteral("/film.d2v");
    const QString d2vindex = BinDir() + QStringLiteral("/d2vindex");
    QString log;

    if (QFileInfo::exists(finalDir + QStringLiteral("/film.key"))) {
        // The streams are kept; the index is remade whenever the indexer is newer than it.
        const QFileInfo index(d2v);
        const QFileInfo tool(d2vindex);
        const QString key = QStringLiteral("film_fo%1.d2v").arg(recipe.fieldOperation);
        const QString indexForOperation = finalDir + QLatin1Char('/') + key;
        const QFileInfo foIndex(indexForOperation);
        if (recipe.fieldOperation == 0) {
            if (index.exists() && index.lastModified() >= tool.lastModified())
                return d2v;
            if (!Index(recipe, finalDir, StreamFiles(recipe), log)) {
                ADD_FAILURE() << log.toStdString();
                return {};
            }
            return d2v;
        }
        if (foIndex.exists() && foIndex.lastModified() >= tool.lastModified())
            return indexForOperation;
        QStringList args{QStringLiteral("--field-operation"), QString::number(recipe.fieldOperation),
                         QStringLiteral("-o"), key};
        args << StreamFiles(recipe);
        if (!Run(d2vindex, args, finalDir, log)) {
            ADD_FAILURE() << log.toStdString();
            return {};
        }
        return indexForOperation;
    }

    // Made in a private folder and renamed into place: test processes run in parallel.
    const QString tempDir = root.filePath(QStringLiteral("tmp-%1-%2-%3")
                                              .arg(QString::fromLatin1(hash))
                                              .arg(QCoreApplication::applicationPid())
                                              .arg(QRandomGenerator::global()->generate()));
    QDir(tempDir).removeRecursively();
    if (!QDir().mkpath(tempDir)) {
        ADD_FAILURE() << "cannot create " << tempDir.toStdString();
        return {};
    }
    const QString streamName = recipe.elementary ? QStringLiteral("film.m2v") : QStringLiteral("film.mpg");
    QStringList inputs{streamName};
    bool ok = Encode(recipe, tempDir, streamName, log);
    if (ok && recipe.splitAt > 0)
        ok = Split(tempDir, streamName, recipe.splitAt, inputs, log);
    TestFilmRecipe plain = recipe;
    plain.fieldOperation = 0;
    if (ok)
        ok = Index(plain, tempDir, inputs, log);
    if (ok) {
        QFile keyFile(tempDir + QStringLiteral("/film.key"));
        ok = keyFile.open(QIODevice::WriteOnly) && keyFile.write(recipe.Key().toUtf8() + '\n') > 0;
        keyFile.close();
        if (!ok)
            log = QStringLiteral("cannot write ") + keyFile.fileName();
    }
    if (!ok) {
        QDir(tempDir).removeRecursively();
        ADD_FAILURE() << "cannot make the test film " << recipe.Key().toStdString() << ": "
                      << log.toStdString();
        return {};
    }
    if (!QDir().rename(tempDir, finalDir)) {
        // Another process made the same film first; use that one.
        QDir(tempDir).removeRecursively();
        if (!QFileInfo::exists(finalDir + QStringLiteral("/film.key"))) {
            ADD_FAILURE() << "cannot move the test film into " << finalDir.toStdString();
            return {};
        }
    }
    return MakeTestFilm(recipe);
}

QByteArray ScrambledFilm(QByteArray film) {
    const QByteArray videoPacket("\x00\x00\x01\xe0", 4);
    for (qsizetype at = film.indexOf(videoPacket); at >= 0; at = film.indexOf(videoPacket, at + 4))
        film[at + 6] = static_cast<char>(film[at + 6] | 0x10);
    return film;
}

QString MakeTestDvd(const QString& folder, const std::vector<TestDvdTitle>& titles, QString& log) {
    QString titleSets;
    for (const TestDvdTitle& title : titles) {
        TestFilmRecipe recipe;
        recipe.frames = title.frames;
        const QString d2v = MakeTestFilm(recipe);
        if (d2v.isEmpty()) {
            log = QStringLiteral("the test film could not be made");
            return QString();
        }
        QString chapters = QStringLiteral("0");
        for (int second = 1; second < title.chapters; ++second)
            chapters += QStringLiteral(",0:%1").arg(second, 2, 10, QLatin1Char('0'));
        titleSets += QStringLiteral("<titleset><titles><video format=\"pal\" aspect=\"%1\"/>"
                                    "<pgc><vob file=\"%2\" chapters=\"%3\"/></pgc></titles></titleset>")
                         .arg(title.wide ? QStringLiteral("16:9") : QStringLiteral("4:3"),
                              QFileInfo(d2v).dir().filePath(QStringLiteral("film.mpg")), chapters);
    }
    QFile xml(QDir(folder).filePath(QStringLiteral("dvd.xml")));
    const QByteArray text = QStringLiteral("<dvdauthor><vmgm/>%1</dvdauthor>").arg(titleSets).toUtf8();
    if (!xml.open(QIODevice::WriteOnly) || xml.write(text) != text.size()) {
        log = QStringLiteral("cannot write ") + xml.fileName();
        return QString();
    }
    xml.close();
    qputenv("VIDEO_FORMAT", "PAL"); // dvdauthor's default for the disc's own menu domain
    if (!Run(QStringLiteral("dvdauthor"),
             {QStringLiteral("-o"), QStringLiteral("disc"), QStringLiteral("-x"), QStringLiteral("dvd.xml")},
             folder, log))
        return QString();
    return QDir(folder).filePath(QStringLiteral("disc"));
}
