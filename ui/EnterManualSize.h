#pragma once

#include "ui/SizeEntryDialog.h"

#include <QString>
#include <cstdint>
#include <memory>
#include <optional>

namespace Ui {
class TFormEnterManualSize;
}

// Typing a size as a number and a unit; on validation it is added to the calculator's audio,
// subtitle or credits size, or replaces the medium.
class TFormEnterManualSize : public SizeEntryDialog {
    Q_OBJECT

public:
    explicit TFormEnterManualSize(TForm3* owner);
    ~TFormEnterManualSize() override;

    uint32_t EnteredSize = 0;

    // How the number was handed over; an unreadable number is answered differently for each.
    enum class TakeReason { EnterKey, Exit, UnitChange };
    void TakeNumber(TakeReason reason);

    // `number` units of the chosen unit in bytes, after the number was held in single precision.
    // Nothing when the result is no 32-bit size (negative, or beyond 4294967295 bytes).
    std::optional<uint32_t> GetSizeInBytes(long double number);
    void RefreshResults();
    void ApplyEnteredSize();
    void RestoreSavedSize() override;

    void LabeledEditNumberKeyDown();
    void LabeledEditNumberExit();
    void ComboBoxUnitChange();

private:
    void FormShow(TD2VFullProject& project) override;
    void ApplyEntry() override { ApplyEnteredSize(); }

    std::unique_ptr<Ui::TFormEnterManualSize> ui;
    // What the last accepted entry was made of, put back when a size is refused.
    QString takenText;
    int takenUnit = 0;
};
