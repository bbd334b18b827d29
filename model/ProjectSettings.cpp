#include "model/ProjectSettings.h"

#include "model/TD2VFullProject.h"
#include "model/UseFullUnit.h"
#include "platform/FileBytes.h"
#include "platform/NumberText.h"
#include "platform/PrivateProfile.h"

#include <cmath>
#include <limits>
#include <variant>

namespace {

// What a key holds, typed as the file writes it.
using IniValue = std::variant<int64_t, bool, double, QString>;

enum class Key {
    InputFileName,
    InputNumberOfFrames,
    InputVideoDuration,
    InputFrameRate,
    InputFormat,
    DisplayFormat,
    FirstFrameNumber,
    LastFrameNumber,
    CreditsFrameNumber,
    MainVideoDuration,
    CreditsVideoDuration,
    IsCreditsModeSelected,
    IsOnlyOneScript,
    VideoRangeCurrentFrame,
    CropTop,
    CropBottom,
    CropLeft,
    CropRight,
    CropsMultiple,
    CroppedFormat,
    CroppedRatio,
    CroppingCurrentFrame,
    OutputWidth,
    OutputHeight,
    OutputWidthMultiple,
    OutputHeightMultiple,
    OutputProjectedRatio,
    ResizingCurrentFrame,
    ActiveWidth,
    AudioSize,
    SubTitlesSize,
    CreditsVideoSize,
    MediumSize,
    MainVideoSize,
    AveragePixelSize,
    BitRate,
    IsMainScriptModele,
    IsCreditsScriptModele,
    MainScriptModele,
    CreditsScriptModele,
    IsPrevisualizationModeSelected,
    iDCT,
    KeyCount
};

// What the file is written from.
struct Held {
    const TD2VFullProject& p;
    const WindowSettings& w;
};

struct KeyEntry {
    IniKeyInfo Info;
    IniValue (*Value)(const Held&);
};

QString SizeText(uint16_t width, uint16_t height) {
    return QStringLiteral("%1 x %2").arg(width).arg(height);
}

// The display format as the file names it; the 16/9 – 4/3 choice has no third value.
QString DisplayFormatText(uint8_t format) {
    return format == 1 ? QStringLiteral("4:3") : QStringLiteral("16:9");
}

// Writing order; each entry names its key once and says what is written.
constexpr int KeyCount = static_cast<int>(Key::KeyCount);

const KeyEntry Keys[KeyCount] = {
    {{"D2VFile", "InputFileName", false}, [](const Held& h) -> IniValue { return h.p.FileName; }},
    {{"D2VFile", "InputNumberOfFrames", false},
     [](const Held& h) -> IniValue { return int64_t{h.p.InputNumberOfFrames}; }},
    {{"D2VFile", "InputVideoDuration", false},
     [](const Held& h) -> IniValue { return DurationToString(h.p.InputVideoDuration); }},
    {{"D2VFile", "InputFrameRate", false},
     [](const Held& h) -> IniValue { return double{h.p.InputFrameRate}; }},
    {{"D2VFile", "InputFormat", false},
     [](const Held& h) -> IniValue { return SizeText(h.p.InputWidth, h.p.InputHeight); }},
    {{"D2VFile", "DisplayFormat", true},
     [](const Held& h) -> IniValue { return DisplayFormatText(h.p.InputDisplayFormat); }},
    {{"VideoRange", "FirstFrameNumber", true},
     [](const Held& h) -> IniValue { return int64_t{h.p.FirstFrameNumber}; }},
    {{"VideoRange", "LastFrameNumber", true},
     [](const Held& h) -> IniValue { return int64_t{h.p.LastFrameNumber}; }},
    {{"VideoRange", "CreditsFrameNumber", true},
     [](const Held& h) -> IniValue { return int64_t{h.p.CreditsFrameNumber}; }},
    {{"VideoRange", "MainVideoDuration", false},
     [](const Held& h) -> IniValue { return DurationToString(h.p.MainVideoDuration); }},
    {{"VideoRange", "CreditsVideoDuration", false},
     [](const Held& h) -> IniValue { return DurationToString(h.p.CreditsVideoDuration); }},
    {{"VideoRange", "IsCreditsModeSelected", true},
     [](const Held& h) -> IniValue { return h.p.IsCreditsModeSelected; }},
    {{"VideoRange", "IsOnlyOneScript", true}, [](const Held& h) -> IniValue { return h.w.IsOnlyOneScript; }},
    {{"VideoRange", "CurrentFrame", true},
     [](const Held& h) -> IniValue { return int64_t{h.w.VideoRangeCurrentFrame}; }},
    {{"Cropping", "CropTop", true}, [](const Held& h) -> IniValue { return int64_t{h.p.CropTop}; }},
    {{"Cropping", "CropBottom", true}, [](const Held& h) -> IniValue { return int64_t{h.p.CropBottom}; }},
    {{"Cropping", "CropLeft", true}, [](const Held& h) -> IniValue { return int64_t{h.p.CropLeft}; }},
    {{"Cropping", "CropRight", true}, [](const Held& h) -> IniValue { return int64_t{h.p.CropRight}; }},
    {{"Cropping", "CropsMultiple", true},
     [](const Held& h) -> IniValue { return int64_t{h.p.CropsMultiple}; }},
    {{"Cropping", "Format", false},
     [](const Held& h) -> IniValue { return SizeText(h.p.CroppedWidth, h.p.CroppedHeight); }},
    {{"Cropping", "CroppedRatio", false}, [](const Held& h) -> IniValue { return double{h.p.CroppedRatio}; }},
    {{"Cropping", "CurrentFrame", true},
     [](const Held& h) -> IniValue { return int64_t{h.w.CroppingCurrentFrame}; }},
    {{"Resizing", "OutputWidth", true}, [](const Held& h) -> IniValue { return int64_t{h.p.OutputWidth}; }},
    {{"Resizing", "OutputHeight", false},
     [](const Held& h) -> IniValue { return int64_t{h.p.OutputHeight}; }},
    {{"Resizing", "OutputWidthMultiple", true},
     [](const Held& h) -> IniValue { return int64_t{h.p.OutputWidthMultiple}; }},
    {{"Resizing", "OutputHeightMultiple", true},
     [](const Held& h) -> IniValue { return int64_t{h.p.OutputHeightMultiple}; }},
    {{"Resizing", "OutputProjectedRatio", true},
     [](const Held& h) -> IniValue { return double{h.p.OutputProjectedRatio}; }},
    {{"Resizing", "CurrentFrame", true},
     [](const Held& h) -> IniValue { return int64_t{h.w.ResizingCurrentFrame}; }},
    {{"Resizing", "ActiveWidth", true},
     [](const Held& h) -> IniValue { return int64_t{h.p.InputActiveWidth == 704 ? 704 : 720}; }},
    {{"BitRate", "AudioSize", true}, [](const Held& h) -> IniValue { return int64_t{h.p.AudioSize}; }},
    {{"BitRate", "SubTitlesSize", true},
     [](const Held& h) -> IniValue { return int64_t{h.p.SubTitlesSize}; }},
    {{"BitRate", "CreditsVideoSize", true},
     [](const Held& h) -> IniValue { return int64_t{h.p.CreditsVideoSize}; }},
    {{"BitRate", "MediumSize", true}, [](const Held& h) -> IniValue { return int64_t{h.p.MediumSize}; }},
    {{"BitRate", "MainVideoSize", false},
     [](const Held& h) -> IniValue { return int64_t{h.p.MainVideoSize}; }},
    {{"BitRate", "AveragePixelSize", false},
     [](const Held& h) -> IniValue { return double{h.p.AveragePixelSize}; }},
    {{"BitRate", "BitRate", false}, [](const Held& h) -> IniValue { return int64_t{h.p.BitRate}; }},
    {{"Interface", "IsMainScriptModele", true},
     [](const Held& h) -> IniValue { return h.w.IsMainScriptModele; }},
    {{"Interface", "IsCreditsScriptModele", true},
     [](const Held& h) -> IniValue { return h.w.IsCreditsScriptModele; }},
    {{"Interface", "MainScriptModele", true}, [](const Held& h) -> IniValue { return h.w.MainScriptModele; }},
    {{"Interface", "CreditsScriptModele", true},
     [](const Held& h) -> IniValue { return h.w.CreditsScriptModele; }},
    {{"Interface", "IsPrevisualizationModeSelected", true},
     [](const Held& h) -> IniValue { return h.w.IsPrevisualizationModeSelected; }},
    {{"Interface", "iDCT", true}, [](const Held& h) -> IniValue { return int64_t{h.w.iDCT}; }},
};

QString ValueText(const IniValue& value) {
    if (const auto* integer = std::get_if<int64_t>(&value))
        // Unsigned 32-bit quantities of 2^31 and more go out as their two's-complement negative.
        return QString::number(static_cast<int32_t>(static_cast<uint32_t>(*integer)));
    if (const auto* boolean = std::get_if<bool>(&value))
        return *boolean ? QStringLiteral("1") : QStringLiteral("0");
    if (const auto* real = std::get_if<double>(&value))
        return FormatGeneral(*real, 15);
    return std::get<QString>(value);
}

// Typed reads of one key: an absent key or a text that does not parse gives the default, which
// is the value the target holds.
class KeyReader {
public:
    explicit KeyReader(const PrivateProfile& file) : profile(file) {}

