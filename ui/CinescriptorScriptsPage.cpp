#include "ui/Cinescriptor.h"

#include "model/ScriptComposer.h"
#include "model/TD2VFullProject.h"
#include "ui/AviSynthScriptVisualizator.h"
#include "ui/BitRateCalculator.h"
#include "ui/UiSeam.h"
#include "ui_Cinescriptor.h"
#include "ui_ScriptsPage.h"

#include <QCheckBox>
#include <QVBoxLayout>

// Owned by the main window as a QObject child, so the page's controls need no destructor of ours.
class ScriptsPageWidgets : public QObject, public Ui::ScriptsPage {
public:
    using QObject::QObject;
};

namespace {

// Template paths are kept to the length the settings file has always held.
constexpr qsizetype TemplatePathLength = 255;

QString TemplateLabel(bool isChosen, const QString& path) {
    return isChosen ? QStringLiteral("Modèle de script sélectionné :  ") + path
                    : QStringLiteral("Cliquer sur Parcourir pour sélectionner un modèle de script ou par "
                                     "défaut utiliser le script minimal !");
}

// The template dialog; empty when the user cancels.
QString ChooseTemplate(QWidget* parent) {
    return Seam()
        .GetOpenFileName(parent, QStringLiteral("Ouverture d'un modèle de Script"), QString(),
                         QStringLiteral("AVS Files (*.avs)"))
        .left(TemplatePathLength);
}

} // namespace

void TForm1::BuildScriptsPage() {
    ScriptsPageUi = new ScriptsPageWidgets(this);
    auto* page = new QWidget(ui->TabSheet5);
    ScriptsPageUi->setupUi(page);
    auto* layout = new QVBoxLayout(ui->TabSheet5);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(page);

    ScriptsPageWidgets& w = *ScriptsPageUi;
    connect(w.ButtonMainScript, &QPushButton::clicked, this, &TForm1::ButtonMainScriptClick);
    connect(w.ButtonCreditsScript, &QPushButton::clicked, this, &TForm1::ButtonCreditsScriptClick);
    for (QPushButton* clear : {w.ButtonMainScriptClear, w.ButtonCreditsScriptClear})
        connect(clear, &QPushButton::clicked, this, [this, clear] { ButtonScriptClearClick(clear); });
    connect(w.CheckBoxPreVisualization, &QCheckBox::toggled, this, &TForm1::CheckBoxPreVisualizationClick);
    connect(w.ButtonGenerate, &QPushButton::clicked, this, &TForm1::ButtonGenerateClick);
    connect(w.ButtonBitRateCalculator, &QPushButton::clicked, this, &TForm1::ButtonBitRateCalculatorClick);

    // The two credits boxes sit on the sequence page, built before this one.
    if (auto* box = findChild<QCheckBox*>(QStringLiteral("CheckBoxIsCreditsModeSelected")))
        connect(box, &QCheckBox::toggled, this, &TForm1::CheckBoxIsCreditsModeSelectedClick);
    if (auto* box = findChild<QCheckBox*>(QStringLiteral("CheckBoxOnlyOneScript")))
        connect(box, &QCheckBox::toggled, this, &TForm1::CheckBoxOnlyOneScriptClick);
}

void TForm1::SetUpScriptsPage() {
    ScriptsPageUi->CheckBoxPreVisualization->setChecked(IsPrevisualizationModeSelected);
}

void TForm1::RefreshScriptsPage() {
    ScriptsPageWidgets& w = *ScriptsPageUi;
    const uint8_t mode = Project->CreditsMode;
    w.GroupBox8->setTitle(
        mode == 1 ? QStringLiteral("Modèle de script pour le traitement de la vidéo principale et "
                                   "des crédits")
                  : QStringLiteral("Modèle de script pour le traitement de la vidéo principale"));
    w.GroupBox10->setVisible(mode == 2);
    if (mode == 2)
        w.GroupBox10->setTitle(QStringLiteral("Modèle de script pour le traitement des crédits"));
    w.ButtonGenerate->setText(mode == 2 ? QStringLiteral("GENERER LES SCRIPTS")
                                        : QStringLiteral("GENERER LE SCRIPT"));
    w.LabelMainScript->setText(TemplateLabel(IsMainScriptModele, MainScriptModele));
    w.LabelCreditsScript->setText(TemplateLabel(IsCreditsScriptModele, CreditsScriptModele));
}

