#include "ui/UiSeam.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace {

// Drives the real dialog the seam opens: picks `name`, presses the accept button once, and
// answers Yes to any question (counted), then gives up by cancelling if the dialog stays open.
struct DialogDriver {
    QString name;
    int questions = 0;
    bool accepted = false;

    QString Run(const std::function<QString()>& open) {
        QTimer timer;
        timer.setInterval(20);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                ++questions;
                QAbstractButton* yes = box->button(QMessageBox::Yes);
                if (yes != nullptr)
                    yes->click();
                else
                    box->reject();
            } else if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
                if (!accepted) {
                    accepted = true;
                    dialog->selectFile(name);
                    static_cast<QDialog*>(dialog)->accept(); // as the accept button does
                } else {
                    dialog->reject();
                }
            }
        });
        timer.start();
        return open();
    }
};

TEST(FileDialogsTest, OpenDialogHandsOverATypedNameThatDoesNotExist) {
    SetUiSeam(nullptr);
    QTemporaryDir folder;
    const QString missing = folder.filePath(QStringLiteral("absent.d2v"));
    DialogDriver driver{missing};
    const QString chosen = driver.Run([&] {
        return Seam().GetOpenFileName(nullptr, QStringLiteral("Ouverture d'un fichier .D2V"), folder.path(),
                                      QStringLiteral("D2V Files (*.d2v)"));
    });
    EXPECT_EQ(chosen, missing);
    EXPECT_EQ(driver.questions, 0);
}

TEST(FileDialogsTest, SaveDialogDoesNotAskBeforeReplacingAFile) {
    SetUiSeam(nullptr);
    QTemporaryDir folder;
    const QString existing = folder.filePath(QStringLiteral("film.avs"));
    QFile file(existing);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("old\r\n");
    file.close();
    DialogDriver driver{existing};
    const QString chosen = driver.Run([&] {
        return Seam().GetSaveFileName(nullptr, QStringLiteral("Enregistrer le script sous ..."), existing,
                                      QStringLiteral("AviSynth Script (*.avs)"));
    });
    EXPECT_EQ(chosen, existing);
    EXPECT_EQ(driver.questions, 0);
}

TEST(FileDialogsTest, CancelledOpenDialogGivesNoName) {
    SetUiSeam(nullptr);
    QTemporaryDir folder;
    DialogDriver driver{QString()};
    driver.accepted = true; // cancel at once
    EXPECT_TRUE(driver
                    .Run([&] {
                        return Seam().GetOpenFileName(nullptr, QStringLiteral("Ouverture d'un fichier .D2V"),
                                                      folder.path(), QStringLiteral("D2V Files (*.d2v)"));
                    })
                    .isEmpty());
}

} // namespace
