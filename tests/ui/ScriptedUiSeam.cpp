#include "ScriptedUiSeam.h"

#include <QDialog>

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
    if (onModal)
        return onModal(dialog);
    dialog->show();
    dialog->reject();
    return QDialog::Rejected;
}

bool ScriptedUiSeam::OpenUrl(const QUrl& url) {
    openedUrls.push_back(url);
    return true;
}
