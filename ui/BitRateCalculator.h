#pragma once

#include <QDialog>
#include <QString>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

class QLabel;
class QLineEdit;
class QShowEvent;
class TD2VFullProject;
class TFormEnterManualSize;
class TFormEstimateSize;

namespace Ui {
class TForm3;
}

// Which size of the project a control of the calculator, and the entry dialogs it opens, edit.
enum SizeKind : uint8_t {
    AudioKind = 0,
    SubTitlesKind = 1,
    CreditsVideoKind = 2,
    MediumKind = 3,
};

// The project size of the given kind; 0 for an unknown kind.
uint32_t SizeOfKind(const TD2VFullProject& project, uint8_t kind);

// Sets the project size of the given kind. Sizes are 32-bit: a value beyond 4294967295 bytes is
// refused with the project's message and the previous size kept. True when the size was taken.
bool SetSizeOfKind(TD2VFullProject& project, uint8_t kind, uint64_t bytes);

// The three result lines every size window shows from the project's budget.
void ShowBudget(const TD2VFullProject& project, QLabel* mainVideoSize, QLabel* bitsPerPixel, QLabel* bitRate);

// What the calculator and its two entry dialogs set up alike once their layout is made: a fixed
// size, the fonts of the title and of the three result lines, no default button.
void SetUpSizeWindow(QDialog* window, QLabel* title, QLabel* mainVideoSize, QLabel* bitsPerPixel,
                     QLabel* bitRate);

// The bitrate calculator: edits the project's audio, subtitle, credits and medium sizes and shows
// the main video's budget. Every change goes straight into the project; there is no cancel.
class TForm3 : public QDialog {
    Q_OBJECT

public:
    explicit TForm3(QWidget* owner, TD2VFullProject* project = nullptr);
    ~TForm3() override;

    // The window outlives the projects: the owner hands over the current one before each showing.
    void SetProject(TD2VFullProject* project);
    TD2VFullProject* Project() const { return project; }
    // Folder of the open .d2v file, where the file dialog starts.
    void SetD2VFilePath(const QString& path) { D2VFilePath = path; }

    // Which size the last control used belongs to (a SizeKind); read by the entry dialogs.
    uint8_t FormSender = AudioKind;
    void SetFormSender(const QObject* control);

    void RefreshSizes();

    // Manual entry ("Add" of "Saisie manuelle :  " and "New").
    void OnButton1Click(QObject* sender);
    // Estimate ("Add" of "Estimer :  ").
    void OnButton2Click(QObject* sender);
    // A chosen file's size ("Add" of "Sélection fichier :  ").
    void OnButton3Click(QObject* sender);
    void OnLabeledEditKeyDown(QLineEdit* edit);
    void OnLabeledEditExit(QLineEdit* edit);
    void OnButtonResetClick(QObject* sender);
    void ButtonComeBackClick();

    TFormEnterManualSize* FormEnterManualSize = nullptr;
    TFormEstimateSize* FormEstimateSize = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void TakeEditValue(QLineEdit* edit);

    std::unique_ptr<Ui::TForm3> ui;
    TD2VFullProject* project = nullptr;
    QString D2VFilePath;
    // The FormSender table: each control and the size it belongs to.
    std::vector<std::pair<const QObject*, uint8_t>> senderKinds;
};
