#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

class IndexingJob;
class IndexingProgress;
class QAction;
class TForm1;

// "Ouvrir une vidéo MPEG-2...": MPEG files, or a title of a DVD folder, are indexed into a .d2v
// beside them on a thread of their own, a progress window showing how far it is, and the index is
// then opened as "Ouvrir" opens one. The film open until then stays as it is unless the new index
// is written: a failure or a cancel leaves it open.
class OpenVideo : public QObject {
    Q_OBJECT

public:
    // `menuEntry` runs OuvrirVideo1Click.
    OpenVideo(TForm1* window, QAction* menuEntry);
    // An indexing still running is cancelled: nothing is written.
    ~OpenVideo() override;

    void OuvrirVideo1Click();
    // What the file dialog or the command line names, in order: one .d2v (opened as "Ouvrir"
    // does), a DVD folder (VIDEO_TS, the folder above it, or its VIDEO_TS.IFO), or the files of one
    // film in parts.
    void Open(const QStringList& names);
    bool IsIndexing() const { return job != nullptr; }

private:
    void OpenDvd(const QString& path);
    void IndexAndOpen(const QStringList& inputs);
    // Where the index goes: beside the first file, or where the user says when that folder cannot
    // take it. Empty when the user gives up; `useExisting` when the user takes the index there.
    QString ChooseIndexPath(const QStringList& inputs, bool& useExisting);
    void StartIndexing(const QStringList& inputs, const QString& d2vPath);
    void IndexingFinished();

    TForm1* window;
    IndexingJob* job = nullptr;
    QPointer<IndexingProgress> progress;
    QElapsedTimer clock;
    QStringList jobInputs;
    QString jobD2VPath;
};
