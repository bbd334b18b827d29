#pragma once

#include <QWidget>
#include <cstdint>
#include <functional>

class ImageCanvas;
class LabeledEdit;
class QColor;
class QImage;
class QLineEdit;
class TD2VFullProject;
class TForm1;
class TrackBar;
class UpDown;

// What the sequence, crop and resize pages share: each shows one frame of the film in its own
// image, with its own track bar and frame-number box, remembers the frame it shows and draws it
// its own way.
class PreviewPage : public QWidget {
    Q_OBJECT

public:
    // The one rule of every numeric box: Enter applies valid text; losing the focus applies valid
    // text (or, unless applyUnchanged, only text that differs from current) and puts current back
    // over invalid text.
    enum class BoxAction { None, Apply, Restore };
    static BoxAction NumberBoxAction(const QString& text, bool isExit, uint32_t min, uint32_t max,
                                     uint32_t current, bool applyUnchanged);

    // The state a film opens with before its settings file is read: the first frame on show.
    virtual void ResetState() { SetCurrentFrame(0); }

protected:
    PreviewPage(TForm1& form, QWidget* parent);

    // Called once the page's layout is made: the frame-number box gets its key filter, Enter and
    // focus-loss handlers, and the page its preview controls.
    void AttachPreview(LabeledEdit* box, TrackBar* bar, ImageCanvas* image);
    // The project draws the frame into the image, the page's own way.
    virtual bool DrawFrame(TD2VFullProject& project, int32_t frameNumber, QImage& image,
                           const QColor& background) = 0;
    // The page's whole refresh, which ends by showing the track bar's frame.
    virtual void RefreshPage() = 0;

    int32_t CurrentFrame() const { return currentFrame; }
    void SetCurrentFrame(int32_t frame) { currentFrame = frame; }
    // A newly opened film: the box's label, the track bar's steps, range and remembered frame.
    void SetUpPreview();
    void ShowPreviewFrame(int32_t frameNumber);
    // A track-bar move waits for the event loop, so that a burst of moves decodes one frame.
    void RequestPreviewRefresh();
    // Each refresh starts with it: a refresh still waiting would only do the same again.
    void CancelPendingRefresh() { isRefreshPending = false; }

    // The aspect error's text and warning colour, as both the crop and the resize page show it.
    void ShowAspectRatioError(QLineEdit* box);
    static void SetBoxBackground(QLineEdit* box, const QColor& colour);
    // Spinners report a click only when the arrow really moved them; the program's own position
    // changes go through SetSpinnerPosition and report nothing.
    void ConnectSpinner(UpDown* spinner, std::function<void()> handler);
    static void SetSpinnerPosition(UpDown* spinner, int position);

    TForm1& form;

private:
    void LabeledEditFrameNumberKeyDown();
    void LabeledEditFrameNumberExit();
    // Enter or leaving the frame-number box: a valid number moves the track bar and refreshes the
    // page; leaving puts the shown frame's number back over invalid text.
    void TakeFrameNumberBox(bool isExit);

    LabeledEdit* frameNumberBox = nullptr;
    TrackBar* frameBar = nullptr;
    ImageCanvas* frameImage = nullptr;
    int32_t currentFrame = 0;
    bool isRefreshPending = false;
};
