#include "ui/BitRateCalculator.h"

#include "model/MessageSink.h"
#include "model/TD2VFullProject.h"
#include "model/UseFullUnit.h"
#include "platform/NumberText.h"
#include "ui/EnterManualSize.h"
#include "ui/EstimateSize.h"
#include "ui/UiSeam.h"
#include "ui/widgets/EditHandlers.h"
#include "ui/widgets/Fonts.h"

#include "ui_BitRateCalculator.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QShowEvent>

uint32_t SizeOfKind(const TD2VFullProject& project, uint8_t kind) {
    switch (kind) {
    case AudioKind:
        return project.AudioSize;
    case SubTitlesKind:
        return project.SubTitlesSize;
    case CreditsVideoKind:
        return project.CreditsVideoSize;
    case MediumKind:
        return project.MediumSize;
    default:
        return 0;
    }
}

bool SetSizeOfKind(TD2VFullProject& project, uint8_t kind, uint64_t bytes) {
    if (bytes > TD2VFullProject::MaximumSize) {
        ShowInformation(TD2VFullProject::SizesTooBigMessage());
        return false;
    }
    const auto value = static_cast<uint32_t>(bytes);
    switch (kind) {
    case AudioKind:
        return project.SetAudioSize(value);
    case SubTitlesKind:
        return project.SetSubTitlesSize(value);
    case CreditsVideoKind:
        return project.SetCreditsVideoSize(value);
    case MediumKind:
        return project.SetMediumSize(value);
    default:
        return false;
    }
}

void ShowBudget(const TD2VFullProject& project, QLabel* mainVideoSize, QLabel* bitsPerPixel,
                QLabel* bitRate) {
    mainVideoSize->setText(QStringLiteral("Taille pour la Vidéo principale:  ") +
                           SizeToString(project.MainVideoSize));
    bitsPerPixel->setText(QStringLiteral("Taille moyenne d'un Pixel :  ") +
                          FormatGeneral(project.AveragePixelSize, 6) + QStringLiteral(" Bits/Pixel"));
    bitRate->setText(QStringLiteral("BitRate :  ") + QString::number(project.BitRate) +
                     QStringLiteral(" KBits/s"));
}

void SetUpSizeWindow(QDialog* window, QLabel* title, QLabel* mainVideoSize, QLabel* bitsPerPixel,
                     QLabel* bitRate) {
    window->setFixedSize(window->size());
    window->setWindowFlag(Qt::MSWindowsFixedSizeDialogHint);
    SetFontPixels(title, QStringLiteral("Arial"), 20);
    SetFontPixels(mainVideoSize, QString(), 13);
    SetFontPixels(bitsPerPixel, QString(), 13);
    SetFontPixels(bitRate, QString(), 16);
    ClearDefaultButtons(window);
}

TForm3::TForm3(QWidget* owner, TD2VFullProject* initialProject)
    : QDialog(owner), ui(std::make_unique<Ui::TForm3>()), project(initialProject) {
    ui->setupUi(this);
    SetUpSizeWindow(this, ui->LabelTitle, ui->LabelMainVideoSize, ui->LabelBitsPerPixel, ui->LabelBitRate);

    senderKinds = {
        {ui->ButtonNewMedium1, MediumKind},
        {ui->LabeledEditMediumSize, MediumKind},
        {ui->ButtonAddAudio1, AudioKind},
        {ui->ButtonAddAudio2, AudioKind},
        {ui->ButtonAddAudio3, AudioKind},
        {ui->ButtonAudioReset, AudioKind},
        {ui->LabeledEditAudioSize, AudioKind},
        {ui->ButtonAddSubTitles1, SubTitlesKind},
        {ui->ButtonAddSubTitles3, SubTitlesKind},
        {ui->ButtonSubTitlesReset, SubTitlesKind},
        {ui->LabeledEditSubTitlesSize, SubTitlesKind},
        {ui->ButtonAddCreditsVideo1, CreditsVideoKind},
        {ui->ButtonAddCreditsVideo2, CreditsVideoKind},
        {ui->ButtonAddCreditsVideo3, CreditsVideoKind},
        {ui->ButtonCreditsVideoReset, CreditsVideoKind},
        {ui->LabeledEditCreditsVideoSize, CreditsVideoKind},
    };

    const auto onClick = [this](QPushButton* button, void (TForm3::*handler)(QObject*)) {
        connect(button, &QPushButton::clicked, this, [this, button, handler] { (this->*handler)(button); });
    };
    for (QPushButton* button :
         {ui->ButtonAddAudio1, ui->ButtonAddSubTitles1, ui->ButtonAddCreditsVideo1, ui->ButtonNewMedium1})
        onClick(button, &TForm3::OnButton1Click);
    for (QPushButton* button : {ui->ButtonAddAudio2, ui->ButtonAddCreditsVideo2})
        onClick(button, &TForm3::OnButton2Click);
    for (QPushButton* button : {ui->ButtonAddAudio3, ui->ButtonAddSubTitles3, ui->ButtonAddCreditsVideo3})
        onClick(button, &TForm3::OnButton3Click);
    for (QPushButton* button : {ui->ButtonAudioReset, ui->ButtonSubTitlesReset, ui->ButtonCreditsVideoReset})
        onClick(button, &TForm3::OnButtonResetClick);
    connect(ui->ButtonComeBack, &QPushButton::clicked, this, &TForm3::ButtonComeBackClick);

    for (QLineEdit* edit : {static_cast<QLineEdit*>(ui->LabeledEditAudioSize),
                            static_cast<QLineEdit*>(ui->LabeledEditSubTitlesSize),
                            static_cast<QLineEdit*>(ui->LabeledEditCreditsVideoSize),
                            static_cast<QLineEdit*>(ui->LabeledEditMediumSize)}) {
        EditHandlers handlers;
        handlers.KeyFilter = &GetValidIntegerKey;
        handlers.OnEnter = [this, edit] { OnLabeledEditKeyDown(edit); };
        handlers.OnExit = [this, edit] { OnLabeledEditExit(edit); };
        AttachEditHandlers(edit, std::move(handlers));
    }
}

