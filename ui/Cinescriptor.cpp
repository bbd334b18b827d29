#include "ui/Cinescriptor.h"

#include "model/MessageSink.h"
#include "model/TD2VFullProject.h"
#include "ui/About.h"
#include "ui/CropPage.h"
#include "ui/InformationPage.h"
#include "ui/OpenVideo.h"
#include "ui/ResizePage.h"
#include "ui/ScriptsPage.h"
#include "ui/SequencePage.h"
#include "ui/SettingsFile.h"
#include "ui/UiSeam.h"
#include "ui/widgets/EditHandlers.h"
#include "ui_Cinescriptor.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QMenuBar>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace {

constexpr int ClientWidth = 993;
constexpr int ClientHeight = 658;

// A page filling its tab; pages place their controls at fixed positions inside.
template <typename Page> Page* AddPage(TForm1& form, QWidget* tab) {
    auto* page = new Page(form, tab);
    auto* layout = new QVBoxLayout(tab);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(page);
    return page;
}

} // namespace

TForm1::TForm1(QWidget* parent) : QMainWindow(parent), ui(std::make_unique<Ui::TForm1>()) {
    ui->setupUi(this);
    // The window keeps its design size: the pages place their controls at fixed positions.
    setFixedSize(ClientWidth, ClientHeight + menuBar()->sizeHint().height());

    connect(ui->Ouvrir1, &QAction::triggered, this, &TForm1::Ouvrir1Click);
    videoOpener = new OpenVideo(this, ui->OuvrirVideo1);
    connect(ui->Quitter1, &QAction::triggered, this, &TForm1::Quitter1Click);
    connect(ui->APropos1, &QAction::triggered, this, &TForm1::APropos1Click);
    // SetActivePage blocks this signal, so only the user's page changes reach the handler.
    connect(ui->PageControl1, &QTabWidget::currentChanged, this, &TForm1::PageControl1Change);

    information = AddPage<InformationPage>(*this, ui->TabSheet1);
    sequence = AddPage<SequencePage>(*this, ui->TabSheet2);
    cropping = AddPage<CropPage>(*this, ui->TabSheet3);
    resizing = AddPage<ResizePage>(*this, ui->TabSheet4);
    scripts = AddPage<ScriptsPage>(*this, ui->TabSheet5);
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
    isOpeningFile = true;
    // The old project goes unsaved. Its pages go with it until the new film is ready, so that no
    // handler can reach a half-made project while a message box of the opening is up.
    ui->PageControl1->hide();
    project.reset();

    if (!CreateProject(fileName)) {
        project.reset();
        isOpeningFile = false;
        return false;
    }
    information->SetUpInformationPage();
    sequence->SetUpSequencePage();
    cropping->SetUpCropPage();
    resizing->SetUpResizePage();
    scripts->SetUpScriptsPage();
    ui->PageControl1->show();
    information->RefreshInformationPage();
    SetActivePage(0);
    isOpeningFile = false;
    return true;
}

bool TForm1::CreateProject(const QString& fileName) {
    project = std::make_unique<TD2VFullProject>();
    // A failed open has already said why.
    if (!project->Open(fileName))
        return false;
    if (project->InputNumberOfFrames == 0) {
        ShowWarning(QStringLiteral("Le fichier %1 ne contient aucune image : il ne peut pas être ouvert.")
                        .arg(project->FileName));
        return false;
    }

    const QString& name = project->FileName;
    d2vFilePath = name.left(name.lastIndexOf(QLatin1Char('/')) + 1);
    iniFileName = IniFileNameFor(name);
    isIniFileMissing = TestIniFileMissing();

    project->SetIsCreditsModeSelected(false);
    // Every page starts from its defaults, a film without settings file included: the one-script
    // choice, for one, is not inherited from the previous film.
    information->ResetState();
    sequence->ResetState();
    cropping->ResetState();
    resizing->ResetState();
    scripts->ResetState();

    if (isIniFileMissing) {
        if (!SaveIniFile())
            return false;
    } else {
        LoadIniFile();
    }
    sequence->UpdateCreditsMode();
    return true;
}

void TForm1::SetActivePage(int index) {
    const QSignalBlocker blocker(ui->PageControl1);
    ui->PageControl1->setCurrentIndex(index);
}

void TForm1::PageControl1Change(int index) {
    if (!project)
        return;
    switch (index) {
    case 0:
        information->RefreshInformationPage();
        break;
    case 1:
        sequence->MarkRangeTicks();
        sequence->RefreshSequencePage();
        break;
    case 2:
        cropping->LoadCropSpinners();
        cropping->RefreshCropPage();
        break;
    case 3:
        resizing->RefreshResizePage();
        break;
    case 4:
        scripts->RefreshScriptsPage();
        break;
    default:
        ShowWarning(QStringLiteral("Invalid ActivePageIndex in TForm1.PageControl1Change !"));
        break;
    }
}

void TForm1::closeEvent(QCloseEvent* event) {
    if (FormClose())
        event->accept();
    else
        event->ignore();
}

bool TForm1::FormClose() {
    if (project) {
        // A settings file that cannot be written keeps the window open, so nothing is lost.
        if (AskConfirmation(QStringLiteral("Sauver les modifications en quittant ?")) && !SaveIniFile())
            return false;
        ui->PageControl1->hide();
        project.reset();
    }
    return true;
}

void TForm1::APropos1Click() {
    if (formAbout == nullptr)
        formAbout = new TFormAbout(this);
    Seam().ExecModal(formAbout);
}
