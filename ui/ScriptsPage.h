#pragma once

#include <QString>
#include <QWidget>
#include <memory>

class TForm1;
class TForm2;
class TForm3;
struct ScriptSource;

namespace Ui {
class ScriptsPage;
}

// What the scripts page keeps of the user's choices; the settings file keeps them too.
struct ScriptChoices {
    bool IsMainScriptModele = false;
    QString MainScriptModele;
    bool IsCreditsScriptModele = false;
    QString CreditsScriptModele;
    bool IsPrevisualizationModeSelected = false;
};

// The fifth page: the script templates, the preview choice, the bitrate calculator and the
// generation of the scripts.
class ScriptsPage : public QWidget {
    Q_OBJECT

public:
    ScriptsPage(TForm1& form, QWidget* parent);
    ~ScriptsPage() override;

    const ScriptChoices& Choices() const { return choices; }
    // Takes the choices as they are; the page shows them at its next set-up or refresh.
    void SetChoices(const ScriptChoices& value) { choices = value; }
    // The state a film opens with before its settings file is read.
    void ResetState() { choices = ScriptChoices(); }

    void SetUpScriptsPage();
    void RefreshScriptsPage();
    // The project's values and the window's choices, as the scripts are composed from them.
    ScriptSource CurrentScriptSource() const;

private:
    // The template dialog; the chosen path, cut to the length the settings file holds, becomes
    // the template.
    void ChooseTemplate(bool& isChosen, QString& path);

    void ButtonMainScriptClick();
    void ButtonCreditsScriptClick();
    // Shared by both "Effacer" buttons; tells them apart by the sender.
    void ButtonScriptClearClick(QObject* sender);
    void CheckBoxPreVisualizationClick();
    void ButtonGenerateClick();
    void ButtonBitRateCalculatorClick();

    std::unique_ptr<Ui::ScriptsPage> ui;
    TForm1& form;
    ScriptChoices choices;
    // The script window and the bitrate calculator: made on first use, children of the window.
    TForm2* Form2 = nullptr;
    TForm3* Form3 = nullptr;
};
