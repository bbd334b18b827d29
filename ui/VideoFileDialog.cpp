#include "ui/VideoFileDialog.h"

#include "indexer/DvdTitles.h"

#include <QFile>
#include <QFileInfo>

VideoFileDialog::VideoFileDialog(QWidget* parent, const QString& caption, const QString& filter)
    : QFileDialog(parent, caption, QString(), filter) {
    setOption(QFileDialog::DontUseNativeDialog);
    setFileMode(QFileDialog::ExistingFiles);
    setAcceptMode(QFileDialog::AcceptOpen);
    setLabelText(QFileDialog::FileName, QStringLiteral("Fichiers ou dossier DVD :"));
}

void VideoFileDialog::accept() {
    const QStringList names = selectedFiles();
    if (names.size() == 1 && QFileInfo(names.constFirst()).isDir() &&
        !indexer::FindVideoTsFolder(QFile::encodeName(names.constFirst()).toStdString()).empty()) {
        QDialog::accept();
        return;
    }
    QFileDialog::accept();
}
