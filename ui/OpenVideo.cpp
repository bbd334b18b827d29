#include "ui/OpenVideo.h"

#include "indexer/DvdTitles.h"
#include "indexer/Indexing.h"
#include "model/MessageSink.h"
#include "platform/FileBytes.h"
#include "ui/Cinescriptor.h"
#include "ui/DvdTitleDialog.h"
#include "ui/IndexingJob.h"
#include "ui/IndexingProgress.h"
#include "ui/IndexingTexts.h"
#include "ui/UiSeam.h"

#include <QAction>
#include <QApplication>
#include <QCollator>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <string>
#include <vector>

namespace {

const QString VideoFilter =
    QStringLiteral("Vidéos MPEG-2 et DVD (*.vob *.mpg *.mpeg *.m2v *.mpv *.m2p *.ts *.m2ts *.mts "
                   "video_ts.ifo);;Tous les fichiers (*)");

// The indexer takes names as their bytes, which need not be UTF-8.
std::string NativeName(const QString& name) {
    return FileNameBytes(name).toStdString();
}

QString NameFromNative(const std::string& name) {
    return FileNameFromBytes(QByteArray::fromStdString(name));
}

std::vector<std::string> NativeNames(const QStringList& names) {
    std::vector<std::string> result;
    result.reserve(static_cast<size_t>(names.size()));
    for (const QString& name : names)
        result.push_back(NativeName(name));
    return result;
}

bool HasSuffix(const QString& name, const char* suffix) {
    return QFileInfo(name).suffix().compare(QLatin1String(suffix), Qt::CaseInsensitive) == 0;
}

enum class ExistingIndex { Use, IndexAgain, GiveUp };

ExistingIndex AskAboutExistingIndex(QWidget* parent, const QString& d2vPath) {
    QMessageBox box(QMessageBox::Question, QApplication::applicationDisplayName(),
                    QStringLiteral("L'index « %1 » existe déjà.\n\nVoulez-vous l'utiliser tel quel, ou "
                                   "indexer la vidéo à nouveau (il sera remplacé à la fin) ?")
                        .arg(d2vPath),
                    QMessageBox::NoButton, parent);
    box.setObjectName(QStringLiteral("ExistingIndexQuestion"));
    QPushButton* use = box.addButton(QStringLiteral("Utiliser l'index existant"), QMessageBox::AcceptRole);
    use->setObjectName(QStringLiteral("ButtonUseIndex"));
    QPushButton* again = box.addButton(QStringLiteral("Indexer à nouveau"), QMessageBox::DestructiveRole);
    again->setObjectName(QStringLiteral("ButtonIndexAgain"));
    QPushButton* giveUp = box.addButton(QStringLiteral("Annuler"), QMessageBox::RejectRole);
    giveUp->setObjectName(QStringLiteral("ButtonCancel"));
    box.setDefaultButton(use);
    box.setEscapeButton(giveUp);
    Seam().ExecModal(&box);
    if (box.clickedButton() == use)
        return ExistingIndex::Use;
    if (box.clickedButton() == again)
        return ExistingIndex::IndexAgain;
    return ExistingIndex::GiveUp;
}

} // namespace

OpenVideo::OpenVideo(TForm1* mainWindow, QAction* menuEntry) : QObject(mainWindow), window(mainWindow) {
    connect(menuEntry, &QAction::triggered, this, &OpenVideo::OuvrirVideo1Click);
}

OpenVideo::~OpenVideo() {
    if (job != nullptr) {
        disconnect(job, nullptr, this, nullptr);
        delete job;
    }
}

void OpenVideo::OuvrirVideo1Click() {
    if (IsIndexing()) {
        // One indexing at a time: the running one is shown again instead.
        if (progress) {
            progress->raise();
            progress->activateWindow();
        }
        return;
    }
    QStringList names = Seam().GetOpenVideoNames(
        window, QStringLiteral("Ouverture d'une vidéo MPEG-2 ou d'un dossier DVD"), VideoFilter);
    // A film in parts is picked in any order; its parts are read in the order of their names.
    QCollator collator;
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::sort(names.begin(), names.end(), collator);
    Open(names);
}

void OpenVideo::Open(const QStringList& names) {
    if (names.isEmpty() || IsIndexing())
        return;
    const QString& first = names.constFirst();
    if (names.size() == 1 && HasSuffix(first, "d2v") && KindOfFile(first) != FileKind::Folder) {
        window->OpenD2VFile(first);
        return;
    }
    const bool isDvd = std::any_of(names.begin(), names.end(), [](const QString& name) {
        return KindOfFile(name) == FileKind::Folder || HasSuffix(name, "ifo");
    });
    if (!isDvd) {
        IndexAndOpen(names);
        return;
    }
    if (names.size() > 1) {
        ShowWarning(QStringLiteral("Choisissez un seul dossier de DVD, ou les fichiers d'une vidéo MPEG-2, "
                                   "mais pas les deux à la fois."));
        return;
    }
    OpenDvd(first);
}

