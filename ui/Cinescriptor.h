#pragma once

#include <QMainWindow>
#include <QString>
#include <cstdint>
#include <memory>

class TD2VFullProject;
class QCloseEvent;

namespace Ui {
class TForm1;
}

// The main window: owns the project of the open film and the five pages the user works through.
// Its pages live in their own source files (Cinescriptor*Page.cpp) and layouts.
class TForm1 : public QMainWindow {
    Q_OBJECT

public:
    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    // ---- Main window, opening, information page (Cinescriptor.cpp, SettingsFile.cpp) ----
    // The main window's layout (menu, PageControl1, TabSheet1..5 and the information page).
    std::unique_ptr<Ui::TForm1> ui;
    // The open film; none until the first file is opened.
    std::unique_ptr<TD2VFullProject> Project;

    bool IsOpeningFile = false;
    QString D2VFilePath;
    QString IniFileName;
    bool IsIniFileMissing = false;
    int32_t VideoRangeCurrentFrame = 0;
    int32_t CroppingCurrentFrame = 0;
    int32_t ResizingCurrentFrame = 0;
    bool IsAspectRatioErrorMinimized = false;
    uint8_t iDCT = 7;
    bool IsPrevisualizationModeSelected = false;
    bool IsMainScriptModele = false;
    QString MainScriptModele;
    bool IsCreditsScriptModele = false;
    QString CreditsScriptModele;

    // True when the film was opened and shown; false leaves the window with no project.
    bool OpenD2VFile(const QString& fileName);
    bool CreateProject(const QString& fileName);
    void SetUpInformationPage();
    void RefreshInformationPage();

    // The settings file beside the .d2v (SettingsFile.cpp).
    bool TestIniFileMissing() const;
    void LoadIniFile();
    // False (after "Unable to write to ...") when the file could not be written.
    bool SaveIniFile();
    // The sequence page's one-script check box, kept in the settings file; set without its handler.
    bool IsOnlyOneScriptChecked() const;
    void SetOnlyOneScriptChecked(bool checked);

    void Ouvrir1Click();
    void Quitter1Click();
    void APropos1Click();
    void PageControl1Change(int index);
    void RadioGroupInputDisplayFormatClick();
    void ComboBoxProcessorTypeChange(int index);
    // Makes a page active without running PageControl1Change.
    void SetActivePage(int index);
    // The save question and the release of the project; false keeps the window open.
    bool FormClose();

protected:
    void closeEvent(QCloseEvent* event) override;

public:
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
