#include "model/TD2VFileWithFrame.h"

#include "model/DecoderReports.h"
#include "model/MessageSink.h"

#include <QPainter>
#include <cstring>

TD2VFileWithFrame::~TD2VFileWithFrame() {
    TD2VFileWithFrame::Close();
}

bool TD2VFileWithFrame::LoadDecoderLibrary() {
    if (!TD2VFile::LoadDecoderLibrary())
        return false;
    QFunctionPointer rgbFrame = nullptr;
    QFunctionPointer frame = nullptr;
    if (!BindEntry("getRGBFrame", rgbFrame) || !BindEntry("getFrame", frame)) {
        UnloadDecoderLibrary();
        return false;
    }
    GetRGBFrameEntry = reinterpret_cast<GetRGBFrameFunction>(rgbFrame);
    GetFrameEntry = reinterpret_cast<GetFrameFunction>(frame);
    GetLastFrameDamageEntry =
        reinterpret_cast<GetLastFrameDamageFunction>(LibraryHandle->resolve("getLastFrameDamage"));
    GetLastDecoderReportEntry =
        reinterpret_cast<GetLastDecoderReportFunction>(LibraryHandle->resolve("getLastDecoderReport"));
    return true;
}

bool TD2VFileWithFrame::Open(const QString& fileName) {
    IsStreamDamageReported = false;
    if (!TD2VFile::Open(fileName))
        return false;
    FrameBitmap = QImage(InputWidth, InputHeight, QImage::Format_BGR888);
    if (FrameBitmap.isNull()) {
        ShowInformation(
            QStringLiteral("Mémoire insuffisante pour l'image de %1 × %2 pixels du fichier « %3 » !")
                .arg(InputWidth)
                .arg(InputHeight)
                .arg(fileName));
        Close();
        return false;
    }
    FrameBitmap.fill(Qt::black);
    // A decoder that cannot give the first frame cannot give any: say so now rather than on
    // every page of a project that looks open.
    if (InputNumberOfFrames > 0 && !LoadFrame(0)) {
        SetFileName(QString());
        Close();
        return false;
    }
    return true;
}

void TD2VFileWithFrame::Close() {
    FrameBitmap = QImage();
    TD2VFile::Close();
    GetRGBFrameEntry = nullptr;
    GetFrameEntry = nullptr;
    GetLastFrameDamageEntry = nullptr;
    GetLastDecoderReportEntry = nullptr;
}

bool TD2VFileWithFrame::LoadFrame(int32_t frameNumber) {
    if (GetRGBFrameEntry == nullptr || VideoInfo == nullptr || FrameBitmap.isNull()) {
        ShowInformation(QStringLiteral("Aucun fichier vidéo n'est ouvert : l'image %1 ne peut pas être lue !")
                            .arg(frameNumber));
        return false;
    }
    const unsigned char* pixels = GetRGBFrameEntry(frameNumber);
    if (pixels == nullptr) {
        ShowInformation(QStringLiteral("Le décodeur n'a pas pu fournir l'image %1 du fichier « %2 »%3 !")
                            .arg(frameNumber)
                            .arg(FileName, DecoderErrorSuffix()));
        return false;
    }
    // The record is read again at every fetch; a size that no longer matches the bitmap would
    // make the copy run past one buffer or the other.
    const int32_t width = VideoInfo->width;
    const int32_t height = VideoInfo->height;
    if (width != FrameBitmap.width() || height != FrameBitmap.height()) {
        ShowInformation(QStringLiteral("Le décodeur a changé la taille de l'image %1 du fichier « %2 » "
                                       "(%3 × %4 au lieu de %5 × %6) !")
                            .arg(frameNumber)
                            .arg(FileName)
                            .arg(width)
                            .arg(height)
                            .arg(FrameBitmap.width())
                            .arg(FrameBitmap.height()));
        return false;
    }
    const size_t rowBytes = static_cast<size_t>(width) * 3;
    for (int32_t row = 0; row < height; ++row)
        std::memcpy(FrameBitmap.scanLine(row), pixels + rowBytes * static_cast<size_t>(row), rowBytes);
    ReportStreamDamage(frameNumber);
    return true;
}

QString TD2VFileWithFrame::FrameDamageMessage(int32_t frameNumber, bool written) const {
    const DecoderReport* report =
        GetLastDecoderReportEntry != nullptr ? GetLastDecoderReportEntry() : nullptr;
    QString cause;
    if (report != nullptr) {
        if (report->code == DECODER_REPORT_NONE)
            return {};
        cause = DecoderReportText(*report);
    }
    if (cause.isEmpty()) {
        const char* damage = GetLastFrameDamageEntry != nullptr ? GetLastFrameDamageEntry() : nullptr;
        cause = damage != nullptr ? QString::fromUtf8(damage).trimmed() : QString();
    }
    if (cause.isEmpty())
        return {};
    const QString picture = written ? QStringLiteral("L'image écrite") : QStringLiteral("L'image montrée");
    // A stale index is not a damaged stream: said as what it is, so that the user indexes again
    // instead of ripping the film again.
    if (report != nullptr && report->code == DECODER_DAMAGE_INDEX_MISMATCH)
        return QStringLiteral("À l'image %1 du fichier « %2 », %3. %4 est ce que le décodeur a pu en tirer ; "
                              "les autres images concernées de ce film ne seront pas signalées.")
            .arg(QString::number(frameNumber), FileName, cause, picture);
    return QStringLiteral(
               "Le flux vidéo du fichier « %1 » est endommagé à l'image %2 (%3) : %4 est ce que le "
               "décodeur a pu en tirer. Les autres images endommagées de ce film ne seront pas "
               "signalées.")
        .arg(FileName, QString::number(frameNumber), cause, picture.toLower());
}

void TD2VFileWithFrame::ReportStreamDamage(int32_t frameNumber) {
    if (IsStreamDamageReported)
        return;
    const QString message = FrameDamageMessage(frameNumber, false);
    if (message.isEmpty())
        return;
    IsStreamDamageReported = true;
    ShowInformation(message);
}

bool TD2VFileWithFrame::BeginFrameDrawing(const char* drawing, int32_t frameNumber, QImage& image,
                                          const QColor& backgroundColor, QPainter& painter) {
    if (image.width() < InputWidth || image.height() < InputHeight) {
        ShowInformation(QStringLiteral("Image is too small in %1 !").arg(QLatin1String(drawing)));
        return false;
    }
    // Fetch first: a frame the decoder refuses leaves the picture on display untouched.
    if (!LoadFrame(frameNumber))
        return false;
    if (!painter.begin(&image)) {
        ShowInformation(QStringLiteral("Bug in %1 !").arg(QLatin1String(drawing)));
        return false;
    }
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(0, 0, image.width(), image.height(), backgroundColor);
    return true;
}

bool TD2VFileWithFrame::ShowFrame(int32_t frameNumber, QImage& image, const QColor& backgroundColor) {
    QPainter painter;
    if (!BeginFrameDrawing("TD2VFileWithFrame.ShowFrame", frameNumber, image, backgroundColor, painter))
        return false;
    const int dx = (image.width() - InputWidth) / 2;
    const int dy = (image.height() - InputHeight) / 2;
    painter.drawImage(QPoint(dx, dy), FrameBitmap, QRect(0, 0, InputWidth, InputHeight));
    painter.end();
    CurrentFrameNumber = frameNumber;
    return true;
}
