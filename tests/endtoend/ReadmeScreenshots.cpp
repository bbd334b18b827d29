// Not a test: takes the README's pictures of every page and window, on the sample film, by
// walking the real program through one film, then through a DVD folder authored from it (its
// title choice and the indexing). Run under Xvfb (scripts/screenshots).
// Usage: readme_screenshots <sample.d2v> <output folder> [DVD folder]
#include "common/RecordingMessageSink.h"
#include "common/ScriptedUiSeam.h"
#include "ui/ApplicationStart.h"
#include "ui/Cinescriptor.h"
#include "ui/IndexingProgress.h"
#include "ui/OpenVideo.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QLineEdit>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <cstdio>
#include <cstdlib>

namespace {

bool ok = true;
QDir out;

// As the window is now, with no event handled before.
void SaveNow(QWidget* window, const char* name) {
    const QString path = out.filePath(QLatin1String(name));
    if (!window->grab().save(path)) {
        std::fprintf(stderr, "readme_screenshots: cannot write %s\n", qPrintable(path));
        ok = false;
    }
}

void Save(QWidget* window, const char* name) {
    QTest::qWait(300);
    SaveNow(window, name);
}

template <typename T> T* In(QWidget* parent, const char* name) {
    T* control = parent->findChild<T*>(QLatin1String(name));
    if (control == nullptr) {
        std::fprintf(stderr, "readme_screenshots: no %s\n", name);
        std::exit(1);
    }
    return control;
}

void Type(QWidget* parent, const char* box, const QString& text) {
    auto* edit = In<QLineEdit>(parent, box);
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, text);
    QTest::keyClick(edit, Qt::Key_Return);
    QTest::qWait(100);
}

void Click(QWidget* parent, const char* button) {
    QTest::mouseClick(In<QAbstractButton>(parent, button), Qt::LeftButton);
    QTest::qWait(100);
}

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    StartApplication();
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: readme_screenshots <sample.d2v> <output folder> [DVD folder]\n");
        return 2;
    }
    out.setPath(QString::fromLocal8Bit(argv[2]));
    RecordingMessageSink messages;
    ScriptedUiSeam seam;
    TForm1 window;
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    seam.openFileNames.push_back(QString::fromLocal8Bit(argv[1]));
    window.findChild<QAction*>(QStringLiteral("Ouvrir1"))->trigger();
    if (!window.Project()) {
        std::fprintf(stderr, "readme_screenshots: %s\n",
                     qPrintable(messages.Texts().join(QLatin1Char('\n'))));
        return 1;
    }
    Save(&window, "information-page.png");

    QTabBar* tabs = window.findChild<QTabWidget*>(QStringLiteral("PageControl1"))->tabBar();
    auto page = [&](int index) {
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(index).center());
        QTest::qWait(200);
    };

    page(1);
    Type(&window, "LabeledEditFrameNumber1", QStringLiteral("25"));
    Click(&window, "ButtonSelectFirstFrame");
    Type(&window, "LabeledEditFrameNumber1", QStringLiteral("489"));
    Click(&window, "ButtonSelectLastFrame");
    In<QCheckBox>(&window, "CheckBoxIsCreditsModeSelected")->click();
    Type(&window, "LabeledEditFrameNumber1", QStringLiteral("410"));
    Click(&window, "ButtonSelectCreditsFrame");
    Type(&window, "LabeledEditFrameNumber1", QStringLiteral("200"));
    Save(&window, "sequence-page.png");

    page(2);
    Click(&window, "ButtonAutoCrop");
    Type(&window, "LabeledEditFrameNumber2", QStringLiteral("200"));
    Save(&window, "crop-page.png");

    page(3);
    auto* ratio = In<QComboBox>(&window, "ComboBoxOutputProjectedRatio");
    const int automatic = ratio->findText(QStringLiteral("Automatique"));
    if (automatic >= 0) {
        ratio->setCurrentIndex(automatic);
        emit ratio->activated(automatic);
    }
    Type(&window, "LabeledEditOutputWidth", QStringLiteral("512"));
    Type(&window, "LabeledEditFrameNumber3", QStringLiteral("200"));
    Save(&window, "resize-page.png");

    page(4);
    Save(&window, "scripts-page.png");

    seam.onModal = [&](QDialog* dialog) {
        dialog->show();
        QTest::qWait(200);
        const QString name = dialog->objectName();
        if (name == QLatin1String("TForm3")) {
            Click(dialog, "ButtonAddAudio2");
            Click(dialog, "ButtonAddSubTitles1");
            Click(dialog, "ButtonNewMedium1");
            Save(dialog, "calculator.png");
        } else if (name == QLatin1String("TFormEstimateSize")) {
            Type(dialog, "LabeledEditBitRate", QStringLiteral("192"));
            Save(dialog, "estimate-size.png");
            Click(dialog, "ButtonEnter");
        } else if (name == QLatin1String("TFormEnterManualSize")) {
            auto* unit = In<QComboBox>(dialog, "ComboBoxUnit");
            const int cd = unit->findText(QStringLiteral("CD(s) 700 Mo"));
            if (cd >= 0) {
                unit->setCurrentIndex(cd);
                Type(dialog, "LabeledEditNumber", QStringLiteral("2"));
                Save(dialog, "manual-size.png");
            } else {
                unit->setCurrentIndex(unit->findText(QStringLiteral("Ko")));
                Type(dialog, "LabeledEditNumber", QStringLiteral("300"));
            }
            Click(dialog, "ButtonEnter");
        } else if (name == QLatin1String("TForm2")) {
            Save(dialog, "script-preview.png");
        } else if (name == QLatin1String("TFormAbout")) {
            Save(dialog, "about.png");
        }
        if (dialog->isVisible())
            dialog->reject();
        return static_cast<int>(QDialog::Rejected);
    };
    Click(&window, "ButtonBitRateCalculator");

    // The preview of the main script; its save dialog is cancelled, nothing is written.
    auto* preview = In<QCheckBox>(&window, "CheckBoxPreVisualization");
    if (!preview->isChecked())
        preview->click();
    Click(&window, "ButtonGenerate");
    window.findChild<QAction*>(QStringLiteral("APropos1"))->trigger();
    QTest::qWait(100);

    if (argc == 4) {
        seam.onModal = [&](QDialog* dialog) {
            dialog->show();
            QTest::qWait(200);
            if (dialog->objectName() != QLatin1String("DvdTitleDialog")) {
                dialog->reject();
                return static_cast<int>(QDialog::Rejected);
            }
            Save(dialog, "dvd-titles.png");
            Click(dialog, "ButtonIndex");
            return dialog->result();
        };
        seam.openVideoNames.push_back({QString::fromLocal8Bit(argv[3])});
        window.findChild<QAction*>(QStringLiteral("OuvrirVideo1"))->trigger();
        auto* progress = window.findChild<IndexingProgress*>();
        if (progress == nullptr) {
            std::fprintf(stderr, "readme_screenshots: no indexing of the DVD: %s\n",
                         qPrintable(messages.Texts().join(QLatin1Char('\n'))));
            return 1;
        }
        // The sample is read in a blink: the picture shows the figures of a single-layer disc's
        // film read from a hard disk, a good way through.
        const uint64_t total = 4'500'000'000;
        const uint64_t done = total * 42 / 100;
        progress->ShowProgress(done, total, static_cast<double>(done) / (85.0 * 1048576));
        SaveNow(progress, "indexing-progress.png");
        while (window.VideoOpener()->IsIndexing())
            QTest::qWait(50);
    }

    messages.defaultAnswer = false;
    return ok ? 0 : 1;
}
