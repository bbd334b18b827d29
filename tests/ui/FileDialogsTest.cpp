#include "ui/UiSeam.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

// Drives the real dialog the seam opens: types `name`, presses the accept button once, and
// answers Yes to any question (counted), then gives up by cancelling if the dialog stays open.
// Keeps the texts of the dialog's buttons and of its labels, as first shown.
struct DialogDriver {
    QString name;
    int questions = 0;
    bool accepted = false;
    QStringList buttons{};
    QStringList labels{};

    template <typename Open> auto Run(const Open& open) {
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
                if (buttons.isEmpty()) {
                    for (QAbstractButton* button : dialog->findChild<QDialogButtonBox*>()->buttons())
                        buttons << button->text();
                    for (const char* label : {"lookInLabel", "fileNameLabel", "fileTypeLabel"})
                        labels << dialog->findChild<QLabel*>(QLatin1String(label))->text();
                }
                if (!accepted) {
                    accepted = true;
                    // Typed, as selectFile leaves the box as it is while it has the focus.
                    auto* typed = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
                    if (typed != nullptr)
                        typed->setText(name);
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

// Qt's own texts in the dialog are French, as its title is (Qt's translation, loaded at start).
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
    EXPECT_EQ(driver.buttons, (QStringList{QStringLiteral("&Ouvrir"), QStringLiteral("Annuler")}));
    EXPECT_EQ(driver.labels, (QStringList{QStringLiteral("Voir dans :"), QStringLiteral("&Nom de fichier :"),
                                          QStringLiteral("Fichiers de type :")}));
}

// The video dialog takes a DVD folder (VIDEO_TS or the folder above it) and its VIDEO_TS.IFO as
// they are; into any other folder it goes, as a file dialog does.
TEST(FileDialogsTest, VideoDialogTakesADvdFolderAndGoesIntoOthers) {
    SetUiSeam(nullptr);
    QTemporaryDir folder;
    const QString disc = folder.filePath(QStringLiteral("disc"));
    const QString videoTs = disc + QStringLiteral("/VIDEO_TS");
    const QString plain = folder.filePath(QStringLiteral("plain"));
    ASSERT_TRUE(QDir().mkpath(videoTs));
    ASSERT_TRUE(QDir().mkpath(plain));
    QFile ifo(videoTs + QStringLiteral("/VIDEO_TS.IFO"));
    ASSERT_TRUE(ifo.open(QIODevice::WriteOnly));
    ifo.close();
    for (const QString& name : {disc, videoTs, ifo.fileName(), plain}) {
        SCOPED_TRACE(name.toStdString());
        DialogDriver driver{name};
        const QStringList chosen = driver.Run([&] {
            return Seam().GetOpenVideoNames(nullptr, QStringLiteral("Ouverture d'une vidéo"),
                                            QStringLiteral("Vidéos (*.vob *.mpg video_ts.ifo)"));
        });
        EXPECT_EQ(chosen, name == plain ? QStringList() : QStringList{name});
    }
}

} // namespace
