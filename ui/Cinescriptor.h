#pragma once

#include <QMainWindow>
#include <QString>
#include <memory>

class CropPage;
class InformationPage;
class OpenVideo;
class QCloseEvent;
class ResizePage;
class ScriptsPage;
class SequencePage;
class TD2VFullProject;
class TFormAbout;

namespace Ui {
class TForm1;
}

// The main window: its menu, the project of the open film and the five pages the user works
// through, each a class of its own that owns its controls, handlers and state.
class TForm1 : public QMainWindow {
    Q_OBJECT

public:
    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    // True when the film was opened and shown; false leaves the window with no project.
    bool OpenD2VFile(const QString& fileName);

    // The open film; none until the first file is opened.
    TD2VFullProject* Project() const { return project.get(); }
    // Set while a film is being opened: the pages' change notifications do nothing then.
    bool IsOpeningFile() const { return isOpeningFile; }
    // The open film's folder, ending with '/'.
    const QString& D2VFilePath() const { return d2vFilePath; }
    const QString& IniFileName() const { return iniFileName; }
    // The film had no settings file when it was opened.
    bool IsIniFileMissing() const { return isIniFileMissing; }

    InformationPage& Information() const { return *information; }
    SequencePage& Sequence() const { return *sequence; }
    CropPage& Cropping() const { return *cropping; }
    ResizePage& Resizing() const { return *resizing; }
    ScriptsPage& Scripts() const { return *scripts; }
    // Made the first time it is asked for, then kept; owned by the window.
    TFormAbout* FormAbout() const { return formAbout; }
    // "Ouvrir une vidéo MPEG-2...": indexes MPEG files or a DVD title, then opens the index.
    OpenVideo* VideoOpener() const { return videoOpener; }

    // Writes the settings file beside the .d2v; false (after a message) when it could not be
    // written (SettingsFile.cpp).
    bool SaveIniFile();

    // Makes a page active without running PageControl1Change.
    void SetActivePage(int index);
    void PageControl1Change(int index);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    bool CreateProject(const QString& fileName);
    // The settings file beside the .d2v (SettingsFile.cpp).
    bool TestIniFileMissing() const;
    void LoadIniFile();

    void Ouvrir1Click();
    void Quitter1Click();
    void APropos1Click();
    // The save question and the release of the project; false keeps the window open.
    bool FormClose();

    std::unique_ptr<Ui::TForm1> ui;
    std::unique_ptr<TD2VFullProject> project;
    InformationPage* information = nullptr;
    SequencePage* sequence = nullptr;
    CropPage* cropping = nullptr;
    ResizePage* resizing = nullptr;
    ScriptsPage* scripts = nullptr;
    bool isOpeningFile = false;
    QString d2vFilePath;
    QString iniFileName;
    bool isIniFileMissing = false;
    TFormAbout* formAbout = nullptr;
    OpenVideo* videoOpener = nullptr;
};