void TForm1::UpdateCreditsMode() {
    Project->SetCreditsMode(
        TD2VFullProject::CreditsModeFor(Project->IsCreditsModeSelected, IsOnlyOneScriptChecked()));
}

ScriptSource TForm1::CurrentScriptSource() const {
    const TD2VFullProject& p = *Project;
    ScriptSource s;
    s.FileName = p.FileName;
    s.CropTop = p.CropTop;
    s.CropBottom = p.CropBottom;
    s.CropLeft = p.CropLeft;
    s.CropRight = p.CropRight;
    s.OutputWidth = p.OutputWidth;
    s.OutputHeight = p.OutputHeight;
    s.FirstFrameNumber = p.FirstFrameNumber;
    s.LastFrameNumber = p.LastFrameNumber;
    s.CreditsFrameNumber = p.CreditsFrameNumber;
    s.iDCT = iDCT;
    s.IsCreditsModeSelected = p.IsCreditsModeSelected;
    s.CreditsMode = p.CreditsMode;
    s.IsMainScriptModele = IsMainScriptModele;
    s.MainScriptModele = MainScriptModele;
    s.IsCreditsScriptModele = IsCreditsScriptModele;
    s.CreditsScriptModele = CreditsScriptModele;
    s.D2VFilePath = D2VFilePath;
    return s;
}

void TForm1::ButtonMainScriptClick() {
    const QString path = ChooseTemplate(this);
    if (path.isEmpty())
        return;
    MainScriptModele = path;
    IsMainScriptModele = true;
    RefreshScriptsPage();
}

void TForm1::ButtonCreditsScriptClick() {
    const QString path = ChooseTemplate(this);
    if (path.isEmpty())
        return;
    CreditsScriptModele = path;
    IsCreditsScriptModele = true;
    RefreshScriptsPage();
}

void TForm1::ButtonScriptClearClick(QObject* sender) {
    if (sender == ScriptsPageUi->ButtonMainScriptClear) {
        MainScriptModele.clear();
        IsMainScriptModele = false;
        RefreshScriptsPage();
    }
    if (sender == ScriptsPageUi->ButtonCreditsScriptClear) {
        CreditsScriptModele.clear();
        IsCreditsScriptModele = false;
        RefreshScriptsPage();
    }
}

void TForm1::CheckBoxPreVisualizationClick() {
    if (IsOpeningFile)
        return;
    IsPrevisualizationModeSelected = ScriptsPageUi->CheckBoxPreVisualization->isChecked();
}

void TForm1::CheckBoxIsCreditsModeSelectedClick() {
    if (IsOpeningFile || !Project)
        return;
    const auto* box = findChild<QCheckBox*>(QStringLiteral("CheckBoxIsCreditsModeSelected"));
    Project->SetIsCreditsModeSelected(box != nullptr && box->isChecked());
    MarkRangeTicks();
    UpdateCreditsMode();
    RefreshSequencePage();
}

void TForm1::CheckBoxOnlyOneScriptClick() {
    if (IsOpeningFile || !Project)
        return;
    UpdateCreditsMode();
}

void TForm1::ButtonGenerateClick() {
    if (Form2 == nullptr)
        Form2 = new TForm2(this, [this] { return CurrentScriptSource(); });
    if (IsPrevisualizationModeSelected)
        Form2->GenerateWithPreview();
    else
        Form2->GenerateWithoutPreview();
}

void TForm1::ButtonBitRateCalculatorClick() {
    if (Form3 == nullptr)
        Form3 = new TForm3(this);
    // The calculator outlives the projects: it gets the one open now.
    Form3->SetProject(Project.get());
    Form3->SetD2VFilePath(D2VFilePath);
    Seam().ExecModal(Form3);
}
