#include "ui/UiSeam.h"

#include "ui/VideoFileDialog.h"

#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>

namespace {

class DesktopSeam final : public UiSeam {
public:
    QString GetOpenFileName(QWidget* parent, const QString& caption, const QString& directory,
                            const QString& filter) override {
        // The opening itself reports a missing file, so a typed name need not exist here.
        QFileDialog dialog(parent, caption, directory, filter);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return QString();
        return dialog.selectedFiles().constFirst();
    }
    QStringList GetOpenVideoNames(QWidget* parent, const QString& caption, const QString& filter) override {
        VideoFileDialog dialog(parent, caption, filter);
        if (dialog.exec() != QDialog::Accepted)
            return {};
        return dialog.selectedFiles();
    }
    QString GetSaveFileName(QWidget* parent, const QString& caption, const QString& proposal,
                            const QString& filter) override {
        // The caller decides about replacing an existing file.
        return QFileDialog::getSaveFileName(parent, caption, proposal, filter, nullptr,
                                            QFileDialog::DontConfirmOverwrite);
    }
    int ExecModal(QDialog* dialog) override { return dialog->exec(); }
    bool OpenUrl(const QUrl& url) override { return QDesktopServices::openUrl(url); }
};

DesktopSeam desktopSeam;
UiSeam* currentSeam = nullptr;

} // namespace

QStringList UiSeam::GetOpenVideoNames(QWidget* parent, const QString& caption, const QString& filter) {
    const QString name = GetOpenFileName(parent, caption, QString(), filter);
    return name.isEmpty() ? QStringList() : QStringList{name};
}

void SetUiSeam(UiSeam* seam) {
    currentSeam = seam;
}

UiSeam& Seam() {
    return currentSeam != nullptr ? *currentSeam : desktopSeam;
}
