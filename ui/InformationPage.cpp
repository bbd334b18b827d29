#include "ui/InformationPage.h"

#include "model/ForceFilmIndex.h"
#include "model/MessageSink.h"
#include "model/TD2VFullProject.h"
#include "model/UseFullUnit.h"
#include "platform/NumberText.h"
#include "ui/Cinescriptor.h"
#include "ui/UiSeam.h"
#include "ui/widgets/RadioGroup.h"
#include "ui_InformationPage.h"

#include <QFileInfo>

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

} // namespace

InformationPage::InformationPage(TForm1& owner, QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::InformationPage>()), form(owner) {
    ui->setupUi(this);
    connect(ui->RadioGroupInputDisplayFormat, &RadioGroup::Click, this,
            &InformationPage::RadioGroupInputDisplayFormatClick);
    connect(ui->ComboBoxProcessorType, &QComboBox::activated, this,
            &InformationPage::ComboBoxProcessorTypeChange);
    connect(ui->ButtonForceFilm, &QPushButton::clicked, this, &InformationPage::ButtonForceFilmClick);
}

InformationPage::~InformationPage() = default;

void InformationPage::SetUpInformationPage() {
    for (QWidget* w : std::initializer_list<QWidget*>{
             ui->GroupBox1, ui->GroupBox2, ui->LabelD2VFileName, ui->LabelDuration, ui->LabelFormat,
             ui->LabelFrameNumber, ui->LabelFrameRate, ui->RadioGroupInputDisplayFormat})
        w->show();
    ui->LabelVOBSize->hide();

    const TD2VFullProject& p = *form.Project();
    if (p.InputDisplayFormat == 0)
        ui->RadioGroupInputDisplayFormat->SetItemIndex(0);
    else if (p.InputDisplayFormat == 1)
        ui->RadioGroupInputDisplayFormat->SetItemIndex(1);

    QPlainTextEdit* memo = ui->MemoInputDisplayFormat;
    // No background of its own, so it reads as part of the page: the style paints a tab page
    // lighter than the window colour.
    QPalette palette = memo->palette();
    palette.setColor(QPalette::Base, Qt::transparent);
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
    combo->setCurrentIndex(idct < ProcessorTypes.size() ? idct : -1);
}

void InformationPage::RefreshInformationPage() {
    const TD2VFullProject& p = *form.Project();
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
    RefreshStreamLines();
}

void InformationPage::RefreshStreamLines() {
    const TD2VFullProject& p = *form.Project();
    const bool isTold = p.InputStreamFacts.has_value();
    for (QWidget* w :
         std::initializer_list<QWidget*>{ui->LabelScanType, ui->LabelFieldOrder, ui->LabelFilmShare})
        w->setVisible(isTold);
    if (isTold) {
        const DecoderStreamFacts& facts = *p.InputStreamFacts;
        ui->LabelScanType->setText(QStringLiteral("Balayage : ") +
                                   (facts.scanType == 0 ? QStringLiteral("progressif")
                                    : facts.scanType == 1
                                        ? QStringLiteral("entrelacé")
                                        : QStringLiteral("mixte (progressif et entrelacé)")));
        ui->LabelFieldOrder->setText(QStringLiteral("Ordre des trames : ") +
                                     (facts.fieldOrder == 1   ? QStringLiteral("supérieure d'abord")
                                      : facts.fieldOrder == 2 ? QStringLiteral("inférieure d'abord")
                                                              : QStringLiteral("sans objet (progressif)")));
        ui->LabelFilmShare->setText(QStringLiteral("Part de film : ") +
                                    FilmShareText(facts.filmShareHundredths));
    }
    QString reason;
    ui->ButtonForceFilm->setEnabled(CanMakeForceFilmIndex(p, reason));
    ui->ButtonForceFilm->setToolTip(reason);
    RefreshStreamDisplayFormat();
}

void InformationPage::RefreshStreamDisplayFormat() {
    const TD2VFullProject& p = *form.Project();
    const std::optional<uint8_t> stream = p.StreamDisplayFormat();
    const bool differs = stream && *stream != p.InputDisplayFormat;
    ui->LabelStreamDisplayFormat->setVisible(differs);
    if (differs)
        ui->LabelStreamDisplayFormat->setText(*stream == 1 ? QStringLiteral("Le flux indique 4/3")
                                                           : QStringLiteral("Le flux indique 16/9"));
}

void InformationPage::RadioGroupInputDisplayFormatClick() {
    if (form.Project() == nullptr)
        return;
    const int index = ui->RadioGroupInputDisplayFormat->ItemIndex();
    if (index == 0 || index == 1)
        form.Project()->SetInputDisplayFormat(static_cast<uint8_t>(index));
    RefreshStreamDisplayFormat();
}

void InformationPage::ButtonForceFilmClick() {
    const TD2VFullProject* p = form.Project();
    QString reason;
    if (p == nullptr || !CanMakeForceFilmIndex(*p, reason))
        return;
    QString target =
        Seam().GetSaveFileName(this, QStringLiteral("Enregistrement de l'index Force Film"),
                               ForceFilmIndexName(p->FileName), QStringLiteral("D2V Files (*.d2v)"));
    if (target.isEmpty())
        return;
    if (QFileInfo(target).suffix().isEmpty())
        target += QStringLiteral(".d2v");
    const QString absolute = QFileInfo(target).absoluteFilePath();
    if (absolute == QFileInfo(p->FileName).absoluteFilePath() ||
        absolute == QFileInfo(form.IniFileName()).absoluteFilePath()) {
        ShowWarning(QStringLiteral("L'index Force Film ne peut pas remplacer l'index ni les réglages du film "
                                   "ouvert : choisissez un autre nom."));
        return;
    }
    QString error;
    if (!WriteForceFilmIndex(p->FileName, target, error)) {
        ShowWarning(error);
        return;
    }
    // The film open until now is left as at any closing, its settings saved on the user's word;
    // the new index, numbered at 23.976, gets settings of its own.
    if (AskConfirmation(QStringLiteral("Sauver les modifications en quittant ?")) && !form.SaveIniFile())
        return;
    form.OpenD2VFile(target);
}

void InformationPage::ComboBoxProcessorTypeChange(int index) {
    if (index >= 0 && index < ProcessorTypes.size())
        idct = static_cast<uint8_t>(index);
}
