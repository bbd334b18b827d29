#include "ui/VideoFileDialog.h"

#include "indexer/DvdTitles.h"
#include "platform/FileBytes.h"

VideoFileDialog::VideoFileDialog(QWidget* parent, const QString& caption, const QString& filter)
    : QFileDialog(parent, caption, QString(), filter) {
    setOption(QFileDialog::DontUseNativeDialog);
    setFileMode(QFileDialog::ExistingFiles);
    setAcceptMode(QFileDialog::AcceptOpen);
    setLabelText(QFileDialog::FileName, QStringLiteral("Fichiers ou dossier DVD :"));
}

void VideoFileDialog::accept() {
    const QStringList names = selectedFiles();
    if (names.size() == 1 && KindOfFile(names.constFirst()) == FileKind::Folder &&
        !indexer::FindVideoTsFolder(FileNameBytes(names.constFirst()).toStdString()).empty()) {
        QDialog::accept();
        return;
    }
    QFileDialog::accept();
}
