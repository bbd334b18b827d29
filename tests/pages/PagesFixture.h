#pragma once

#include "common/Controls.h"
#include "common/RecordingMessageSink.h"
#include "common/ScriptedUiSeam.h"
#include "common/TestPaths.h"
#include "model/TD2VFullProject.h"
#include "ui/Cinescriptor.h"
#include "ui/CropPage.h"
#include "ui/ResizePage.h"
#include "ui/SequencePage.h"
#include "ui/widgets/ImageCanvas.h"
#include "ui/widgets/LabeledEdit.h"
#include "ui/widgets/TrackBar.h"
#include "ui/widgets/UpDown.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

// Films made for these tests with Debian's ffmpeg and our indexer, longer than the checked-in
// ones; made once and kept in the build tree. Empty path when they could not be made.
QString LongFilm(int rateNumerator, int rateDenominator, int frames);

// The real main window on a copy of a film, driven by events as a user would.
class PagesTest : public ::testing::Test {
protected:
    enum Page { SequencePage = 1, CropPage = 2, ResizePage = 3 };

    void TearDown() override;

    // Copies tests/data/<film> into the test's folder; returns the copied .d2v.
    QString CopyFilm(const QString& film);
    // Copies a generated film (its .d2v and stream) into the test's folder.
    QString CopyGeneratedFilm(const QString& d2v);
    // A film of the stand-in decoder, described by key=value lines; the stand-in records every
    // frame asked of it.
    QString FakeFilm(const QString& description);
    // The frames asked of the stand-in since the film was opened, comma-separated.
    static QString FakeRequests();

    // A shown, active window with the film opened through "Fichier" > "Ouvrir".
    void Open(const QString& d2v);
    TD2VFullProject& Project() { return *window->Project(); }

    // Selects a page by clicking its tab.
    void Activate(Page page);
    // Runs what the event loop has pending (deferred refreshes).
    static void Settle();

    template <typename T> T* Find(const char* name) { return Control<T>(*window, name); }
    LabeledEdit* Edit(const char* name) { return Find<LabeledEdit>(name); }
    QLineEdit* Line(const char* name) { return Find<QLineEdit>(name); }
    TrackBar* Bar(const char* name) { return Find<TrackBar>(name); }

    // Focuses the box, replaces its text by typing, and leaves the focus there.
    void Type(QLineEdit* box, const QString& text);
    void PressEnter(QLineEdit* box);
    // Moves the focus to the page tabs, as a click elsewhere does.
    void Leave(QLineEdit* box);
    void Click(const char* buttonName);
    // The user's pick of an item in a drop-down list.
    static void Pick(QComboBox* list, int index);

    QColor Background(const char* boxName) { return Line(boxName)->palette().color(QPalette::Base); }
    QColor WindowColour() const { return window->palette().color(QPalette::Window); }

    QTemporaryDir folder;
    RecordingMessageSink messages;
    ScriptedUiSeam seam;
    std::unique_ptr<TForm1> window;
    QString savedLibrary;
    bool usesFake = false;
};