// A focused box loses its focus while the window is torn down: its handlers must not run then.
TForm3::~TForm3() {
    for (QLineEdit* edit : {static_cast<QLineEdit*>(ui->LabeledEditAudioSize),
                            static_cast<QLineEdit*>(ui->LabeledEditSubTitlesSize),
                            static_cast<QLineEdit*>(ui->LabeledEditCreditsVideoSize),
                            static_cast<QLineEdit*>(ui->LabeledEditMediumSize)})
        AttachEditHandlers(edit, EditHandlers{});
}

void TForm3::SetProject(TD2VFullProject* value) {
    project = value;
}

void TForm3::SetFormSender(const QObject* control) {
    for (const auto& [known, kind] : senderKinds) {
        if (known == control) {
            FormSender = kind;
            return;
        }
    }
}

void TForm3::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous())
        RefreshSizes();
}

void TForm3::RefreshSizes() {
    if (project == nullptr)
        return;
    if (project->CreditsMode == 2) {
        ui->GroupBoxCreditsVideoSize->show();
    } else {
        ui->GroupBoxCreditsVideoSize->hide();
        project->SetCreditsVideoSize(0);
    }
    const struct {
        QLineEdit* edit;
        QLabel* label;
        uint8_t kind;
    } rows[] = {
        {ui->LabeledEditAudioSize, ui->LabelAudioSize, AudioKind},
        {ui->LabeledEditCreditsVideoSize, ui->LabelCreditsVideoSize, CreditsVideoKind},
        {ui->LabeledEditSubTitlesSize, ui->LabelSubTitlesSize, SubTitlesKind},
        {ui->LabeledEditMediumSize, ui->LabelMediumSize, MediumKind},
    };
    for (const auto& [edit, label, kind] : rows) {
        const uint32_t size = SizeOfKind(*project, kind);
        edit->setText(QString::number(size));
        label->setText(QStringLiteral("Octets, soit ") + SizeToString(size));
    }
    ShowBudget(*project, ui->LabelMainVideoSize, ui->LabelBitsPerPixel, ui->LabelBitRate);
}

void TForm3::OnButton1Click(QObject* sender) {
    SetFormSender(sender);
    if (project == nullptr)
        return;
    if (FormEnterManualSize == nullptr)
        FormEnterManualSize = new TFormEnterManualSize(this);
    Seam().ExecModal(FormEnterManualSize);
    RefreshSizes();
}

void TForm3::OnButton2Click(QObject* sender) {
    SetFormSender(sender);
    if (project == nullptr)
        return;
    if (FormEstimateSize == nullptr)
        FormEstimateSize = new TFormEstimateSize(this);
    Seam().ExecModal(FormEstimateSize);
    RefreshSizes();
}

void TForm3::OnButton3Click(QObject* sender) {
    SetFormSender(sender);
    // Qt reads "*.*" as "names with a dot"; "*" keeps the meaning of "any file".
    QString title;
    QString filter;
    switch (FormSender) {
    case AudioKind:
        title = QStringLiteral("Sélection d'un fichier Audio");
        filter = QStringLiteral("Audio Files (*)");
        break;
    case SubTitlesKind:
        title = QStringLiteral("Sélection d'un fichier Sous-Titres");
        filter = QStringLiteral("SubTitles Files (*)");
        break;
    case CreditsVideoKind:
        title = QStringLiteral("Sélection d'un fichier Vidéo");
        filter = QStringLiteral("Videos Files (*)");
        break;
    default:
        ShowWarning(QStringLiteral("Invalid FormSender in TForm3.OnButton3Click !"));
        return;
    }
    if (project == nullptr)
        return;
    const QString fileName = Seam().GetOpenFileName(this, title, D2VFilePath, filter);
    if (fileName.isEmpty())
        return;

    QFile file(fileName);
    if (!QFileInfo(fileName).isFile() || file.isSequential() || !file.open(QIODevice::ReadOnly)) {
        const QString cause = file.error() != QFileDevice::NoError
                                  ? file.errorString()
                                  : QStringLiteral("ce n'est pas un fichier ordinaire");
        ShowWarning(QStringLiteral("Impossible de lire la taille du fichier \"%1\" : %2 !")
                        .arg(QDir::toNativeSeparators(fileName), cause));
        return;
    }
    // 64-bit on every platform: a file of 4 GiB or more is refused by the size check, never wrapped.
    const qint64 fileSize = file.size();
    file.close();
    SetSizeOfKind(*project, FormSender, uint64_t{SizeOfKind(*project, FormSender)} + uint64_t(fileSize));
    RefreshSizes();
}

void TForm3::TakeEditValue(QLineEdit* edit) {
    SetFormSender(edit);
    if (project == nullptr)
        return;
    SetSizeOfKind(*project, FormSender, StringToValidLongWord(edit->text()));
    RefreshSizes();
}

void TForm3::OnLabeledEditKeyDown(QLineEdit* edit) {
    TakeEditValue(edit);
}

void TForm3::OnLabeledEditExit(QLineEdit* edit) {
    TakeEditValue(edit);
}

void TForm3::OnButtonResetClick(QObject* sender) {
    SetFormSender(sender);
    if (project == nullptr)
        return;
    SetSizeOfKind(*project, FormSender, 0);
    RefreshSizes();
}

void TForm3::ButtonComeBackClick() {
    close();
}
