#pragma once

#include <QDialog>
#include <cstdint>

class QShowEvent;
class TD2VFullProject;
class TForm3;

// What the manual size entry and the size estimate share: each edits the size of the
// calculator's project that the calculator's FormSender names, remembers it when shown and, when
// closed by whatever means, applies the entry after "VALIDER" or puts the remembered size back.
class SizeEntryDialog : public QDialog {
    Q_OBJECT

public:
    uint32_t SavedSize = 0;
    bool IsValidated = false;

    // Puts back the size the dialog found when it was shown.
    virtual void RestoreSavedSize() = 0;

    void ButtonEnterClick();
    void ButtonCancelClick();

    void done(int result) override;

protected:
    explicit SizeEntryDialog(TForm3* owner);

    // Each showing starts one entry on the calculator's project, until the dialog closes.
    virtual void FormShow(TD2VFullProject& project) = 0;
    // The entry goes into the project ("VALIDER").
    virtual void ApplyEntry() = 0;

    void showEvent(QShowEvent* event) override;

    TForm3* calculator;

private:
    void FormClose();

    // Open between a showing and its closing, so closing runs once whatever closes the dialog.
    bool isShowing = false;
};
