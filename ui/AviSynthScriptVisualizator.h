#pragma once

#include "model/ScriptComposer.h"

#include <QByteArray>
#include <QDialog>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

namespace Ui {
class TForm2;
}

// The script window: composes the scripts into its preview text, shows it when the user asked to
// see the scripts first, and saves each script through a save dialog as an .avs file.
class TForm2 : public QDialog {
    Q_OBJECT

public:
    // Gives the project's values and the main window's choices at the moment of composition.
    using ScriptSourceProvider = std::function<ScriptSource()>;

    explicit TForm2(QWidget* owner, ScriptSourceProvider provider);
    ~TForm2() override;

    std::unique_ptr<Ui::TForm2> ui;

    // In two-script mode the main script has been composed: the next composition is the credits one.
    bool IsMainScriptComposed = false;
    // The preview holds the credits script: the save dialog takes its credits form.
    bool IsCreditsPass = false;
    // The last save dialog was confirmed.
    bool IsFileNameChosen = false;
    // The preview holds a composed script (false after a refused composition).
    bool IsScriptComposed = false;
    // What the save dialog holds between runs: the last chosen name without its extension.
    QString SaveDialogFileName;
    QString SaveDialogInitialDir;

    void GenerateWithPreview();
    void GenerateWithoutPreview();

    void ComposeScript();
    void ComposeMainScript();
    void ComposeCreditsScript();
    void ComposeMixedScript();
    void AppendScriptTemplate(const QString& path);

    void ChooseScriptFileName();
    void SaveScript();
    bool WriteScriptFile(const QString& path);

    // The preview text, one entry per script line.
    QStringList PreviewLines() const;
    void SetPreviewLines(const QStringList& lines);

    void ButtonSaveClick();
    void ButtonCancelClick();
    void FormClose();

    // A name as the save dialog leaves it: the extension (from the last dot of the last path
    // component) removed.
    static QString RemoveExtension(const QString& fileName);

private:
    void ShowComposed(const ComposedScript& script);

    ScriptSourceProvider Provider;
};
