#include "model/TD2VFile.h"

#include "model/MessageSink.h"
#include "model/ModelArithmetic.h"
#include "platform/FileBytes.h"

TD2VFile::~TD2VFile() {
    TD2VFile::Close();
}

void TD2VFile::ComputeInputRatio() {
    if (InputHeight == 0) {
        ShowInformation(QStringLiteral("Bug in TD2VFile.ComputeInputRatio !"));
        return;
    }
    InputRatio = static_cast<float>(static_cast<long double>(InputWidth) / InputHeight);
}

void TD2VFile::ComputeInputDisplayRatio() {
    if (InputDisplayFormat == 0)
        InputDisplayRatio = 16.0f / 9.0f;
    else if (InputDisplayFormat == 1)
        InputDisplayRatio = 4.0f / 3.0f;
}

void TD2VFile::ComputeInputStandard() {
    if (InputWidth == 720 && InputHeight == 576)
        InputStandard = 0;
    else if (InputWidth == 720 && InputHeight == 480)
        InputStandard = 1;
    else
        InputStandard = 2;
}

bool TD2VFile::BindEntry(const char* name, QFunctionPointer& entry) {
    entry = LibraryHandle ? LibraryHandle->resolve(name) : nullptr;
    if (entry != nullptr)
        return true;
    ShowInformation(QStringLiteral("La bibliothèque de décodage « %1 » ne contient pas la fonction « %2 » !")
                        .arg(LibraryHandle ? LibraryHandle->fileName() : DecoderLibraryFileName,
                             QString::fromLatin1(name)));
    return false;
}

QString TD2VFile::DecoderErrorSuffix() const {
    const QString text = DecoderErrorText(LibraryHandle.get());
    return text.isEmpty() ? QString() : QStringLiteral(" : ") + text;
}

void TD2VFile::UnloadDecoderLibrary() {
    OpenSourceEntry = nullptr;
    CloseVideoEntry = nullptr;
    GetStreamFactsEntry = nullptr;
    if (LibraryHandle) {
        LibraryHandle->unload();
        LibraryHandle.reset();
    }
}

bool TD2VFile::LoadDecoderLibrary() {
    QString reason;
    std::unique_ptr<QLibrary> library = LoadDecoderLibraryFile(reason);
    if (!library) {
        ShowInformation(QStringLiteral("Impossible de charger la bibliothèque de décodage « %1 » : %2 !")
                            .arg(DecoderLibraryFileName, reason));
        return false;
    }
    LibraryHandle = std::move(library);
    QFunctionPointer open = nullptr;
    QFunctionPointer close = nullptr;
    if (!BindEntry("openMPEG2Source", open) || !BindEntry("closeVideo", close)) {
        UnloadDecoderLibrary();
        return false;
    }
    OpenSourceEntry = reinterpret_cast<OpenMPEG2SourceFunction>(open);
    CloseVideoEntry = reinterpret_cast<CloseVideoFunction>(close);
    GetStreamFactsEntry = reinterpret_cast<GetStreamFactsFunction>(LibraryHandle->resolve("getStreamFacts"));
    return true;
}

bool TD2VFile::Open(const QString& fileName) {
    if (!LibraryHandle && !LoadDecoderLibrary())
        return false;
    const QByteArray path = FileNameBytes(fileName);
    DecoderVideoInfo* info = OpenSourceEntry(path.constData());
    if (info == nullptr) {
        ShowInformation(QStringLiteral("Le décodeur n'a pas pu ouvrir le fichier « %1 »%2 !")
                            .arg(fileName, DecoderErrorSuffix()));
        Close();
        return false;
    }
    // Frames are fetched with the record's whole 32-bit size, so it must fit the 16-bit fields.
    if (info->width <= 0 || info->width > 65535 || info->height <= 0 || info->height > 65535 ||
        static_cast<uint16_t>(info->frameRateDenominator) == 0) {
        ShowInformation(
            QStringLiteral("Le fichier « %1 » annonce des propriétés vidéo invalides (taille %2 × %3, "
                           "cadence %4/%5) !")
                .arg(fileName)
                .arg(info->width)
                .arg(info->height)
                .arg(info->frameRateNumerator)
                .arg(info->frameRateDenominator));
        Close();
        return false;
    }
    VideoInfo = info;
    // The record's values are kept as their low 16 bits, the frame count whole, as stored files expect.
    SetInputWidth(static_cast<uint16_t>(info->width));
    SetInputHeight(static_cast<uint16_t>(info->height));
    SetInputFrameRateNumerator(static_cast<uint16_t>(info->frameRateNumerator));
    SetInputFrameRateDenominator(static_cast<uint16_t>(info->frameRateDenominator));
    SetInputNumberOfFrames(static_cast<uint32_t>(info->numberOfFrames));
    SetFileName(fileName);
    const DecoderStreamFacts* facts = GetStreamFactsEntry != nullptr ? GetStreamFactsEntry() : nullptr;
    if (facts != nullptr)
        InputStreamFacts = *facts;
    // The stream's own shape; 16/9 when it names none or another one.
    SetInputDisplayFormat(StreamDisplayFormat().value_or(0));
    return true;
}

