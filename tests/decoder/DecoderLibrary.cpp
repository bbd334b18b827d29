#include "DecoderLibrary.h"

#include "common/TestPaths.h"

#include <cmath>
#include <cstring>
#include <dlfcn.h>
#include <functional>
#include <gtest/gtest.h>
#include <random>
#include <string_view>
#include <vector>

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
    report = reinterpret_cast<decltype(report)>(dlsym(handle, "getLastDecoderReport"));
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
    // Rows top first, each pixel blue, green, red: Qt's BGR888.
    return QImage(data, width, height, width * 3, QImage::Format_BGR888)
        .convertToFormat(QImage::Format_RGB888);
}

namespace {

// The library's hash is optimised even in debug builds; a hand loop here would dominate the run.
uint64_t PictureHash(const unsigned char* data, size_t size) {
    return std::hash<std::string_view>{}(std::string_view(reinterpret_cast<const char*>(data), size));
}

} // namespace

void DecoderLibrary::ExpectSamePicturesInAnyOrder(const DecoderVideoInfo& info, unsigned seed) const {
    const int count = info.numberOfFrames;
    const size_t size = static_cast<size_t>(info.width) * static_cast<size_t>(info.height) * 3;
    std::vector<uint64_t> inOrder(static_cast<size_t>(count));
    for (int n = 0; n < count; ++n) {
        const unsigned char* data = rgb(n);
        ASSERT_NE(data, nullptr) << "frame " << n << ": " << lastError();
        inOrder[static_cast<size_t>(n)] = PictureHash(data, size);
    }
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> pick(0, count - 1);
    for (int k = 0; k < 300; ++k) {
        const int n = pick(random);
        const unsigned char* data = rgb(n);
        ASSERT_NE(data, nullptr) << "frame " << n << ": " << lastError();
        EXPECT_EQ(PictureHash(data, size), inOrder[static_cast<size_t>(n)]) << "frame " << n << " at random";
    }
    for (int n = count - 1; n >= 0; --n) {
        const unsigned char* data = rgb(n);
        ASSERT_NE(data, nullptr) << "frame " << n << ": " << lastError();
        EXPECT_EQ(PictureHash(data, size), inOrder[static_cast<size_t>(n)]) << "frame " << n << " backwards";
    }
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
