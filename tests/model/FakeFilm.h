#pragma once

#include "common/RecordingMessageSink.h"
#include "common/TestPaths.h"
#include "model/DecoderLibrary.h"

#include <QFile>
#include <QLibrary>
#include <QTemporaryDir>
#include <QTextStream>
#include <dlfcn.h>
#include <gtest/gtest.h>

inline QString FakeDecoderPath() {
    return BinDir() + QStringLiteral("/libfakedecoder.so");
}
inline QString RealDecoderPath() {
    return BinDir() + QStringLiteral("/libMPEG2DEC3.so");
}

// Tests that open stand-in films: each film is a description file the fake decoder reads.
class FakeFilmTest : public ::testing::Test {
protected:
    void SetUp() override {
        savedLibraryName = DecoderLibraryFileName;
        DecoderLibraryFileName = FakeDecoderPath();
        ASSERT_TRUE(dir.isValid());
        // Keeps the fake loaded between opens so its counters survive the model's unloads.
        fake = dlopen(FakeDecoderPath().toUtf8().constData(), RTLD_NOW);
        ASSERT_NE(fake, nullptr) << dlerror();
    }
    void TearDown() override {
        DecoderLibraryFileName = savedLibraryName;
        if (fake != nullptr)
            dlclose(fake);
    }

    QString Film(const QString& description, const QString& name = QStringLiteral("film.d2v")) {
        const QString path = dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QString text = description;
        text.replace(QLatin1Char(' '), QLatin1Char('\n'));
        file.write(text.toUtf8() + "\n");
        return path;
    }

    QString Requests() {
        auto requests = reinterpret_cast<const char* (*)()>(dlsym(fake, "fakeDecoderRequests"));
        return requests ? QString::fromLatin1(requests()) : QStringLiteral("?");
    }
    int CloseCount() {
        auto count = reinterpret_cast<int (*)()>(dlsym(fake, "fakeDecoderCloseCount"));
        return count ? count() : -1;
    }

    QTemporaryDir dir;
    RecordingMessageSink sink;
    void* fake = nullptr;
    QString savedLibraryName;
};

// The pixel the fake decoder draws at (x, y) of frame n when it is lit, as blue, green, red.
struct FakePixel {
    uchar blue, green, red;
};
inline FakePixel FakeLitPixel(int n, int x, int y) {
    return {uchar(n & 255), uchar((n >> 8) & 255), uchar(64 + (x + 2 * y) % 192)};
}

// Readable texts in failure reports.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QStringList& texts, std::ostream* out) {
    *out << '[' << texts.join(QStringLiteral("] [")).toStdString() << ']';
}
