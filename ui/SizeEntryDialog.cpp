#include "ui/SizeEntryDialog.h"

#include "ui/BitRateCalculator.h"

#include <QShowEvent>

SizeEntryDialog::SizeEntryDialog(TForm3* owner) : QDialog(owner), calculator(owner) {}

void SizeEntryDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous() || isShowing)
        return;
    TD2VFullProject* project = calculator->Project();
    if (project == nullptr)
        return;
    isShowing = true;
    FormShow(*project);
}

void SizeEntryDialog::ButtonEnterClick() {
    IsValidated = true;
    accept();
}

void SizeEntryDialog::ButtonCancelClick() {
    IsValidated = false;
    reject();
}

// Every way of closing (buttons, close box, Escape) ends here.
void SizeEntryDialog::done(int result) {
    if (isShowing) {
        isShowing = false;
        FormClose();
    }
    QDialog::done(result);
}

void SizeEntryDialog::FormClose() {
    if (IsValidated)
        ApplyEntry();
    else
        RestoreSavedSize();
}
