#include "ui/SettingsFile.h"

#include "model/MessageSink.h"
#include "model/TD2VFullProject.h"
#include "model/UseFullUnit.h"
#include "platform/FileBytes.h"
#include "platform/NumberText.h"
#include "platform/PrivateProfile.h"
#include "ui/Cinescriptor.h"

#include <QCheckBox>
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

struct KeyEntry {
    IniKeyInfo Info;
    IniValue (*Value)(const TForm1&);
};

QString SizeText(uint16_t width, uint16_t height) {
    return QStringLiteral("%1 x %2").arg(width).arg(height);
}

// Writing order; each entry names its key once and says what is written.
constexpr int KeyCount = static_cast<int>(Key::KeyCount);

const KeyEntry Keys[KeyCount] = {
    {{"D2VFile", "InputFileName", false}, [](const TForm1& f) -> IniValue { return f.Project->FileName; }},
    {{"D2VFile", "InputNumberOfFrames", false},
     [](const TForm1& f) -> IniValue { return int64_t{f.Project->InputNumberOfFrames}; }},
    {{"D2VFile", "InputVideoDuration", false},
     [](const TForm1& f) -> IniValue { return DurationToString(f.Project->InputVideoDuration); }},
    {{"D2VFile", "InputFrameRate", false},
     [](const TForm1& f) -> IniValue { return double{f.Project->InputFrameRate}; }},
    {{"D2VFile", "InputFormat", false},
     [](const TForm1& f) -> IniValue { return SizeText(f.Project->InputWidth, f.Project->InputHeight); }},
    {{"VideoRange", "FirstFrameNumber", true},
     [](const TForm1& f) -> IniValue { return int64_t{f.Project->FirstFrameNumber}; }},
    {{"VideoRange", "LastFrameNumber", true},
     [](const TForm1& f) -> IniValue { return int64_t{f.Project->LastFrameNumber}; }},
    {{"VideoRange", "CreditsFrameNumber", true},
     [](const TForm1& f) -> IniValue { return int64_t{f.Project->CreditsFrameNumber}; }},
    {{"VideoRange", "MainVideoDuration", false},
     [](const TForm1& f) -> IniValue { return DurationToString(f.Project->MainVideoDuration); }},
    {{"VideoRange", "CreditsVideoDuration", false},
     [](const TForm1& f) -> IniValue { return DurationToString(f.Project->CreditsVideoDuration); }},
    {{"VideoRange", "IsCreditsModeSelected", true},
     [](const TForm1& f) -> IniValue { return f.Project->IsCreditsModeSelected; }},
    {{"VideoRange", "IsOnlyOneScript", true},
     [](const TForm1& f) -> IniValue { return f.IsOnlyOneScriptChecked(); }},
    {{"VideoRange", "CurrentFrame", true},
     [](const TForm1& f) -> IniValue { return int64_t{f.VideoRangeCurrentFrame}; }},
    {{"Cropping", "CropTop", true}, [](const TForm1& f) -> IniValue { return int64_t{f.Project->CropTop}; }},
    {{"Cropping", "CropBottom", true},
     [](const TForm1& f) -> IniValue { return int64_t{f.Project->CropBottom}; }},
    {{"Cropping", "CropLeft", true},
     [](const TForm1& f) -> IniValue { return int64_t{f.Project->CropLeft}; }},
    {{"Cropping", "CropRight", true},
     [](const TForm1& f) -> IniValue { return int64_t{f.Project->CropRight}; }},
    {{"Cropping", "CropsMultiple", true},
     [](const TForm1& f) -> IniValue { return int64_t{f.Project->CropsMultiple}; }},
    {{"Cropping", "Format", false},
     [](const TForm1& f) -> IniValue { return SizeText(f.Project->CroppedWidth, f.Project->CroppedHeight); }},
    {{"Cropping", "CroppedRatio", false},
     [](const TForm1& f) -> IniValue { return double{f.Project->CroppedRatio}; }},
    {{"Cropping", "CurrentFrame", true},
     [](const TForm1& f) -> IniValue { return int64_t{f.CroppingCurrentFrame}; }},
    {{"Resizing", "OutputWidth", true},
     [](const TForm1& f) -> IniValue { return int64_t{f.Project->OutputWidth}; }},
    {{"Resizing", "OutputHeight", false},
     [](const TForm1& f) -> IniValue { return int64_t{f.Project->OutputHeight}; }},
    {{"Resizing", "OutputWidthMultiple", true},
     [](const TForm1& f) -> IniValue { return int64_t{f.Project->OutputWidthMultiple}; }},
    {{"Resizing", "OutputHeightMultiple", true},
     [](const TForm1& f) -> IniValue { return int64_t{f.Project->OutputHeightMultiple}; }},
    {{"Resizing", "OutputProjectedRatio", true},
     [](const TForm1& f) -> IniValue { return double{f.Project->OutputProjectedRatio}; }},
    {{"Resizing", "CurrentFrame", true},
     [](const TForm1& f) -> IniValue { return int64_t{f.ResizingCurrentFrame}; }},
    {{"BitRate", "AudioSize", true},
     [](const TForm1& f) -> IniValue { return int64_t{f.Project->AudioSize}; }},
    {{"BitRate", "SubTitlesSize", true},
     [](const TForm1& f) -> IniValue { return int64_t{f.Project->SubTitlesSize}; }},
    {{"BitRate", "CreditsVideoSize", true},
     [](const TForm1& f) -> IniValue { return int64_t{f.Project->CreditsVideoSize}; }},
    {{"BitRate", "MediumSize", true},
     [](const TForm1& f) -> IniValue { return int64_t{f.Project->MediumSize}; }},
    {{"BitRate", "MainVideoSize", false},
     [](const TForm1& f) -> IniValue { return int64_t{f.Project->MainVideoSize}; }},
    {{"BitRate", "AveragePixelSize", false},
     [](const TForm1& f) -> IniValue { return double{f.Project->AveragePixelSize}; }},
    {{"BitRate", "BitRate", false}, [](const TForm1& f) -> IniValue { return int64_t{f.Project->BitRate}; }},
    {{"Interface", "IsMainScriptModele", true},
     [](const TForm1& f) -> IniValue { return f.IsMainScriptModele; }},
    {{"Interface", "IsCreditsScriptModele", true},
     [](const TForm1& f) -> IniValue { return f.IsCreditsScriptModele; }},
    {{"Interface", "MainScriptModele", true}, [](const TForm1& f) -> IniValue { return f.MainScriptModele; }},
    {{"Interface", "CreditsScriptModele", true},
     [](const TForm1& f) -> IniValue { return f.CreditsScriptModele; }},
    {{"Interface", "IsPrevisualizationModeSelected", true},
     [](const TForm1& f) -> IniValue { return f.IsPrevisualizationModeSelected; }},
    {{"Interface", "iDCT", true}, [](const TForm1& f) -> IniValue { return int64_t{f.iDCT}; }},
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

bool TForm1::TestIniFileMissing() const {
    return !CanReadFile(IniFileName);
}

bool TForm1::SaveIniFile() {
    // A named pipe or a device in the settings file's place: nothing is read from it or written
    // into it. The film opens without its settings; at closing the window stays open, as after
    // any write that fails, so that nothing is lost.
    if (KindOfFile(IniFileName) == FileKind::Other) {
        ShowWarning(
            IsOpeningFile
                ? QStringLiteral("Le fichier de réglages « %1 » n'est pas un fichier ordinaire : le film "
                                 "est ouvert sans ses réglages, et rien n'y sera écrit.")
                      .arg(IniFileName)
                : QStringLiteral("Le fichier de réglages « %1 » n'est pas un fichier ordinaire : les "
                                 "réglages n'y ont pas été écrits.")
                      .arg(IniFileName));
        return IsOpeningFile;
    }
    PrivateProfile profile(IniFileName);
    profile.Load();
    for (const KeyEntry& entry : Keys)
        profile.SetString(QLatin1String(entry.Info.Section), QLatin1String(entry.Info.Key),
                          ValueText(entry.Value(*this)));
    // Written in one piece: a failure leaves the previous file as it was.
    if (IniFileName.isEmpty() || !profile.Save()) {
        ShowWarning(QStringLiteral("Unable to write to %1").arg(IniFileName));
        return false;
    }
    return true;
}

// The order matters: each setter checks its value against what is already set, so the multiples
// come before the values aligned to them, the ratio before the width, the first frame before the
// last and the credits start. Every setter is called, with the unchanged value when a key is absent.
void TForm1::LoadIniFile() {
    PrivateProfile profile(IniFileName);
    profile.Load();
    const KeyReader read(profile);
    TD2VFullProject& p = *Project;

    p.SetCropsMultiple(read.Byte(Key::CropsMultiple, p.CropsMultiple));
    p.SetOutputWidthMultiple(read.Byte(Key::OutputWidthMultiple, p.OutputWidthMultiple));
    p.SetOutputHeightMultiple(read.Byte(Key::OutputHeightMultiple, p.OutputHeightMultiple));
    p.SetFirstFrameNumber(read.Integer(Key::FirstFrameNumber, p.FirstFrameNumber));
    p.SetLastFrameNumber(read.Integer(Key::LastFrameNumber, p.LastFrameNumber));
    p.SetCreditsFrameNumber(read.Integer(Key::CreditsFrameNumber, p.CreditsFrameNumber));
    p.SetIsCreditsModeSelected(read.Boolean(Key::IsCreditsModeSelected, p.IsCreditsModeSelected));
    SetOnlyOneScriptChecked(read.Boolean(Key::IsOnlyOneScript, IsOnlyOneScriptChecked()));
    VideoRangeCurrentFrame = read.SignedInteger(Key::VideoRangeCurrentFrame, VideoRangeCurrentFrame);
    p.SetCropTop(read.Word(Key::CropTop, p.CropTop));
    p.SetCropBottom(read.Word(Key::CropBottom, p.CropBottom));
    p.SetCropLeft(read.Word(Key::CropLeft, p.CropLeft));
    p.SetCropRight(read.Word(Key::CropRight, p.CropRight));
    CroppingCurrentFrame = read.SignedInteger(Key::CroppingCurrentFrame, CroppingCurrentFrame);
    p.SetOutputProjectedRatio(read.Float(Key::OutputProjectedRatio, p.OutputProjectedRatio));
    p.SetOutputWidth(read.Word(Key::OutputWidth, p.OutputWidth));
    ResizingCurrentFrame = read.SignedInteger(Key::ResizingCurrentFrame, ResizingCurrentFrame);
    p.SetAudioSize(read.Integer(Key::AudioSize, p.AudioSize));
    p.SetSubTitlesSize(read.Integer(Key::SubTitlesSize, p.SubTitlesSize));
    p.SetCreditsVideoSize(read.Integer(Key::CreditsVideoSize, p.CreditsVideoSize));
    p.SetMediumSize(read.Integer(Key::MediumSize, p.MediumSize));
    IsMainScriptModele = read.Boolean(Key::IsMainScriptModele, IsMainScriptModele);
    IsCreditsScriptModele = read.Boolean(Key::IsCreditsScriptModele, IsCreditsScriptModele);
    MainScriptModele = read.Text(Key::MainScriptModele, MainScriptModele).left(TemplatePathLength);
    CreditsScriptModele = read.Text(Key::CreditsScriptModele, CreditsScriptModele).left(TemplatePathLength);
    IsPrevisualizationModeSelected =
        read.Boolean(Key::IsPrevisualizationModeSelected, IsPrevisualizationModeSelected);
    // A number the list does not hold would go into scripts as a CPUType AviSynth refuses when
    // the encode starts: it reads as the default, which the next save writes back.
    const uint8_t idct = read.Byte(Key::iDCT, iDCT);
    iDCT = idct <= 7 ? idct : 7;
}

bool TForm1::IsOnlyOneScriptChecked() const {
    const auto* box = findChild<QCheckBox*>(QStringLiteral("CheckBoxOnlyOneScript"));
    return box != nullptr && box->isChecked();
}

void TForm1::SetOnlyOneScriptChecked(bool checked) {
    // Called while IsOpeningFile is set, so the box's click handler does nothing.
    if (auto* box = findChild<QCheckBox*>(QStringLiteral("CheckBoxOnlyOneScript")))
        box->setChecked(checked);
}
