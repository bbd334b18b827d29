#pragma once

#include <QMainWindow>
#include <QString>
#include <cstdint>
#include <memory>

class TD2VFullProject;
class TFormAbout;
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
    // Made the first time it is asked for, then kept; owned by the window.
    TFormAbout* FormAbout = nullptr;
    // "Ouvrir une vidéo MPEG-2...": indexes MPEG files or a DVD title, then opens the index.
    class OpenVideo* VideoOpener = nullptr;

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
    void ShowSequenceFrame(int32_t frameNumber);
    void TrackBar1Change();
    void LabeledEditBeginKeyDown();
    void LabeledEditBeginExit();
    void LabeledEditEndKeyDown();
    void LabeledEditEndExit();
    void LabeledEditCreditsKeyDown();
    void LabeledEditCreditsExit();
    void ButtonSelectFirstFrameClick();
    void ButtonSelectLastFrameClick();
    void ButtonSelectCreditsFrameClick();
    // Serves "+1 min", "-1 min", "+50" and "-50"; tells them apart by the sender.
    void MoveTrackBarButtonClick(QObject* Sender);
    void ButtonGotoFirstFrameClick();
    void ButtonGotoLastFrameClick();
    class SequencePageWidgets;
    SequencePageWidgets* SequencePageUi = nullptr;

    // What the three preview pages share: each has its own image, track bar, frame-number box
    // and remembered frame, and draws its frame its own way.
    struct PreviewPage {
        class LabeledEdit* FrameBox = nullptr;
        class TrackBar* Bar = nullptr;
        class ImageCanvas* Image = nullptr;
        int32_t TForm1::*CurrentFrame = nullptr;
        void (TForm1::*Refresh)() = nullptr;
        bool (*Draw)(TD2VFullProject& project, int32_t frameNumber, class QImage& image,
                     const class QColor& background) = nullptr;
        // A track-bar move waits for the event loop, so a burst of moves decodes one frame.
        bool IsRefreshPending = false;
    };
    PreviewPage Previews[3];
    // Gives a page's frame-number box the shared key filter, Enter and focus-loss handlers.
    void AttachPreviewPage(PreviewPage& page);
    void ShowPreviewFrame(PreviewPage& page, int32_t frameNumber);
    void RequestPreviewRefresh(PreviewPage& page);
    // Shared by the three frame-number boxes; they find their page by the sender.
    void LabeledEditFrameNumberKeyDown(QObject* Sender);
    void LabeledEditFrameNumberExit(QObject* Sender);

    // The one rule of every numeric box: Enter applies valid text; losing the focus applies valid
    // text (or, unless applyUnchanged, only text that differs from current) and puts current back
    // over invalid text.
    enum class BoxAction { None, Apply, Restore };
    static BoxAction NumberBoxAction(const QString& text, bool isExit, uint32_t min, uint32_t max,
                                     uint32_t current, bool applyUnchanged);

    // ---- Crop page (CinescriptorCropPage.cpp) ----
    void BuildCropPage();
    void SetUpCropPage();
    // Page activation: the spinners take the project's crops.
    void LoadCropSpinners();
    void RefreshCropPage();
    void ShowCropFrame(int32_t frameNumber);
    void TrackBar2Change();
    void OnUpDownClick();
    void EditUpDownTopKeyDown();
    void EditUpDownTopExit();
    void EditUpDownBottomKeyDown();
    void EditUpDownBottomExit();
    void EditUpDownLeftKeyDown();
    void EditUpDownLeftExit();
    void EditUpDownRightKeyDown();
    void EditUpDownRightExit();
    void ComboBoxCropsMultipleChange(int index);
    void ButtonAutoCropClick();
    class CropPageWidgets;
    CropPageWidgets* CropPageUi = nullptr;
    // The aspect error's text and warning colour, as both the crop and the resize page show it.
    void ShowAspectRatioError(class QLineEdit* box);
    static void SetBoxBackground(class QLineEdit* box, const class QColor& colour);
    // Spinners report a click only when the arrow really moved them; the program's own position
    // changes go through SetSpinnerPosition and report nothing.
    void ConnectSpinner(class UpDown* spinner, void (TForm1::*handler)());
    static void SetSpinnerPosition(class UpDown* spinner, int position);

    // ---- Resize page (CinescriptorResizePage.cpp) ----
    void BuildResizePage();
    void SetUpResizePage();
    void RefreshResizePage();
    void ShowResizeFrame(int32_t frameNumber);
    void TrackBar3Change();
    void UpDownOutputWidthClick();
    void LabeledEditOutputWidthKeyDown();
    void LabeledEditOutputWidthExit();
    void ComboBoxOutputWidthMultipleChange(int index);
    void ComboBoxOutputHeightMultipleChange(int index);
    void ComboBoxOutputProjectedRatioChange(int index);
    void LabeledEditOutputRatioKeyDown();
    void LabeledEditOutputRatioExit();
    void ButtonMinimizeAspectRatioErrorClick();
    class ResizePageWidgets;
    ResizePageWidgets* ResizePageUi = nullptr;

    // ---- Scripts page and generation options (CinescriptorScriptsPage.cpp) ----
    void BuildScriptsPage();
    void SetUpScriptsPage();
    void RefreshScriptsPage();
    void UpdateCreditsMode();
    // The project's values and this window's choices, as the scripts are composed from them.
    struct ScriptSource CurrentScriptSource() const;
    void ButtonMainScriptClick();
    void ButtonCreditsScriptClick();
    // Shared by both "Effacer" buttons; tells them apart by the sender.
    void ButtonScriptClearClick(QObject* sender);
    void CheckBoxPreVisualizationClick();
    void CheckBoxIsCreditsModeSelectedClick();
    void CheckBoxOnlyOneScriptClick();
    void ButtonGenerateClick();
    void ButtonBitRateCalculatorClick();
    // The page's controls (ScriptsPage.ui); a child of this window.
    class ScriptsPageWidgets* ScriptsPageUi = nullptr;
    // The script window and the bitrate calculator: made on first use, children of this window.
    class TForm2* Form2 = nullptr;
    class TForm3* Form3 = nullptr;
};
