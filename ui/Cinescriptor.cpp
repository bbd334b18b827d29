#include "ui/Cinescriptor.h"

#include "model/MessageSink.h"
#include "model/TD2VFullProject.h"
#include "model/UseFullUnit.h"
#include "platform/NumberText.h"
#include "ui/About.h"
#include "ui/OpenVideo.h"
#include "ui/SettingsFile.h"
#include "ui/UiSeam.h"
#include "ui/widgets/EditHandlers.h"
#include "ui/widgets/RadioGroup.h"
#include "ui_Cinescriptor.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QMenuBar>
#include <QSignalBlocker>

namespace {

const QStringList ProcessorTypes = {
    QStringLiteral("0: Default value (in .d2v file)"),
    QStringLiteral(
        "1: 32 bits MMX (P2, P3, P3 \"Coppermine\", Celeron \"Covington\" and \"Mendicino\", Athlon, "
        "Athlon \"ThunderBird\", Duron \"Spitfire\")"),
    QStringLiteral(
        "2: 32 bits SSEMMX (P3 \"Tualatin\", Celeron \"Coppermine\" and \"Tualatin\", Athlon XP and MP, "
        "Duron \"Morgan\")"),
    QStringLiteral("3: 64 bits FPU"),
    QStringLiteral("4: 64 bits IEEE-1180 Reference"),
    QStringLiteral("5: 32 bits SSE2 (P4, Xeon, Celeron Socket 478)"),
    QStringLiteral("6: Tovan's SSEMMX iDCT (Fastest for SSEMMX processors)"),
    QStringLiteral("7: SimpleiDCT (Very accurate iDCT from XviD project)"),
};

constexpr int ClientWidth = 993;
constexpr int ClientHeight = 658;

} // namespace

TForm1::TForm1(QWidget* parent) : QMainWindow(parent), ui(std::make_unique<Ui::TForm1>()) {
    ui->setupUi(this);
    // The window keeps its design size: the pages place their controls at fixed positions.
    setFixedSize(ClientWidth, ClientHeight + menuBar()->sizeHint().height());

    connect(ui->Ouvrir1, &QAction::triggered, this, &TForm1::Ouvrir1Click);
    VideoOpener = new OpenVideo(this, ui->OuvrirVideo1);
    connect(ui->Quitter1, &QAction::triggered, this, &TForm1::Quitter1Click);
    connect(ui->APropos1, &QAction::triggered, this, &TForm1::APropos1Click);
    // SetActivePage blocks this signal, so only the user's page changes reach the handler.
    connect(ui->PageControl1, &QTabWidget::currentChanged, this, &TForm1::PageControl1Change);
    connect(ui->RadioGroupInputDisplayFormat, &RadioGroup::Click, this,
            &TForm1::RadioGroupInputDisplayFormatClick);
    connect(ui->ComboBoxProcessorType, &QComboBox::activated, this, &TForm1::ComboBoxProcessorTypeChange);

    BuildSequencePage();
    BuildCropPage();
    BuildResizePage();
    BuildScriptsPage();
    ClearDefaultButtons(this);

    ui->PageControl1->hide();
}

TForm1::~TForm1() = default;

void TForm1::Ouvrir1Click() {
    const QString fileName = Seam().GetOpenFileName(this, QStringLiteral("Ouverture d'un fichier .D2V"),
                                                    QString(), QStringLiteral("D2V Files (*.d2v)"));
    if (!fileName.isEmpty())
        OpenD2VFile(fileName);
}

void TForm1::Quitter1Click() {
    // exit() rather than quit(): quit() would close the window first and ask the save question.
    QCoreApplication::exit(0);
}

bool TForm1::OpenD2VFile(const QString& fileName) {
    IsOpeningFile = true;
    // The old project goes unsaved. Its pages go with it until the new film is ready, so that no
    // handler can reach a half-made project while a message box of the opening is up.
    ui->PageControl1->hide();
    Project.reset();

    if (!CreateProject(fileName)) {
        Project.reset();
        IsOpeningFile = false;
        return false;
    }
    SetUpInformationPage();
    SetUpSequencePage();
    SetUpCropPage();
    SetUpResizePage();
    SetUpScriptsPage();
    ui->PageControl1->show();
    RefreshInformationPage();
    SetActivePage(0);
    IsOpeningFile = false;
    return true;
}

bool TForm1::CreateProject(const QString& fileName) {
    Project = std::make_unique<TD2VFullProject>();
    // A failed open has already said why.
    if (!Project->Open(fileName))
        return false;
    if (Project->InputNumberOfFrames == 0) {
        ShowWarning(QStringLiteral("Le fichier %1 ne contient aucune image : il ne peut pas être ouvert.")
                        .arg(Project->FileName));
        return false;
    }

    const QString& name = Project->FileName;
    D2VFilePath = name.left(name.lastIndexOf(QLatin1Char('/')) + 1);
    IniFileName = IniFileNameFor(name);
    IsIniFileMissing = TestIniFileMissing();

    IsMainScriptModele = false;
    IsCreditsScriptModele = false;
    MainScriptModele.clear();
    CreditsScriptModele.clear();
    IsPrevisualizationModeSelected = false;
    Project->SetIsCreditsModeSelected(false);
    IsAspectRatioErrorMinimized = false;
    iDCT = 7;
    VideoRangeCurrentFrame = 0;
    CroppingCurrentFrame = 0;
    ResizingCurrentFrame = 0;
    // The one-script choice is kept in the settings file; a film without one starts unchecked
    // rather than inheriting the previous film's choice.
    SetOnlyOneScriptChecked(false);

    if (IsIniFileMissing) {
        if (!SaveIniFile())
            return false;
    } else {
        LoadIniFile();
    }
    UpdateCreditsMode();
    return true;
}