    uint32_t Integer(Key key, uint32_t defaultValue) const {
        return ParseIniInteger(Text(key, QString())).value_or(defaultValue);
    }
    int32_t SignedInteger(Key key, int32_t defaultValue) const {
        return static_cast<int32_t>(Integer(key, static_cast<uint32_t>(defaultValue)));
    }
    // 8- and 16-bit targets take the low bits of the value.
    uint16_t Word(Key key, uint16_t defaultValue) const {
        return static_cast<uint16_t>(Integer(key, defaultValue));
    }
    uint8_t Byte(Key key, uint8_t defaultValue) const {
        return static_cast<uint8_t>(Integer(key, defaultValue));
    }
    bool Boolean(Key key, bool defaultValue) const {
        const std::optional<uint32_t> value = ParseIniInteger(Text(key, QString()));
        return value ? *value != 0 : defaultValue;
    }
    float Float(Key key, float defaultValue) const {
        const std::optional<long double> value = StrToFloat(Text(key, QString()));
        // Beyond a 32-bit float's range the narrowing has no value: the text counts as invalid.
        if (!value || !std::isfinite(*value) || std::fabs(*value) > std::numeric_limits<float>::max())
            return defaultValue;
        return static_cast<float>(*value);
    }
    QString Text(Key key, const QString& defaultValue) const {
        const IniKeyInfo& info = Keys[static_cast<int>(key)].Info;
        return profile.GetString(QLatin1String(info.Section), QLatin1String(info.Key), defaultValue)
            .left(PrivateProfile::MaxValueLength);
    }

private:
    const PrivateProfile& profile;
};

constexpr qsizetype TemplatePathLength = 255;

} // namespace

