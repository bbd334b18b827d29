#include "ui/UiSeam.h"

#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>

namespace {

class DesktopSeam final : public UiSeam {
public:
    QString GetOpenFileName(QWidget* parent, const QString& caption, const QString& directory,
                            const QString& filter) override {
        return QFileDialog::getOpenFileName(parent, caption, directory, filter);
    }
    QString GetSaveFileName(QWidget* parent, const QString& caption, const QString& proposal,
                            const QString& filter) override {
        return QFileDialog::getSaveFileName(parent, caption, proposal, filter);
    }
    int ExecModal(QDialog* dialog) override { return dialog->exec(); }
    bool OpenUrl(const QUrl& url) override { return QDesktopServices::openUrl(url); }
};

DesktopSeam desktopSeam;
UiSeam* currentSeam = nullptr;

} // namespace

void SetUiSeam(UiSeam* seam) { currentSeam = seam; }

UiSeam& Seam() { return currentSeam != nullptr ? *currentSeam : desktopSeam; }