void TForm1::SetUpInformationPage() {
    for (QWidget* w : std::initializer_list<QWidget*>{
             ui->GroupBox1, ui->GroupBox2, ui->LabelD2VFileName, ui->LabelDuration, ui->LabelFormat,
             ui->LabelFrameNumber, ui->LabelFrameRate, ui->RadioGroupInputDisplayFormat})
        w->show();
    ui->LabelVOBSize->hide();

    if (Project->InputDisplayFormat == 0)
        ui->RadioGroupInputDisplayFormat->SetItemIndex(0);
    else if (Project->InputDisplayFormat == 1)
        ui->RadioGroupInputDisplayFormat->SetItemIndex(1);

    QPlainTextEdit* memo = ui->MemoInputDisplayFormat;
    QPalette palette = memo->palette();
    palette.setColor(QPalette::Base, this->palette().color(QPalette::Window));
    memo->setPalette(palette);
    memo->setReadOnly(true);
    memo->clear();
    for (const char* line :
         {"ATTENTION !", "",
          "Le format d'affichage n'est pas déterminé de manière automatique par Cinescriptor.", "",
          "Il faut effectuer ce réglage afin d'obtenir un affichage correct de la vidéo."})
        memo->appendPlainText(QString::fromUtf8(line));

    QComboBox* combo = ui->ComboBoxProcessorType;
    combo->clear();
    combo->setEditable(false);
    combo->show();
    combo->addItems(ProcessorTypes);
    // An iDCT beyond the list (a hand-edited file) selects nothing and stays as read.
    combo->setCurrentIndex(iDCT < ProcessorTypes.size() ? iDCT : -1);
}

void TForm1::RefreshInformationPage() {
    const TD2VFullProject& p = *Project;
    ui->LabelD2VFileName->setText(QStringLiteral("Fichier .D2V en cours : ") + p.FileName);
    ui->LabelDuration->setText(QStringLiteral("Durée :  %1 Secondes ( %2 ).")
                                   .arg(p.InputVideoDuration)
                                   .arg(DurationToString(p.InputVideoDuration)));
    ui->LabelFormat->setText(QStringLiteral("Format  (Largeur x Hauteur) :  %1 x %2 (pixels)   -   %3")
                                 .arg(p.InputWidth)
                                 .arg(p.InputHeight)
                                 .arg(p.GetInputStandardName()));
    ui->LabelFrameNumber->setText(QStringLiteral("Nombre de frames :  %1").arg(p.InputNumberOfFrames));
    ui->LabelFrameRate->setText(QStringLiteral("Frame Rate :  ") +
                                FormatGeneral(static_cast<double>(p.InputFrameRate), 15) +
                                QStringLiteral(" frames par seconde"));
}

void TForm1::SetActivePage(int index) {
    const QSignalBlocker blocker(ui->PageControl1);
    ui->PageControl1->setCurrentIndex(index);
}

void TForm1::PageControl1Change(int index) {
    if (!Project)
        return;
    switch (index) {
    case 0:
        RefreshInformationPage();
        break;
    case 1:
        MarkRangeTicks();
        RefreshSequencePage();
        break;
    case 2:
        LoadCropSpinners();
        RefreshCropPage();
        break;
    case 3:
        RefreshResizePage();
        break;
    case 4:
        RefreshScriptsPage();
        break;
    default:
        ShowWarning(QStringLiteral("Invalid ActivePageIndex in TForm1.PageControl1Change !"));
        break;
    }
}

void TForm1::RadioGroupInputDisplayFormatClick() {
    const int index = ui->RadioGroupInputDisplayFormat->ItemIndex();
    if (Project && (index == 0 || index == 1))
        Project->SetInputDisplayFormat(static_cast<uint8_t>(index));
}

void TForm1::ComboBoxProcessorTypeChange(int index) {
    if (index >= 0 && index < ProcessorTypes.size())
        iDCT = static_cast<uint8_t>(index);
}

void TForm1::closeEvent(QCloseEvent* event) {
    if (FormClose())
        event->accept();
    else
        event->ignore();
}

bool TForm1::FormClose() {
    if (Project) {
        // A settings file that cannot be written keeps the window open, so nothing is lost.
        if (AskConfirmation(QStringLiteral("Sauver les modifications en quittant ?")) && !SaveIniFile())
            return false;
        ui->PageControl1->hide();
        Project.reset();
    }
    return true;
}

void TForm1::APropos1Click() {
    if (FormAbout == nullptr)
        FormAbout = new TFormAbout(this);
    Seam().ExecModal(FormAbout);
}
