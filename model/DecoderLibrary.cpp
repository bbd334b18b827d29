#include "model/DecoderLibrary.h"

#include "model/DecoderReports.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#ifdef Q_OS_WIN
QString DecoderLibraryFileName = QStringLiteral("MPEG2DEC3.dll");
#else
QString DecoderLibraryFileName = QStringLiteral("libMPEG2DEC3.so");
#endif

namespace {

QString ProgramFolder() {
    if (QCoreApplication::instance() != nullptr)
        return QCoreApplication::applicationDirPath();
    // Without an application object (a tool, a test) the running executable still tells.
    const QFileInfo executable(QStringLiteral("/proc/self/exe"));
    return executable.exists() ? executable.canonicalFilePath().section(QLatin1Char('/'), 0, -2) : QString();
}

} // namespace

std::unique_ptr<QLibrary> LoadDecoderLibraryFile(QString& errorText) {
    errorText.clear();
    // The copy shipped beside the program wins over any other one the system would find.
    const QString folder = ProgramFolder();
    if (!folder.isEmpty() && QFileInfo(DecoderLibraryFileName).isRelative()) {
        const QString besideProgram = QDir(folder).filePath(DecoderLibraryFileName);
        if (QFileInfo::exists(besideProgram)) {
            auto library = std::make_unique<QLibrary>(besideProgram);
            if (library->load())
                return library;
            errorText = library->errorString();
            return nullptr;
        }
    }
    auto library = std::make_unique<QLibrary>(DecoderLibraryFileName);
    if (library->load())
        return library;
    errorText = library->errorString();
    return nullptr;
}

QString DecoderErrorText(const QLibrary* library) {
    if (library == nullptr || !library->isLoaded())
        return {};
    auto lastReport = reinterpret_cast<GetLastDecoderReportFunction>(
        const_cast<QLibrary*>(library)->resolve("getLastDecoderReport"));
    if (const DecoderReport* report = lastReport != nullptr ? lastReport() : nullptr) {
        const QString text = DecoderReportText(*report);
        if (!text.isEmpty())
            return text;
    }
    // Older builds of the decoder do not export it.
    auto lastError = reinterpret_cast<GetLastDecoderErrorFunction>(
        const_cast<QLibrary*>(library)->resolve("getLastDecoderError"));
    if (lastError == nullptr)
        return {};
    const char* text = lastError();
    if (text == nullptr)
        return {};
    // A message box holds a few lines; a library quoting megabytes of a broken file would stall it.
    constexpr qsizetype MaxLength = 1000;
    QString explanation = QString::fromUtf8(text).trimmed();
    if (explanation.size() > MaxLength)
        explanation = explanation.left(MaxLength) + QStringLiteral("…");
    return explanation;
}
