#include "ui/SettingsFile.h"

#include "model/MessageSink.h"
#include "model/TD2VFullProject.h"
#include "platform/FileBytes.h"
#include "ui/Cinescriptor.h"
#include "ui/CropPage.h"
#include "ui/InformationPage.h"
#include "ui/ResizePage.h"
#include "ui/ScriptsPage.h"
#include "ui/SequencePage.h"

namespace {

WindowSettings WindowSettingsOf(const TForm1& f) {
    WindowSettings w;
    w.IsOnlyOneScript = f.Sequence().IsOnlyOneScriptChecked();
    w.VideoRangeCurrentFrame = f.Sequence().VideoRangeCurrentFrame();
    w.CroppingCurrentFrame = f.Cropping().CroppingCurrentFrame();
    w.ResizingCurrentFrame = f.Resizing().ResizingCurrentFrame();
    const ScriptChoices& choices = f.Scripts().Choices();
    w.IsMainScriptModele = choices.IsMainScriptModele;
    w.MainScriptModele = choices.MainScriptModele;
    w.IsCreditsScriptModele = choices.IsCreditsScriptModele;
    w.CreditsScriptModele = choices.CreditsScriptModele;
    w.IsPrevisualizationModeSelected = choices.IsPrevisualizationModeSelected;
    w.iDCT = f.Information().iDCT();
    return w;
}

} // namespace

bool TForm1::TestIniFileMissing() const {
    return ::IsIniFileMissing(iniFileName);
}

bool TForm1::SaveIniFile() {
    // A named pipe or a device in the settings file's place: nothing is read from it or written
    // into it. The film opens without its settings; at closing the window stays open, as after
    // any write that fails, so that nothing is lost.
    if (KindOfFile(iniFileName) == FileKind::Other) {
        ShowWarning(
            isOpeningFile
                ? QStringLiteral("Le fichier de réglages « %1 » n'est pas un fichier ordinaire : le film "
                                 "est ouvert sans ses réglages, et rien n'y sera écrit.")
                      .arg(iniFileName)
                : QStringLiteral("Le fichier de réglages « %1 » n'est pas un fichier ordinaire : les "
                                 "réglages n'y ont pas été écrits.")
                      .arg(iniFileName));
        return isOpeningFile;
    }
    if (!SaveProjectSettings(iniFileName, *project, WindowSettingsOf(*this))) {
        ShowWarning(QStringLiteral("Unable to write to %1").arg(iniFileName));
        return false;
    }
    return true;
}

void TForm1::LoadIniFile() {
    WindowSettings w = WindowSettingsOf(*this);
    LoadProjectSettings(iniFileName, *project, w);
    sequence->SetOnlyOneScriptChecked(w.IsOnlyOneScript);
    sequence->SetVideoRangeCurrentFrame(w.VideoRangeCurrentFrame);
    cropping->SetCroppingCurrentFrame(w.CroppingCurrentFrame);
    resizing->SetResizingCurrentFrame(w.ResizingCurrentFrame);
    scripts->SetChoices({w.IsMainScriptModele, w.MainScriptModele, w.IsCreditsScriptModele,
                         w.CreditsScriptModele, w.IsPrevisualizationModeSelected});
    information->SetiDCT(w.iDCT);
}
