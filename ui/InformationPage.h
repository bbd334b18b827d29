#pragma once

#include <QWidget>
#include <cstdint>
#include <memory>

class TForm1;

namespace Ui {
class InformationPage;
}

// The first page: what the open film is, its display format and the iDCT the scripts ask for.
class InformationPage : public QWidget {
    Q_OBJECT

public:
    InformationPage(TForm1& form, QWidget* parent);
    ~InformationPage() override;

    // The iDCT algorithm (0 to 7) written into the scripts as CPUType.
    uint8_t iDCT() const { return idct; }
    // Takes the number as it is; the list shows it at the next set-up.
    void SetiDCT(uint8_t value) { idct = value; }
    // The state a film opens with before its settings file is read.
    void ResetState() { idct = 7; }

    void SetUpInformationPage();
    void RefreshInformationPage();

private:
    // What the stream says: its scan, field order, film share, and its shape where the choice differs.
    void RefreshStreamLines();
    void RefreshStreamDisplayFormat();
    void RadioGroupInputDisplayFormatClick();
    void ButtonForceFilmClick();
    void ComboBoxProcessorTypeChange(int index);

    std::unique_ptr<Ui::InformationPage> ui;
    TForm1& form;
    uint8_t idct = 7;
};
