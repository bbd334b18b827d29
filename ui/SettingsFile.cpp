#include "ui/SettingsFile.h"

#include "model/MessageSink.h"
#include "model/TD2VFullProject.h"
#include "platform/FileBytes.h"
#include "ui/Cinescriptor.h"

#include <QCheckBox>

namespace {

WindowSettings WindowSettingsOf(const TForm1& f) {
    WindowSettings w;
    w.IsOnlyOneScript = f.IsOnlyOneScriptChecked();
    w.VideoRangeCurrentFrame = f.VideoRangeCurrentFrame;
    w.CroppingCurrentFrame = f.CroppingCurrentFrame;
    w.ResizingCurrentFrame = f.ResizingCurrentFrame;
    w.IsMainScriptModele = f.IsMainScriptModele;
    w.MainScriptModele = f.MainScriptModele;
    w.IsCreditsScriptModele = f.IsCreditsScriptModele;
    w.CreditsScriptModele = f.CreditsScriptModele;
    w.IsPrevisualizationModeSelected = f.IsPrevisualizationModeSelected;
    w.iDCT = f.iDCT;
    return w;
}

} // namespace

bool TForm1::TestIniFileMissing() const {
    return ::IsIniFileMissing(IniFileName);
}

bool TForm1::SaveIniFile() {
    // A named pipe or a device in the settings file's place: nothing is read from it or written
    // into it. The film opens without its settings; at closing the window stays open, as after
    // any write that fails, so that nothing is lost.
    if (KindOfFile(IniFileName) == FileKind::Other) {
        ShowWarning(
            IsOpeningFile
                ? QStringLiteral("Le fichier de réglages « %1 » n'est pas un fichier ordinaire : le film "
                                 "est ouvert sans ses réglages, et rien n'y sera écrit.")
                      .arg(IniFileName)
                : QStringLiteral("Le fichier de réglages « %1 » n'est pas un fichier ordinaire : les "
                                 "réglages n'y ont pas été écrits.")
                      .arg(IniFileName));
        return IsOpeningFile;
    }
    if (!SaveProjectSettings(IniFileName, *Project, WindowSettingsOf(*this))) {
        ShowWarning(QStringLiteral("Unable to write to %1").arg(IniFileName));
        return false;
    }
    return true;
}

void TForm1::LoadIniFile() {
    WindowSettings w = WindowSettingsOf(*this);
    LoadProjectSettings(IniFileName, *Project, w);
    SetOnlyOneScriptChecked(w.IsOnlyOneScript);
    VideoRangeCurrentFrame = w.VideoRangeCurrentFrame;
    CroppingCurrentFrame = w.CroppingCurrentFrame;
    ResizingCurrentFrame = w.ResizingCurrentFrame;
    IsMainScriptModele = w.IsMainScriptModele;
    MainScriptModele = w.MainScriptModele;
    IsCreditsScriptModele = w.IsCreditsScriptModele;
    CreditsScriptModele = w.CreditsScriptModele;
    IsPrevisualizationModeSelected = w.IsPrevisualizationModeSelected;
    iDCT = w.iDCT;
}

bool TForm1::IsOnlyOneScriptChecked() const {
    const auto* box = findChild<QCheckBox*>(QStringLiteral("CheckBoxOnlyOneScript"));
    return box != nullptr && box->isChecked();
}

void TForm1::SetOnlyOneScriptChecked(bool checked) {
    // Called while IsOpeningFile is set, so the box's click handler does nothing.
    if (auto* box = findChild<QCheckBox*>(QStringLiteral("CheckBoxOnlyOneScript")))
        box->setChecked(checked);
}
