#pragma once

#include "common/Controls.h"
#include "common/QtPrinters.h"
#include "common/RecordingMessageSink.h"
#include "common/ScriptedUiSeam.h"
#include "common/TestPaths.h"
#include "model/DecoderLibrary.h"
#include "model/TD2VFullProject.h"
#include "ui/BitRateCalculator.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

// A calculator on a stand-in film of 150000 frames at 25 fps, so the whole film lasts 6000 s and
// the medium of one 700 Mo CD gives 737280000 / (6000 x 128) = 960 kbit/s before any stream.
class CalculatorTest : public ::testing::Test {
public:
    static constexpr uint32_t OneCd700 = 737280000;

    void SetUp() override {
        savedLibraryName = DecoderLibraryFileName;
        DecoderLibraryFileName = BinDir() + QStringLiteral("/libfakedecoder.so");
        ASSERT_TRUE(dir.isValid());
        const QString film = dir.filePath(QStringLiteral("film.d2v"));
        QFile file(film);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("width=720\nheight=576\nnum=25\nden=1\nframes=150000\n");
        file.close();
        ASSERT_TRUE(project.Open(film)) << sink.Texts().join(QLatin1Char('\n')).toStdString();
        ASSERT_EQ(project.FullVideoDuration, 6000u);
        ASSERT_EQ(project.BitRate, 960u);
        sink.Clear();
        calculator = std::make_unique<TForm3>(nullptr, &project);
        calculator->SetD2VFilePath(dir.path() + QLatin1Char('/'));
        // Every modal window of these tests has its script, and none of them saves a file.
        seam.onModal = [](QDialog* dialog) {
            ADD_FAILURE() << "no script for " << dialog->objectName().toStdString();
        };
    }

    void TearDown() override {
        EXPECT_TRUE(seam.saveCalls.empty());
        calculator.reset();
        DecoderLibraryFileName = savedLibraryName;
    }

    void ShowCalculator() {
        calculator->show();
        calculator->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(calculator.get()));
    }

    template <typename T> T* Child(const char* name) { return Control<T>(*calculator, name); }
    void Click(const char* name) { QTest::mouseClick(Child<QPushButton>(name), Qt::LeftButton); }

    // Replaces the text of a box by typing, as a user does, then presses Return.
    static void TypeAndReturn(QLineEdit* edit, const QString& text) {
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClicks(edit, text);
        QTest::keyClick(edit, Qt::Key_Return);
    }
    template <typename T> static T* In(QDialog* dialog, const char* name) {
        return Control<T>(*dialog, name);
    }
    static void ClickIn(QDialog* dialog, const char* name) {
        QTest::mouseClick(In<QPushButton>(dialog, name), Qt::LeftButton);
    }

    RecordingMessageSink sink;
    ScriptedUiSeam seam;
    QTemporaryDir dir;
    TD2VFullProject project;
    std::unique_ptr<TForm3> calculator;
    QString savedLibraryName;
};
