#include "ui/AviSynthScriptVisualizator.h"

#include "model/MessageSink.h"
#include "platform/FileBytes.h"
#include "ui/UiSeam.h"
#include "ui_AviSynthScriptVisualizator.h"

#include <QDir>
#include <QTextBlock>
#include <QTextDocument>

namespace {

const QString AvsFilter = QStringLiteral("AVS Files (*.avs)");

} // namespace

TForm2::TForm2(QWidget* owner, ScriptSourceProvider provider)
    : QDialog(owner), ui(std::make_unique<Ui::TForm2>()), Provider(std::move(provider)) {
    ui->setupUi(this);
    setFixedSize(670, 380);
    QFont titleFont = ui->LabelTitle->font();
    titleFont.setPixelSize(20);
    ui->LabelTitle->setFont(titleFont);
    QFont memoFont = ui->Memo->font();
    memoFont.setStyleHint(QFont::Monospace);
    memoFont.setPixelSize(13);
    ui->Memo->setFont(memoFont);
    ui->ButtonSave->setDefault(false);
    ui->ButtonCancel->setDefault(false);
    connect(ui->ButtonSave, &QPushButton::clicked, this, &TForm2::ButtonSaveClick);
    connect(ui->ButtonCancel, &QPushButton::clicked, this, &TForm2::ButtonCancelClick);
    // Every way of closing (the button, the close box, Escape) ends in finished().
    connect(this, &QDialog::finished, this, &TForm2::FormClose);
}

TForm2::~TForm2() = default;

void TForm2::GenerateWithPreview() {
    ComposeScript();
    // A refused main script of two counts as a cancelled save: the credits script comes next.
    if (!IsScriptComposed && !IsCreditsPass && IsMainScriptComposed) {
        SaveScript();
        ComposeScript();
    }
    if (!IsScriptComposed) {
        // Nothing to show; the refusal has been reported.
        FormClose();
        return;
    }
    Seam().ExecModal(this);
}

void TForm2::GenerateWithoutPreview() {
    ComposeScript();
    SaveScript();
    if (IsMainScriptComposed) {
        ComposeScript();
        SaveScript();
        IsMainScriptComposed = false;
        IsCreditsPass = false;
    }
}

void TForm2::ComposeScript() {
    const uint8_t mode = Provider().CreditsMode;
    if (mode == 0) {
        ComposeMainScript();
    } else if (mode == 1) {
        ComposeMixedScript();
    } else if (IsMainScriptComposed) {
        ComposeCreditsScript();
        IsCreditsPass = true;
    } else {
        ComposeMainScript();
        IsMainScriptComposed = true;
    }
}

void TForm2::ComposeMainScript() {
    ShowComposed(::ComposeMainScript(Provider()));
}

void TForm2::ComposeCreditsScript() {
    ShowComposed(::ComposeCreditsScript(Provider()));
}

void TForm2::ComposeMixedScript() {
    ShowComposed(::ComposeMixedScript(Provider()));
}

void TForm2::AppendScriptTemplate(const QString& path) {
    QStringList lines = PreviewLines();
    if (::AppendScriptTemplate(path, lines))
        SetPreviewLines(lines);
}

void TForm2::ShowComposed(const ComposedScript& script) {
    ui->LabelTitle->setText(script.Title);
    SetPreviewLines(script.Lines);
    IsScriptComposed = script.IsComposed;
}

void TForm2::ChooseScriptFileName() {
    QString caption;
    QString proposal;
    if (!IsCreditsPass) {
        caption = QStringLiteral("Enregistrer le script sous ...");
        SaveDialogInitialDir = Provider().D2VFilePath;
        SaveDialogFileName.clear();
        proposal = SaveDialogInitialDir;
    } else {
        caption = QStringLiteral("Enregistrer le script (Crédits) sous ...");
        SaveDialogFileName += QStringLiteral("_Credits");
        proposal = QDir::isAbsolutePath(SaveDialogFileName) || SaveDialogInitialDir.isEmpty()
                       ? SaveDialogFileName
                       : QDir(SaveDialogInitialDir).filePath(SaveDialogFileName);
    }
    const QString chosen = Seam().GetSaveFileName(this, caption, proposal, AvsFilter);
    if (chosen.isEmpty()) {
        IsFileNameChosen = false;
        return;
    }
    SaveDialogFileName = RemoveExtension(chosen);
    IsFileNameChosen = true;
}

void TForm2::SaveScript() {
    if (!IsScriptComposed) {
        // A refused script is not saved; for the sequence it counts as a cancelled dialog.
        if (!IsCreditsPass) {
            SaveDialogInitialDir = Provider().D2VFilePath;
            SaveDialogFileName.clear();
        }
        IsFileNameChosen = false;
        return;
    }
    ChooseScriptFileName();
    // The whole chosen path is kept: cutting it would write the script under another name.
    if (IsFileNameChosen)
        WriteScriptFile(SaveDialogFileName + QStringLiteral(".avs"));
}

bool TForm2::WriteScriptFile(const QString& path) {
    // Written whole or not at all: a failed write never leaves a truncated script where a good
    // one stood.
    if (!WriteWholeFile(path, EncodeScriptLines(PreviewLines()))) {
        ShowWarning(QStringLiteral("Le script n'a pas pu être généré correctement !"));
        return false;
    }
    ShowInformation(QStringLiteral("Le script a été correctement généré !"));
    return true;
}

QStringList TForm2::PreviewLines() const {
    QStringList lines;
    const QTextDocument* document = ui->Memo->document();
    if (document->isEmpty())
        return lines;
    // Block by block rather than toPlainText(), which would turn no-break spaces into spaces.
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next())
        lines << block.text().split(QChar(QChar::LineSeparator));
    return lines;
}

void TForm2::SetPreviewLines(const QStringList& lines) {
    ui->Memo->setPlainText(lines.join(QLatin1Char('\n')));
}

void TForm2::ButtonSaveClick() {
    SaveScript();
    if (Provider().CreditsMode == 2)
        ComposeScript();
}

void TForm2::ButtonCancelClick() {
    close();
}

void TForm2::FormClose() {
    IsMainScriptComposed = false;
    IsCreditsPass = false;
    IsScriptComposed = false;
    ui->Memo->clear();
}

QString TForm2::RemoveExtension(const QString& fileName) {
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    const qsizetype separator = fileName.lastIndexOf(QLatin1Char('/'));
    return dot > separator ? fileName.left(dot) : fileName;
}
