#include "ui/EnterManualSize.h"

#include "model/MessageSink.h"
#include "model/ModelArithmetic.h"
#include "model/TD2VFullProject.h"
#include "model/UseFullUnit.h"
#include "platform/NumberText.h"
#include "ui/BitRateCalculator.h"
#include "ui/widgets/EditHandlers.h"

#include "ui_EnterManualSize.h"

#include <cfloat>

namespace {

// Bytes per unit, by position in the unit list.
constexpr uint32_t UnitFactors[] = {1, 1024, 1048576, 681984000, 737280000};
constexpr int CdUnitsCount = 5;
constexpr uint32_t OneCd700 = 737280000;

QString RefusedSizeMessage() {
    return QStringLiteral("La taille saisie doit être comprise entre 0 et %1 octets : "
                          "elle est refusée et la précédente est conservée !")
        .arg(TD2VFullProject::MaximumSize);
}

} // namespace

TFormEnterManualSize::TFormEnterManualSize(TForm3* owner)
    : SizeEntryDialog(owner), ui(std::make_unique<Ui::TFormEnterManualSize>()) {
    ui->setupUi(this);
    SetUpSizeWindow(this, ui->LabelTitle, ui->LabelMainVideoSize, ui->LabelBitsPerPixel, ui->LabelBitRate);

    ui->LabeledEditNumber->setText(QStringLiteral("0"));
    ui->LabeledEditNumber->setLabelText(QStringLiteral("Taille :  "));
    ui->ComboBoxUnit->clear();
    ui->ComboBoxUnit->setEditable(false);
    ui->ComboBoxUnit->setVisible(true);
    ui->ComboBoxUnit->addItems({QStringLiteral("Octets"), QStringLiteral("Ko"), QStringLiteral("Mo")});

    EditHandlers handlers;
    handlers.KeyFilter = &GetValidRealKey;
    handlers.OnEnter = [this] { LabeledEditNumberKeyDown(); };
    handlers.OnExit = [this] { LabeledEditNumberExit(); };
    AttachEditHandlers(ui->LabeledEditNumber, std::move(handlers));
    connect(ui->ComboBoxUnit, &QComboBox::activated, this, &TFormEnterManualSize::ComboBoxUnitChange);
    connect(ui->ButtonEnter, &QPushButton::clicked, this, &TFormEnterManualSize::ButtonEnterClick);
    connect(ui->ButtonCancel, &QPushButton::clicked, this, &TFormEnterManualSize::ButtonCancelClick);
}

// A focused box loses its focus while the window is torn down: its handlers must not run then.
TFormEnterManualSize::~TFormEnterManualSize() {
    AttachEditHandlers(ui->LabeledEditNumber, EditHandlers{});
}

void TFormEnterManualSize::FormShow(TD2VFullProject& project) {
    const uint8_t kind = calculator->FormSender;
    SavedSize = SizeOfKind(project, kind);
    if (kind == MediumKind) {
        ui->LabeledEditNumber->setText(QStringLiteral("1"));
        if (ui->ComboBoxUnit->count() < CdUnitsCount)
            ui->ComboBoxUnit->addItems({QStringLiteral("CD(s) 650 Mo"), QStringLiteral("CD(s) 700 Mo")});
        ui->ComboBoxUnit->setCurrentIndex(4);
        EnteredSize = OneCd700;
        project.SetMediumSize(OneCd700);
    } else {
        ui->LabeledEditNumber->setText(QStringLiteral("0"));
        ui->ComboBoxUnit->setCurrentIndex(kind == SubTitlesKind ? 1 : 2);
        EnteredSize = 0;
    }
    IsValidated = false;
    takenText = ui->LabeledEditNumber->text();
    takenUnit = ui->ComboBoxUnit->currentIndex();
    ui->LabeledEditNumber->setFocus(Qt::OtherFocusReason);
    ui->LabeledEditNumber->selectAll();
    RefreshResults();
}

std::optional<uint32_t> TFormEnterManualSize::GetSizeInBytes(long double number) {
    const int index = ui->ComboBoxUnit->currentIndex();
    if (index < 0 || index >= CdUnitsCount) {
        ShowWarning(QStringLiteral("Invalid ComboBoxUnit.ItemIndex in TForm4.GetSizeInBytes !"));
        return 0;
    }
    // Also false for NaN; beyond FLT_MAX the conversion to float is undefined.
    if (!(number >= 0.0L && number <= FLT_MAX))
        return std::nullopt;
    const auto single = static_cast<float>(number);
    const long double bytes = RoundHalfEven(static_cast<long double>(single) * UnitFactors[index]);
    if (bytes > TD2VFullProject::MaximumSize)
        return std::nullopt;
    return static_cast<uint32_t>(bytes);
}

void TFormEnterManualSize::TakeNumber(TakeReason reason) {
    const std::optional<long double> number = StrToFloat(ui->LabeledEditNumber->text());
    if (number) {
        if (const std::optional<uint32_t> bytes = GetSizeInBytes(*number)) {
            EnteredSize = *bytes;
            takenText = ui->LabeledEditNumber->text();
            takenUnit = ui->ComboBoxUnit->currentIndex();
        } else {
            ShowInformation(RefusedSizeMessage());
            ui->LabeledEditNumber->setText(takenText);
            ui->ComboBoxUnit->setCurrentIndex(takenUnit);
        }
    } else {
        // The box and the unit go back to what EnteredSize was made of, so what is shown is
        // what would be applied.
        switch (reason) {
        case TakeReason::Exit:
            ui->LabeledEditNumber->setText(takenText);
            ui->ComboBoxUnit->setCurrentIndex(takenUnit);
            break;
        case TakeReason::UnitChange:
            ShowWarning(QStringLiteral("StrToFloat exception in TForm4.ComboBoxUnitChange !"));
            ui->ComboBoxUnit->setCurrentIndex(takenUnit);
            break;
        case TakeReason::EnterKey:
            break;
        }
    }
    RefreshResults();
}

void TFormEnterManualSize::RefreshResults() {
    if (const TD2VFullProject* project = calculator->Project())
        ShowBudget(*project, ui->LabelMainVideoSize, ui->LabelBitsPerPixel, ui->LabelBitRate);
}

void TFormEnterManualSize::ApplyEnteredSize() {
    TD2VFullProject* project = calculator->Project();
    if (project == nullptr)
        return;
    const uint8_t kind = calculator->FormSender;
    bool applied = false;
    if (kind == MediumKind)
        applied = SetSizeOfKind(*project, kind, EnteredSize);
    else if (kind <= CreditsVideoKind)
        applied = SetSizeOfKind(*project, kind, uint64_t{SavedSize} + EnteredSize);
    if (!applied)
        RestoreSavedSize();
}

void TFormEnterManualSize::RestoreSavedSize() {
    TD2VFullProject* project = calculator->Project();
    if (project != nullptr && calculator->FormSender <= MediumKind)
        SetSizeOfKind(*project, calculator->FormSender, SavedSize);
}

void TFormEnterManualSize::LabeledEditNumberKeyDown() {
    TakeNumber(TakeReason::EnterKey);
}

void TFormEnterManualSize::LabeledEditNumberExit() {
    TakeNumber(TakeReason::Exit);
}

void TFormEnterManualSize::ComboBoxUnitChange() {
    TakeNumber(TakeReason::UnitChange);
}