void OpenVideo::OpenDvd(const QString& path) {
    const indexer::DvdListing dvd = indexer::ListDvdTitles(NativeName(path));
    if (dvd.failure != indexer::DvdFailure::None) {
        ShowWarning(DvdFailureText(dvd.failure, path));
        return;
    }
    DvdTitleDialog dialog(dvd.titles, dvd.Longest(), window);
    if (Seam().ExecModal(&dialog) != QDialog::Accepted)
        return;
    const int chosen = dialog.ChosenTitle();
    if (chosen < 0)
        return;
    QStringList inputs;
    for (const std::string& vob : dvd.titles[static_cast<size_t>(chosen)].vobFiles)
        inputs << NameFromNative(vob);
    IndexAndOpen(inputs);
}

void OpenVideo::IndexAndOpen(const QStringList& inputs) {
    bool useExisting = false;
    const QString d2vPath = ChooseIndexPath(inputs, useExisting);
    if (d2vPath.isEmpty())
        return;
    if (useExisting)
        window->OpenD2VFile(d2vPath);
    else
        StartIndexing(inputs, d2vPath);
}

QString OpenVideo::ChooseIndexPath(const QStringList& inputs, bool& useExisting) {
    QString path = NameFromNative(indexer::DefaultIndexPath(NativeNames(inputs)));
    // Each turn asks the user something, until an index is chosen or the user gives up.
    for (;;) {
        if (KindOfFile(path) != FileKind::Missing) {
            switch (AskAboutExistingIndex(window, path)) {
            case ExistingIndex::Use:
                useExisting = true;
                return path;
            case ExistingIndex::GiveUp:
                return QString();
            case ExistingIndex::IndexAgain:
                break;
            }
        }
        int systemError = 0;
        if (indexer::CanWriteIndexAt(NativeName(path), systemError))
            return path;
        // A mounted disc or read-only media: the index goes where the user says, never silently
        // elsewhere.
        ShowWarning(UnwritableFolderText(QFileInfo(path).absolutePath(), systemError));
        QString chosen = Seam().GetSaveFileName(window, QStringLiteral("Enregistrement de l'index .D2V"),
                                                QDir::home().filePath(QFileInfo(path).fileName()),
                                                QStringLiteral("D2V Files (*.d2v)"));
        if (chosen.isEmpty())
            return QString();
        if (QFileInfo(chosen).suffix().isEmpty())
            chosen += QStringLiteral(".d2v");
        path = chosen;
    }
}

void OpenVideo::StartIndexing(const QStringList& inputs, const QString& d2vPath) {
    jobInputs = inputs;
    jobD2VPath = d2vPath;
    indexer::IndexRequest request;
    request.inputs = NativeNames(inputs);
    request.d2vPath = NativeName(d2vPath);
    job = new IndexingJob(std::move(request), this);

    // Window-modal: the main window keeps drawing itself while the film it shows cannot be
    // changed or replaced under the indexing, which replaces it at the end.
    progress = new IndexingProgress(inputs, d2vPath, window);
    progress->setWindowModality(Qt::WindowModal);
    connect(progress, &IndexingProgress::CancelRequested, job, &IndexingJob::Cancel);
    connect(job, &IndexingJob::Progress, this, [this](quint64 done, quint64 total) {
        if (progress)
            progress->ShowProgress(done, total, static_cast<double>(clock.nsecsElapsed()) / 1e9);
    });
    connect(job, &QThread::finished, this, &OpenVideo::IndexingFinished);
    progress->show();
    // Started from the event loop once the window is up: a cancel pressed before then stops the
    // indexing at its first step.
    QTimer::singleShot(0, job, [this] {
        clock.start();
        job->start();
    });
}

void OpenVideo::IndexingFinished() {
    IndexingJob* finished = job;
    job = nullptr;
    finished->wait();
    const indexer::IndexResult result = finished->Result();
    finished->deleteLater();
    const bool cancelled = progress && progress->IsCancelRequested();
    if (progress) {
        progress->hide();
        progress->deleteLater();
    }

    if (!result.Ok()) {
        const QString text = IndexFailureText(result, jobInputs, jobD2VPath);
        if (!text.isEmpty())
            ShowWarning(text);
        return;
    }
    // A cancel that came as the index was being named: it is whole, but the user no longer
    // wants the film opened.
    if (cancelled)
        return;
    for (const indexer::IndexResult::Warning& warning : result.warnings)
        ShowWarning(IndexWarningText(warning, jobInputs));
    window->OpenD2VFile(jobD2VPath);
}
