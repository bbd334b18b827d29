#pragma once

#include "ui/UiSeam.h"

#include <QDialog>
#include <QPointer>
#include <QTimer>
#include <QUrl>
#include <deque>
#include <functional>
#include <gtest/gtest.h>
#include <ostream>
#include <vector>

// Readable texts in the tests' failure messages.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

// Answers the windows' modal interactions from queues and records what was asked. Modal windows
// really run modally; the next queued script drives each one once its loop is running, and must
// close it. Installs itself for its lifetime.
class ScriptedSeam final : public UiSeam {
public:
    struct OpenRequest {
        QString caption;
        QString directory;
        QString filter;
    };
    using Script = std::function<void(QDialog*)>;

    ScriptedSeam() { SetUiSeam(this); }
    ~ScriptedSeam() override { SetUiSeam(nullptr); }
    ScriptedSeam(const ScriptedSeam&) = delete;
    ScriptedSeam& operator=(const ScriptedSeam&) = delete;

    QString GetOpenFileName(QWidget*, const QString& caption, const QString& directory,
                            const QString& filter) override {
        openRequests.push_back({caption, directory, filter});
        if (openAnswers.empty())
            return {};
        const QString answer = openAnswers.front();
        openAnswers.pop_front();
        return answer;
    }
    QString GetSaveFileName(QWidget*, const QString&, const QString&, const QString&) override {
        ADD_FAILURE() << "no save dialog expected";
        return {};
    }
    int ExecModal(QDialog* dialog) override {
        shownModally.push_back(dialog->objectName());
        if (scripts.empty()) {
            ADD_FAILURE() << "no script for " << dialog->objectName().toStdString();
            return QDialog::Rejected;
        }
        Script script = std::move(scripts.front());
        scripts.pop_front();
        QPointer<QDialog> guard(dialog);
        QTimer::singleShot(0, dialog, [guard, script] {
            script(guard);
            if (guard && guard->isVisible()) {
                ADD_FAILURE() << "the script left " << guard->objectName().toStdString() << " open";
                guard->reject();
            }
        });
        return dialog->exec();
    }
    bool OpenUrl(const QUrl& url) override {
        openedUrls.push_back(url);
        return true;
    }

    std::deque<QString> openAnswers;
    std::vector<OpenRequest> openRequests;
    std::deque<Script> scripts;
    std::vector<QString> shownModally;
    std::vector<QUrl> openedUrls;
};