void TD2VFile::Close() {
    VideoInfo = nullptr;
    InputStreamFacts.reset();
    if (LibraryHandle && CloseVideoEntry != nullptr)
        CloseVideoEntry();
    UnloadDecoderLibrary();
}

bool TD2VFile::SetInputWidth(uint16_t value) {
    InputWidth = value;
    ComputeInputRatio();
    ComputeInputStandard();
    return true;
}

bool TD2VFile::SetInputHeight(uint16_t value) {
    if (value == 0) {
        ShowInformation(QStringLiteral("InputHeight must be strictly positive (Word) !"));
        return false;
    }
    InputHeight = value;
    ComputeInputRatio();
    ComputeInputStandard();
    return true;
}

bool TD2VFile::SetInputFrameRateNumerator(uint16_t value) {
    InputFrameRateNumerator = value;
    ComputeInputFrameRate();
    ComputeInputDuration();
    return true;
}

bool TD2VFile::SetInputFrameRateDenominator(uint16_t value) {
    if (value == 0) {
        ShowInformation(QStringLiteral("InputFrameRateDenominator must be strictly positive (Word) !"));
        return false;
    }
    InputFrameRateDenominator = value;
    ComputeInputFrameRate();
    ComputeInputDuration();
    return true;
}

bool TD2VFile::SetInputNumberOfFrames(uint32_t value) {
    InputNumberOfFrames = value;
    ComputeInputDuration();
    return true;
}

bool TD2VFile::SetFileName(const QString& value) {
    FileName = value;
    return true;
}

bool TD2VFile::SetInputDisplayFormat(uint8_t value) {
    InputDisplayFormat = value;
    ComputeInputDisplayRatio();
    return true;
}

bool TD2VFile::SetInputActiveWidth(uint16_t value) {
    InputActiveWidth = value;
    // The pixel shape follows, and with it everything the display ratio feeds.
    ComputeInputDisplayRatio();
    return true;
}

std::optional<uint8_t> TD2VFile::StreamDisplayFormat() const {
    if (!InputStreamFacts)
        return std::nullopt;
    switch (InputStreamFacts->displayAspect) {
    case 1:
        return uint8_t{1};
    case 2:
        return uint8_t{0};
    default:
        return std::nullopt;
    }
}

void TD2VFile::ComputeInputFrameRate() {
    if (InputFrameRateDenominator == 0) {
        ShowInformation(QStringLiteral("Bug in TD2VFile.ComputeInputFrameRate !"));
        return;
    }
    InputFrameRate =
        static_cast<float>(static_cast<long double>(InputFrameRateNumerator) / InputFrameRateDenominator);
}

void TD2VFile::ComputeInputDuration() {
    if (InputFrameRateNumerator == 0) {
        InputVideoDuration = 0;
        return;
    }
    const long double seconds = static_cast<long double>(InputFrameRateDenominator) /
                                InputFrameRateNumerator * static_cast<long double>(InputNumberOfFrames);
    const std::optional<uint32_t> duration = RoundToLowBits<uint32_t>(seconds);
    if (!duration) {
        ShowInformation(QStringLiteral("Bug in TD2VFile.ComputeInputDuration !"));
        return;
    }
    InputVideoDuration = *duration;
}

QString TD2VFile::GetInputStandardName() const {
    switch (InputStandard) {
    case 0:
        return QStringLiteral("PAL");
    case 1:
        return QStringLiteral("NTSC");
    default:
        return QStringLiteral("UNKNOWN");
    }
}