QString IniFileNameFor(const QString& d2vFileName) {
    const qsizetype nameStart = d2vFileName.lastIndexOf(QLatin1Char('/')) + 1;
    const qsizetype dot = d2vFileName.lastIndexOf(QLatin1Char('.'));
    const qsizetype extension = dot >= nameStart ? dot : d2vFileName.size();
    return d2vFileName.left(extension) + QStringLiteral(".ini");
}

std::optional<uint32_t> ParseIniInteger(const QString& text) {
    const std::optional<int64_t> value = StrToInt64(text);
    if (!value)
        return std::nullopt;
    const QString digits = text.trimmed();
    const bool negative = digits.startsWith(QLatin1Char('-'));
    QStringView rest = QStringView(digits);
    if (rest.startsWith(QLatin1Char('-')) || rest.startsWith(QLatin1Char('+')))
        rest = rest.mid(1);
    const bool hexadecimal = rest.startsWith(QLatin1Char('$')) || rest.startsWith(QLatin1String("0x")) ||
                             rest.startsWith(QLatin1String("0X"));
    if (hexadecimal) {
        // Any 32-bit pattern, written unsigned.
        if (negative || *value < 0 || *value > std::numeric_limits<uint32_t>::max())
            return std::nullopt;
        return static_cast<uint32_t>(*value);
    }
    if (*value < std::numeric_limits<int32_t>::min() || *value > std::numeric_limits<int32_t>::max())
        return std::nullopt;
    return static_cast<uint32_t>(static_cast<int32_t>(*value));
}

const IniKeyInfo* IniKeys(int& count) {
    static IniKeyInfo infos[KeyCount];
    for (int i = 0; i < KeyCount; ++i)
        infos[i] = Keys[i].Info;
    count = KeyCount;
    return infos;
}

bool IsIniFileMissing(const QString& iniFileName) {
    return !CanReadFile(iniFileName);
}

bool SaveProjectSettings(const QString& iniFileName, const TD2VFullProject& project,
                         const WindowSettings& window) {
    PrivateProfile profile(iniFileName);
    profile.Load();
    for (const KeyEntry& entry : Keys)
        profile.SetString(QLatin1String(entry.Info.Section), QLatin1String(entry.Info.Key),
                          ValueText(entry.Value({project, window})));
    // Written in one piece: a failure leaves the previous file as it was.
    return !iniFileName.isEmpty() && profile.Save();
}

