#include "common/TestFiles.h"

#include <QFile>
#include <QProcess>

QByteArray ReadBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

bool RunProgram(const QString& program, const QStringList& args, const QString& dir, QString& log) {
    QProcess p;
    p.setWorkingDirectory(dir);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    const bool ok = p.waitForStarted(30000) && p.waitForFinished(5 * 60 * 1000) &&
                    p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    log = program + QLatin1Char(' ') + args.join(QLatin1Char(' ')) + QStringLiteral(": ") +
          QString::fromLocal8Bit(p.readAll());
    return ok;
}
