#include "ui/EstimateSize.h"

#include "model/MessageSink.h"
#include "model/ModelArithmetic.h"
#include "model/TD2VFullProject.h"
#include "model/UseFullUnit.h"
#include "platform/NumberText.h"
#include "ui/BitRateCalculator.h"
#include "ui/widgets/EditHandlers.h"

#include "ui_EstimateSize.h"

namespace {

bool IsEstimatedKind(uint8_t kind) {
    return kind == AudioKind || kind == CreditsVideoKind;
}

QString EstimateTooBigMessage() {
    return QStringLiteral("L'estimation dépasserait la limite de %1 octets : "
                          "la valeur saisie est refusée et la précédente est conservée !")
        .arg(TD2VFullProject::MaximumSize);
}

} // namespace

TFormEstimateSize::TFormEstimateSize(TForm3* owner)
    : SizeEntryDialog(owner), ui(std::make_unique<Ui::TFormEstimateSize>()) {
    ui->setupUi(this);
    SetUpSizeWindow(this, ui->LabelTitle, ui->LabelMainVideoSize, ui->LabelBitsPerPixel, ui->LabelBitRate);
    ui->LabeledEditBitRate->setText(QStringLiteral("0"));

    EditHandlers bitRate;
    bitRate.KeyFilter = &GetValidIntegerKey;
    bitRate.OnEnter = [this] { LabeledEditBitRateKeyDown(); };
    bitRate.OnExit = [this] { LabeledEditBitRateExit(); };
    AttachEditHandlers(ui->LabeledEditBitRate, std::move(bitRate));
    EditHandlers margin;
    margin.KeyFilter = &GetValidSignedIntegerKey;
    margin.OnEnter = [this] { LabeledEditMarginKeyDown(); };
    margin.OnExit = [this] { LabeledEditMarginExit(); };
    AttachEditHandlers(ui->LabeledEditMargin, std::move(margin));
    connect(ui->ButtonEnter, &QPushButton::clicked, this, &TFormEstimateSize::ButtonEnterClick);
    connect(ui->ButtonCancel, &QPushButton::clicked, this, &TFormEstimateSize::ButtonCancelClick);
}

// A focused box loses its focus while the window is torn down: its handlers must not run then.
TFormEstimateSize::~TFormEstimateSize() {
    AttachEditHandlers(ui->LabeledEditBitRate, EditHandlers{});
    AttachEditHandlers(ui->LabeledEditMargin, EditHandlers{});
}

void TFormEstimateSize::FormShow(TD2VFullProject& project) {
    if (IsEstimatedKind(calculator->FormSender))
        SavedSize = SizeOfKind(project, calculator->FormSender);
    IsValidated = false;
    EstimatedSize = 0;
    EnteredBitRate = 0;
    EnteredMargin = 0;
    ui->LabeledEditBitRate->setText(QStringLiteral("0"));
    ui->LabeledEditMargin->setText(QStringLiteral("0"));
    ui->LabeledEditBitRate->setFocus(Qt::OtherFocusReason);
    ui->LabeledEditBitRate->selectAll();
    RefreshResults();
}

std::optional<uint32_t> TFormEstimateSize::EstimateFor(uint16_t bitRate, int8_t margin) const {
    const TD2VFullProject* project = calculator->Project();
    if (project == nullptr || !IsEstimatedKind(calculator->FormSender))
        return std::nullopt;
    const uint32_t duration =
        calculator->FormSender == AudioKind ? project->FullVideoDuration : project->CreditsVideoDuration;
    // 128 bytes per second for each kbit/s; in 64 bits, so a long film at a high rate never wraps.
    const uint64_t base = uint64_t{duration} * bitRate * 128u;
    const long double estimate = RoundHalfEven(static_cast<long double>(base) * (1.0L + margin / 100.0L));
    if (estimate > TD2VFullProject::MaximumSize)
        return std::nullopt;
    return static_cast<uint32_t>(estimate);
}

void TFormEstimateSize::ComputeEstimatedSize() {
    if (const std::optional<uint32_t> estimate = EstimateFor(EnteredBitRate, EnteredMargin))
        EstimatedSize = *estimate;
}

bool TFormEstimateSize::TakeEntries(uint16_t bitRate, int8_t margin) {
    if (IsEstimatedKind(calculator->FormSender) && !EstimateFor(bitRate, margin)) {
        ShowInformation(EstimateTooBigMessage());
        ui->LabeledEditBitRate->setText(QString::number(EnteredBitRate));
        ui->LabeledEditMargin->setText(QString::number(EnteredMargin));
        return false;
    }
    EnteredBitRate = bitRate;
    EnteredMargin = margin;
    ComputeEstimatedSize();
    RefreshResults();
    return true;
}

void TFormEstimateSize::TakeBitRate(bool isExit) {
    const QString text = ui->LabeledEditBitRate->text();
    if (IsStringValidLongWordInRange(text, 0, MaximumBitRate))
        TakeEntries(static_cast<uint16_t>(StringToValidLongWord(text)), EnteredMargin);
    else if (isExit)
        ui->LabeledEditBitRate->setText(QString::number(EnteredBitRate));
}

void TFormEstimateSize::TakeMargin(bool isExit) {
    const QString text = ui->LabeledEditMargin->text();
    if (IsStringValidInt64InRange(text, -MaximumMargin, MaximumMargin))
        TakeEntries(EnteredBitRate, static_cast<int8_t>(StrToInt64(text).value_or(0)));
    else if (isExit)
        ui->LabeledEditMargin->setText(QString::number(EnteredMargin));
}

void TFormEstimateSize::RefreshResults() {
    ui->LabelSize->setText(QStringLiteral("Taille :  ") + QString::number(EstimatedSize) +
                           QStringLiteral(" Octets, soit ") + SizeToString(EstimatedSize));
    if (const TD2VFullProject* project = calculator->Project())
        ShowBudget(*project, ui->LabelMainVideoSize, ui->LabelBitsPerPixel, ui->LabelBitRate);
}

void TFormEstimateSize::ApplyEstimatedSize() {
    TD2VFullProject* project = calculator->Project();
    const uint8_t kind = calculator->FormSender;
    if (project == nullptr || !IsEstimatedKind(kind))
        return;
    if (!SetSizeOfKind(*project, kind, uint64_t{SavedSize} + EstimatedSize))
        RestoreSavedSize();
}

void TFormEstimateSize::RestoreSavedSize() {
    TD2VFullProject* project = calculator->Project();
    const uint8_t kind = calculator->FormSender;
    if (project != nullptr && IsEstimatedKind(kind))
        SetSizeOfKind(*project, kind, SavedSize);
}

void TFormEstimateSize::LabeledEditBitRateKeyDown() {
    TakeBitRate(false);
}

void TFormEstimateSize::LabeledEditBitRateExit() {
    TakeBitRate(true);
}

void TFormEstimateSize::LabeledEditMarginKeyDown() {
    TakeMargin(false);
}

void TFormEstimateSize::LabeledEditMarginExit() {
    TakeMargin(true);
}
