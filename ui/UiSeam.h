#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

class QDialog;
class QWidget;

// Every modal interaction of the windows goes through here, so that tests can drive the whole
// program with no human and no display. Message boxes go through the model's MessageSink.
class UiSeam {
public:
    virtual ~UiSeam() = default;
    // Empty text when the user cancels.
    virtual QString GetOpenFileName(QWidget* parent, const QString& caption, const QString& directory,
                                    const QString& filter) = 0;
    // One or several files, or one folder taken as a whole (a DVD's); empty when the user cancels.
    // A seam that knows single files answers with GetOpenFileName's.
    virtual QStringList GetOpenVideoNames(QWidget* parent, const QString& caption, const QString& filter);
    virtual QString GetSaveFileName(QWidget* parent, const QString& caption, const QString& proposal,
                                    const QString& filter) = 0;
    // Runs a window modally and returns its result (QDialog::Accepted or Rejected).
    virtual int ExecModal(QDialog* dialog) = 0;
    // Hands an address ("mailto:" or web) to the desktop.
    virtual bool OpenUrl(const QUrl& url) = 0;
};

// Installs the process-wide seam (not owned); nullptr restores the real dialogs.
void SetUiSeam(UiSeam* seam);
UiSeam& Seam();
