#include "ui/ScriptsPage.h"

#include "model/ScriptComposer.h"
#include "model/TD2VFullProject.h"
#include "ui/AviSynthScriptVisualizator.h"
#include "ui/BitRateCalculator.h"
#include "ui/Cinescriptor.h"
#include "ui/InformationPage.h"
#include "ui/UiSeam.h"
#include "ui_ScriptsPage.h"

namespace {

// Template paths are kept to the length the settings file has always held.
constexpr qsizetype TemplatePathLength = 255;

QString TemplateLabel(bool isChosen, const QString& path) {
    return isChosen ? QStringLiteral("Modèle de script sélectionné :  ") + path
                    : QStringLiteral("Cliquer sur Parcourir pour sélectionner un modèle de script ou par "
                                     "défaut utiliser le script minimal !");
}

} // namespace

ScriptsPage::ScriptsPage(TForm1& owner, QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::ScriptsPage>()), form(owner) {
    ui->setupUi(this);
    connect(ui->ButtonMainScript, &QPushButton::clicked, this, &ScriptsPage::ButtonMainScriptClick);
    connect(ui->ButtonCreditsScript, &QPushButton::clicked, this, &ScriptsPage::ButtonCreditsScriptClick);
    for (QPushButton* clear : {ui->ButtonMainScriptClear, ui->ButtonCreditsScriptClear})
        connect(clear, &QPushButton::clicked, this, [this, clear] { ButtonScriptClearClick(clear); });
    connect(ui->CheckBoxPreVisualization, &QCheckBox::toggled, this,
            &ScriptsPage::CheckBoxPreVisualizationClick);
    connect(ui->ButtonGenerate, &QPushButton::clicked, this, &ScriptsPage::ButtonGenerateClick);
    connect(ui->ButtonBitRateCalculator, &QPushButton::clicked, this,
            &ScriptsPage::ButtonBitRateCalculatorClick);
}

ScriptsPage::~ScriptsPage() = default;

void ScriptsPage::SetUpScriptsPage() {
    ui->CheckBoxPreVisualization->setChecked(choices.IsPrevisualizationModeSelected);
}

void ScriptsPage::RefreshScriptsPage() {
    const uint8_t mode = form.Project()->CreditsMode;
    ui->GroupBox8->setTitle(
        mode == 1 ? QStringLiteral("Modèle de script pour le traitement de la vidéo principale et "
                                   "des crédits")
                  : QStringLiteral("Modèle de script pour le traitement de la vidéo principale"));
    ui->GroupBox10->setVisible(mode == 2);
    if (mode == 2)
        ui->GroupBox10->setTitle(QStringLiteral("Modèle de script pour le traitement des crédits"));
    ui->ButtonGenerate->setText(mode == 2 ? QStringLiteral("GENERER LES SCRIPTS")
                                          : QStringLiteral("GENERER LE SCRIPT"));
    ui->LabelMainScript->setText(TemplateLabel(choices.IsMainScriptModele, choices.MainScriptModele));
    ui->LabelCreditsScript->setText(
        TemplateLabel(choices.IsCreditsScriptModele, choices.CreditsScriptModele));
}

ScriptSource ScriptsPage::CurrentScriptSource() const {
    const TD2VFullProject& p = *form.Project();
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
    s.iDCT = form.Information().iDCT();
    s.IsCreditsModeSelected = p.IsCreditsModeSelected;
    s.CreditsMode = p.CreditsMode;
    s.IsMainScriptModele = choices.IsMainScriptModele;
    s.MainScriptModele = choices.MainScriptModele;
    s.IsCreditsScriptModele = choices.IsCreditsScriptModele;
    s.CreditsScriptModele = choices.CreditsScriptModele;
    s.D2VFilePath = form.D2VFilePath();
    return s;
}

void ScriptsPage::ChooseTemplate(bool& isChosen, QString& path) {
    const QString chosen = Seam()
                               .GetOpenFileName(window(), QStringLiteral("Ouverture d'un modèle de Script"),
                                                QString(), QStringLiteral("AVS Files (*.avs)"))
                               .left(TemplatePathLength);
    // A cancelled dialog keeps the former choice.
    if (chosen.isEmpty())
        return;
    path = chosen;
    isChosen = true;
    RefreshScriptsPage();
}

void ScriptsPage::ButtonMainScriptClick() {
    ChooseTemplate(choices.IsMainScriptModele, choices.MainScriptModele);
}

void ScriptsPage::ButtonCreditsScriptClick() {
    ChooseTemplate(choices.IsCreditsScriptModele, choices.CreditsScriptModele);
}

void ScriptsPage::ButtonScriptClearClick(QObject* sender) {
    const bool isMain = sender == ui->ButtonMainScriptClear;
    if (!isMain && sender != ui->ButtonCreditsScriptClear)
        return;
    (isMain ? choices.MainScriptModele : choices.CreditsScriptModele).clear();
    (isMain ? choices.IsMainScriptModele : choices.IsCreditsScriptModele) = false;
    RefreshScriptsPage();
}

void ScriptsPage::CheckBoxPreVisualizationClick() {
    if (form.IsOpeningFile())
        return;
    choices.IsPrevisualizationModeSelected = ui->CheckBoxPreVisualization->isChecked();
}

void ScriptsPage::ButtonGenerateClick() {
    if (Form2 == nullptr)
        Form2 = new TForm2(window(), [this] { return CurrentScriptSource(); });
    if (choices.IsPrevisualizationModeSelected)
        Form2->GenerateWithPreview();
    else
        Form2->GenerateWithoutPreview();
}

void ScriptsPage::ButtonBitRateCalculatorClick() {
    if (Form3 == nullptr)
        Form3 = new TForm3(window());
    // The calculator outlives the projects: it gets the one open now.
    Form3->SetProject(form.Project());
    Form3->SetD2VFilePath(form.D2VFilePath());
    Seam().ExecModal(Form3);
}
