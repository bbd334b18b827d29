#include "ui/About.h"

#include "model/MessageSink.h"
#include "ui/UiSeam.h"
#include "ui/widgets/EditHandlers.h"
#include "ui/widgets/Fonts.h"

#include "ui_About.h"

#include <QFile>
#include <QMouseEvent>
#include <QPixmap>
#include <QUrl>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <jpeglib.h>

namespace {

// libjpeg reports fatal errors through error_exit, which must not return: it jumps back here.
struct JpegErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void JpegErrorExit(j_common_ptr info) {
    auto* manager = reinterpret_cast<JpegErrorManager*>(info->err);
    (*info->err->format_message)(info, manager->message);
    std::longjmp(manager->jump, 1);
}

void JpegOutputMessage(j_common_ptr) {}

struct DecodedJpeg {
    unsigned char* pixels = nullptr; // malloc'ed, width * height * components
    unsigned width = 0;
    unsigned height = 0;
    int components = 0;
};

// Only trivially destructible objects live here, since a decoder error leaves through longjmp.
bool DecodeJpeg(const unsigned char* data, unsigned long size, DecodedJpeg* out, char* error) {
    jpeg_decompress_struct info;
    JpegErrorManager manager;
    info.err = jpeg_std_error(&manager.pub);
    manager.pub.error_exit = JpegErrorExit;
    manager.pub.output_message = JpegOutputMessage;
    if (setjmp(manager.jump) != 0) {
        std::strncpy(error, manager.message, JMSG_LENGTH_MAX);
        jpeg_destroy_decompress(&info);
        std::free(out->pixels);
        out->pixels = nullptr;
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data, size);
    jpeg_read_header(&info, TRUE);
    if (info.num_components == 1) {
        info.out_color_space = JCS_GRAYSCALE;
    } else if (info.num_components == 3) {
        info.out_color_space = JCS_RGB;
    } else {
        std::strncpy(error, "unsupported number of colour components", JMSG_LENGTH_MAX);
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_start_decompress(&info);
    out->width = info.output_width;
    out->height = info.output_height;
    out->components = info.output_components;
    const size_t rowBytes = size_t{info.output_width} * size_t(info.output_components);
    out->pixels = static_cast<unsigned char*>(std::malloc(rowBytes * info.output_height));
    if (out->pixels == nullptr) {
        std::strncpy(error, "out of memory", JMSG_LENGTH_MAX);
        jpeg_destroy_decompress(&info);
        return false;
    }
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = out->pixels + rowBytes * info.output_scanline;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}

} // namespace

QImage DecodeJpegWithWhiteTransparent(const QByteArray& jpeg, QString* errorText) {
    DecodedJpeg decoded;
    char error[JMSG_LENGTH_MAX] = {};
    if (jpeg.isEmpty()) {
        if (errorText != nullptr)
            *errorText = QStringLiteral("empty JPEG data");
        return {};
    }
    if (!DecodeJpeg(reinterpret_cast<const unsigned char*>(jpeg.constData()),
                    static_cast<unsigned long>(jpeg.size()), &decoded, error)) {
        if (errorText != nullptr)
            *errorText = QString::fromLocal8Bit(error);
        return {};
    }
    QImage image(int(decoded.width), int(decoded.height), QImage::Format_ARGB32);
    if (image.isNull()) {
        std::free(decoded.pixels);
        if (errorText != nullptr)
            *errorText = QStringLiteral("out of memory");
        return {};
    }
    for (unsigned y = 0; y < decoded.height; ++y) {
        const unsigned char* source =
            decoded.pixels + size_t{y} * decoded.width * unsigned(decoded.components);
        auto* target = reinterpret_cast<QRgb*>(image.scanLine(int(y)));
        for (unsigned x = 0; x < decoded.width; ++x) {
            const unsigned char* p = source + size_t{x} * unsigned(decoded.components);
            const int r = p[0];
            const int g = decoded.components == 3 ? p[1] : p[0];
            const int b = decoded.components == 3 ? p[2] : p[0];
            // Only exact white is the transparent colour; near-white stays visible.
            target[x] = (r == 255 && g == 255 && b == 255) ? qRgba(255, 255, 255, 0) : qRgb(r, g, b);
        }
    }
    std::free(decoded.pixels);
    return image;
}

TFormAbout::TFormAbout(QWidget* owner) : QDialog(owner), ui(std::make_unique<Ui::TFormAbout>()) {
    ui->setupUi(this);
    setFixedSize(size());
    setWindowFlag(Qt::MSWindowsFixedSizeDialogHint);
    ClearDefaultButtons(this);
    // The window's only button and nothing to type: Return presses it, as Space does.
    ui->ButtonOk->setDefault(true);
    ui->ButtonOk->setFocus();
    FormCreate();
    connect(ui->ButtonOk, &QPushButton::clicked, this, &TFormAbout::ButtonOkClick);
}

TFormAbout::~TFormAbout() = default;

// Resources of a static library are registered by hand; outside any namespace, as the macro asks.
static void InitAboutResources() {
    Q_INIT_RESOURCE(about);
}

void TFormAbout::FormCreate() {
    SetFontPixels(ui->Product, QStringLiteral("Arial"), 21, true);
    SetFontPixels(ui->Version, QString(), 16);
    SetFontPixels(ui->ButtonOk, QString(), 16, true);
    for (QLabel* link : {ui->Mail, ui->URL}) {
        QPalette palette = link->palette();
        palette.setColor(QPalette::WindowText, QColor(0, 0, 128));
        link->setPalette(palette);
        QFont font = link->font();
        font.setUnderline(true);
        link->setFont(font);
        link->setCursor(Qt::PointingHandCursor);
        link->installEventFilter(this);
    }

    ui->Author->setText(QStringLiteral("by Quillon"));
    ui->Mail->setText(AuthorMail);
    // The name stands on the label's second line.
    ui->Product->setText(QStringLiteral("\nCinescriptor"));
    ui->Version->setText(QStringLiteral("Version ") + VersionText);
    ui->URL->setText(AuthorUrl);

    InitAboutResources();
    QFile resource(QStringLiteral(":/LOGO"));
    QString error;
    if (resource.open(QIODevice::ReadOnly))
        logo = DecodeJpegWithWhiteTransparent(resource.readAll(), &error);
    else
        error = resource.errorString();
    if (logo.isNull())
        ShowInformation(QStringLiteral("Logo could not be read in TFormAbout.FormCreate: %1 !").arg(error));
    else
        ui->Logo->setPixmap(QPixmap::fromImage(logo));
}

bool TFormAbout::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        if (watched == ui->Mail) {
            MailClick();
            return true;
        }
        if (watched == ui->URL) {
            URLClick();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

// The desktop's answer is not looked at: with no program for the address the window closes all the same.
void TFormAbout::MailClick() {
    Seam().OpenUrl(QUrl(QStringLiteral("mailto:") + ui->Mail->text()));
    close();
}

void TFormAbout::URLClick() {
    Seam().OpenUrl(QUrl(ui->URL->text()));
    close();
}

void TFormAbout::ButtonOkClick() {
    close();
}
