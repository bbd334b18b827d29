#include "common/ScriptedUiSeam.h"

#include <QDialog>
#include <QPointer>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

QString Next(std::deque<QString>& queue) {
    if (queue.empty())
        return QString();
    QString name = queue.front();
    queue.pop_front();
    return name;
}

} // namespace

QString ScriptedUiSeam::GetOpenFileName(QWidget*, const QString& caption, const QString& directory,
                                        const QString& filter) {
    openCalls.push_back({caption, directory, filter});
    return Next(openFileNames);
}

QStringList ScriptedUiSeam::GetOpenVideoNames(QWidget*, const QString& caption, const QString& filter) {
    openCalls.push_back({caption, QString(), filter});
    if (openVideoNames.empty())
        return {};
    QStringList names = openVideoNames.front();
    openVideoNames.pop_front();
    return names;
}

QString ScriptedUiSeam::GetSaveFileName(QWidget*, const QString& caption, const QString& proposal,
                                        const QString& filter) {
    saveCalls.push_back({caption, proposal, filter});
    return Next(saveFileNames);
}

int ScriptedUiSeam::ExecModal(QDialog* dialog) {
    modalDialogs.push_back(dialog);
    modalNames.push_back(dialog->objectName());
    if (!scripts.empty()) {
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
    dialog->show();
    if (onModal)
        onModal(dialog);
    if (dialog->isVisible())
        dialog->close();
    return dialog->result();
}

bool ScriptedUiSeam::OpenUrl(const QUrl& url) {
    openedUrls.push_back(url);
    return true;
}
