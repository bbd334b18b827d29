#include "DecoderLibrary.h"

#include "common/TestPaths.h"

#include <cmath>
#include <cstring>
#include <dlfcn.h>

DecoderLibrary::DecoderLibrary() {
    const QString path = BinDir() + QStringLiteral("/libMPEG2DEC3.so");
    handle = dlopen(path.toUtf8().constData(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        loadError = dlerror();
        return;
    }
    open = reinterpret_cast<decltype(open)>(dlsym(handle, "openMPEG2Source"));
    close = reinterpret_cast<decltype(close)>(dlsym(handle, "closeVideo"));
    rgb = reinterpret_cast<decltype(rgb)>(dlsym(handle, "getRGBFrame"));
    yuv = reinterpret_cast<decltype(yuv)>(dlsym(handle, "getFrame"));
    lastError = reinterpret_cast<decltype(lastError)>(dlsym(handle, "getLastDecoderError"));
    damage = reinterpret_cast<decltype(damage)>(dlsym(handle, "getLastFrameDamage"));
    facts = reinterpret_cast<decltype(facts)>(dlsym(handle, "getStreamFacts"));
}

DecoderLibrary::~DecoderLibrary() {
    if (close)
        close();
    if (handle)
        dlclose(handle);
}

QImage DecoderLibrary::Frame(int number, int width, int height) const {
    const unsigned char* data = rgb(number);
    if (!data)
        return {};
    QImage image(width, height, QImage::Format_RGB888);
    for (int y = 0; y < height; ++y) {
        const unsigned char* src = data + static_cast<size_t>(y) * static_cast<size_t>(width) * 3;
        uchar* dst = image.scanLine(y);
        for (int x = 0; x < width; ++x) {
            dst[3 * x + 0] = src[3 * x + 2];
            dst[3 * x + 1] = src[3 * x + 1];
            dst[3 * x + 2] = src[3 * x + 0];
        }
    }
    return image;
}

double LumaPsnr(const QImage& a, const QImage& b) {
    const QImage x = a.convertToFormat(QImage::Format_RGB888);
    const QImage y = b.convertToFormat(QImage::Format_RGB888);
    if (x.size() != y.size() || x.isNull())
        return 0.0;
    double sum = 0.0;
    for (int r = 0; r < x.height(); ++r) {
        const uchar* p = x.constScanLine(r);
        const uchar* q = y.constScanLine(r);
        for (int c = 0; c < x.width(); ++c) {
            const double l1 = 0.299 * p[3 * c] + 0.587 * p[3 * c + 1] + 0.114 * p[3 * c + 2];
            const double l2 = 0.299 * q[3 * c] + 0.587 * q[3 * c + 1] + 0.114 * q[3 * c + 2];
            sum += (l1 - l2) * (l1 - l2);
        }
    }
    const double mse = sum / (static_cast<double>(x.width()) * x.height());
    return mse <= 1e-12 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / mse);
}
