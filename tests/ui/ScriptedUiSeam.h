#pragma once

#include "ui/UiSeam.h"

#include <QStringList>
#include <QUrl>
#include <deque>
#include <functional>

// Stands in for every modal interaction of the windows: file dialogs answer from queues (an
// empty queue answers as a cancelled dialog), modal windows run through a callback instead of an
// event loop, addresses are recorded. Installs itself for its lifetime.
class ScriptedUiSeam final : public UiSeam {
public:
    struct DialogCall {
        QString caption;
        QString directory;
        QString filter;
    };

    ScriptedUiSeam() { SetUiSeam(this); }
    ~ScriptedUiSeam() override { SetUiSeam(nullptr); }
    ScriptedUiSeam(const ScriptedUiSeam&) = delete;
    ScriptedUiSeam& operator=(const ScriptedUiSeam&) = delete;

    QString GetOpenFileName(QWidget* parent, const QString& caption, const QString& directory,
                            const QString& filter) override;
    // Answers from openVideoNames; recorded among openCalls.
    QStringList GetOpenVideoNames(QWidget* parent, const QString& caption, const QString& filter) override;
    QString GetSaveFileName(QWidget* parent, const QString& caption, const QString& proposal,
                            const QString& filter) override;
    int ExecModal(QDialog* dialog) override;
    bool OpenUrl(const QUrl& url) override;

    std::deque<QString> openFileNames;
    std::deque<QStringList> openVideoNames;
    std::deque<QString> saveFileNames;
    std::vector<DialogCall> openCalls;
    std::vector<DialogCall> saveCalls;
    // Runs the modal window: it may drive the dialog's controls and returns its result. Without
    // one, the window is shown, then rejected.
    std::function<int(QDialog*)> onModal;
    std::vector<QDialog*> modalDialogs;
    std::vector<QUrl> openedUrls;
};
