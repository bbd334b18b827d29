#pragma once

#include <QMainWindow>
#include <QString>
#include <cstdint>
#include <memory>

class TD2VFullProject;

// The main window: owns the project of the open film and the five pages the user works through.
// Its pages live in their own source files (Cinescriptor*Page.cpp) and layouts.
class TForm1 : public QMainWindow {
    Q_OBJECT

public:
    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    // ---- Main window, opening, information page (Cinescriptor.cpp) ----

    // ---- Sequence page (CinescriptorSequencePage.cpp) ----
    void BuildSequencePage();
    void SetUpSequencePage();
    void MarkRangeTicks();
    void RefreshSequencePage();

    // ---- Crop page (CinescriptorCropPage.cpp) ----
    void BuildCropPage();
    void SetUpCropPage();
    // Page activation: the spinners take the project's crops.
    void LoadCropSpinners();
    void RefreshCropPage();

    // ---- Resize page (CinescriptorResizePage.cpp) ----
    void BuildResizePage();
    void SetUpResizePage();
    void RefreshResizePage();

    // ---- Scripts page and generation options (CinescriptorScriptsPage.cpp) ----
    void BuildScriptsPage();
    void SetUpScriptsPage();
    void RefreshScriptsPage();
    void UpdateCreditsMode();
};