// The order matters: each setter checks its value against what is already set, so the multiples
// come before the values aligned to them, the ratio before the width, the first frame before the
// last and the credits start. Every setter is called, with the unchanged value when a key is absent.
void LoadProjectSettings(const QString& iniFileName, TD2VFullProject& p, WindowSettings& w) {
    PrivateProfile profile(iniFileName);
    profile.Load();
    const KeyReader read(profile);

    // An unknown value keeps what opening took from the stream; the next save writes it cleanly.
    const QString display = read.Text(Key::DisplayFormat, QString()).trimmed();
    if (display == DisplayFormatText(0) || display == DisplayFormatText(1))
        p.SetInputDisplayFormat(display == DisplayFormatText(1) ? 1 : 0);
    const uint32_t activeWidth = read.Integer(Key::ActiveWidth, p.InputActiveWidth);
    if (activeWidth == 720 || activeWidth == 704)
        p.SetInputActiveWidth(static_cast<uint16_t>(activeWidth));
    p.SetCropsMultiple(read.Byte(Key::CropsMultiple, p.CropsMultiple));
    p.SetOutputWidthMultiple(read.Byte(Key::OutputWidthMultiple, p.OutputWidthMultiple));
    p.SetOutputHeightMultiple(read.Byte(Key::OutputHeightMultiple, p.OutputHeightMultiple));
    p.SetFirstFrameNumber(read.Integer(Key::FirstFrameNumber, p.FirstFrameNumber));
    p.SetLastFrameNumber(read.Integer(Key::LastFrameNumber, p.LastFrameNumber));
    p.SetCreditsFrameNumber(read.Integer(Key::CreditsFrameNumber, p.CreditsFrameNumber));
    p.SetIsCreditsModeSelected(read.Boolean(Key::IsCreditsModeSelected, p.IsCreditsModeSelected));
    w.IsOnlyOneScript = read.Boolean(Key::IsOnlyOneScript, w.IsOnlyOneScript);
    w.VideoRangeCurrentFrame = read.SignedInteger(Key::VideoRangeCurrentFrame, w.VideoRangeCurrentFrame);
    p.SetCropTop(read.Word(Key::CropTop, p.CropTop));
    p.SetCropBottom(read.Word(Key::CropBottom, p.CropBottom));
    p.SetCropLeft(read.Word(Key::CropLeft, p.CropLeft));
    p.SetCropRight(read.Word(Key::CropRight, p.CropRight));
    w.CroppingCurrentFrame = read.SignedInteger(Key::CroppingCurrentFrame, w.CroppingCurrentFrame);
    p.SetOutputProjectedRatio(read.Float(Key::OutputProjectedRatio, p.OutputProjectedRatio));
    p.SetOutputWidth(read.Word(Key::OutputWidth, p.OutputWidth));
    w.ResizingCurrentFrame = read.SignedInteger(Key::ResizingCurrentFrame, w.ResizingCurrentFrame);
    p.SetAudioSize(read.Integer(Key::AudioSize, p.AudioSize));
    p.SetSubTitlesSize(read.Integer(Key::SubTitlesSize, p.SubTitlesSize));
    p.SetCreditsVideoSize(read.Integer(Key::CreditsVideoSize, p.CreditsVideoSize));
    p.SetMediumSize(read.Integer(Key::MediumSize, p.MediumSize));
    w.IsMainScriptModele = read.Boolean(Key::IsMainScriptModele, w.IsMainScriptModele);
    w.IsCreditsScriptModele = read.Boolean(Key::IsCreditsScriptModele, w.IsCreditsScriptModele);
    w.MainScriptModele = read.Text(Key::MainScriptModele, w.MainScriptModele).left(TemplatePathLength);
    w.CreditsScriptModele =
        read.Text(Key::CreditsScriptModele, w.CreditsScriptModele).left(TemplatePathLength);
    w.IsPrevisualizationModeSelected =
        read.Boolean(Key::IsPrevisualizationModeSelected, w.IsPrevisualizationModeSelected);
    // A number the list does not hold would go into scripts as a CPUType AviSynth refuses when
    // the encode starts: it reads as the default, which the next save writes back.
    const uint8_t idct = read.Byte(Key::iDCT, w.iDCT);
    w.iDCT = idct <= 7 ? idct : 7;
}
