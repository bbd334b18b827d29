#pragma once

#include "ui/UiSeam.h"

#include <QDialog>
#include <QString>
#include <deque>
#include <functional>
#include <vector>

// Plays the user at the dialogs: file names come from queues (an empty name is a cancel), every
// dialog is recorded, and a modal window is shown and handed to a script instead of blocking.
class ScriptedSeam final : public UiSeam {
public:
    struct DialogCall {
        QString caption;
        QString proposal;
        QString filter;
    };

    ScriptedSeam() { SetUiSeam(this); }
    ~ScriptedSeam() override { SetUiSeam(nullptr); }
    ScriptedSeam(const ScriptedSeam&) = delete;
    ScriptedSeam& operator=(const ScriptedSeam&) = delete;

    QString GetOpenFileName(QWidget*, const QString& caption, const QString& directory,
                            const QString& filter) override {
        openCalls.push_back({caption, directory, filter});
        return Take(openNames);
    }
    QString GetSaveFileName(QWidget*, const QString& caption, const QString& proposal,
                            const QString& filter) override {
        saveCalls.push_back({caption, proposal, filter});
        return Take(saveNames);
    }
    int ExecModal(QDialog* dialog) override {
        modalWindows.push_back(dialog);
        dialog->show();
        if (onModal)
            onModal(dialog);
        // The window's own buttons decide; one still open is closed as the user's close box would.
        if (dialog->isVisible())
            dialog->close();
        return dialog->result();
    }
    bool OpenUrl(const QUrl&) override { return true; }

    std::deque<QString> openNames;
    std::deque<QString> saveNames;
    std::vector<DialogCall> openCalls;
    std::vector<DialogCall> saveCalls;
    std::vector<QDialog*> modalWindows;
    std::function<void(QDialog*)> onModal;

private:
    static QString Take(std::deque<QString>& names) {
        if (names.empty())
            return {};
        QString name = names.front();
        names.pop_front();
        return name;
    }
};
