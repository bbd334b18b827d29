#pragma once

#include "common/Controls.h"
#include "common/RecordingMessageSink.h"
#include "common/ScriptedUiSeam.h"
#include "common/TestFiles.h"
#include "common/TestPaths.h"
#include "model/TD2VFullProject.h"
#include "platform/PrivateProfile.h"
#include "ui/Cinescriptor.h"
#include "ui/CropPage.h"
#include "ui/InformationPage.h"
#include "ui/ResizePage.h"
#include "ui/ScriptsPage.h"
#include "ui/SequencePage.h"
#include "ui/widgets/RadioGroup.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QStringList>
#include <QTabWidget>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

// The 'Section/Key=Value' lines of a settings file's text, in file order.
inline QStringList KeyLinesOf(const QString& text) {
    QStringList result;
    QString section;
    for (const QString& raw :
         QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")).split(QLatin1Char('\n'))) {
        const QString line = raw.trimmed();
        if (line.startsWith(QLatin1Char('[')))
            section = line.mid(1, line.size() - 2);
        else if (!line.startsWith(QLatin1Char(';')) && line.contains(QLatin1Char('=')))
            result << section + QLatin1Char('/') + line;
    }
    return result;
}

// Every settings-file write fails while one of these lives.
class PrivateProfileFailures {
public:
    PrivateProfileFailures() { PrivateProfile::SetFailWritesForTesting(true); }
    ~PrivateProfileFailures() { Stop(); }
    PrivateProfileFailures(const PrivateProfileFailures&) = delete;
    PrivateProfileFailures& operator=(const PrivateProfileFailures&) = delete;
    void Stop() { PrivateProfile::SetFailWritesForTesting(false); }
};

// A copy of a checked-in film in a temporary folder (the settings file is written beside the
// .d2v), the real main window on it, and the stand-ins for message boxes and dialogs.
class MainWindowTest : public ::testing::Test {
protected:
    // Copies tests/data/<film>/film.d2v and its streams; returns the copied .d2v path.
    QString CopyFilm(const QString& film) {
        const QDir source(TestDataPath(film));
        for (const QString& name : source.entryList(
                 {QStringLiteral("*.d2v"), QStringLiteral("*.mpg"), QStringLiteral("*.VOB")}, QDir::Files)) {
            const QString target = folder.filePath(name);
            QFile::remove(target);
            EXPECT_TRUE(QFile::copy(source.filePath(name), target)) << name.toStdString();
        }
        return folder.filePath(QStringLiteral("film.d2v"));
    }

    std::unique_ptr<TForm1> NewWindow() {
        auto window = std::make_unique<TForm1>();
        window->show();
        return window;
    }

    // Opens through the menu and the (scripted) file dialog, as the user does.
    void OpenThroughMenu(TForm1& window, const QString& d2v) {
        seam.openFileNames.push_back(d2v);
        Control<QAction>(window, "Ouvrir1")->trigger();
    }

    QTemporaryDir folder;
    RecordingMessageSink messages;
    ScriptedUiSeam seam;
};
