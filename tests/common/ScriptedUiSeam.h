#pragma once

#include "ui/UiSeam.h"

#include <QString>
#include <QUrl>
#include <deque>
#include <functional>
#include <vector>

class QDialog;

// Plays the user at every modal interaction of the windows and records what was asked. File
// dialogs answer from queues (an empty queue answers as a cancelled dialog). A modal window is
// driven by the next queued script, run inside the window's own modal loop, which must close it;
// without one by onModal, given the shown window with no loop of its own, a window it leaves open
// being closed as the user's close box would; without either it is shown and closed. Installs
// itself for its lifetime.
class ScriptedUiSeam final : public UiSeam {
public:
    struct OpenCall {
        QString caption;
        QString directory;
        QString filter;
    };
    struct SaveCall {
        QString caption;
        QString proposal;
        QString filter;
    };
    using Script = std::function<void(QDialog*)>;

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
    std::vector<OpenCall> openCalls;
    std::vector<SaveCall> saveCalls;
    std::deque<Script> scripts;
    Script onModal;
    // Every modal window shown, and its object name then.
    std::vector<QDialog*> modalDialogs;
    std::vector<QString> modalNames;
    std::vector<QUrl> openedUrls;
};
