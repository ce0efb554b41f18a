#include "platform/process_start.h"

#include <QProcess>
#include <QString>
#include <QStringList>

namespace cellwatch {

std::vector<std::string> splitCommandLine(const std::string& commandLine) {
    std::vector<std::string> words;
    const QStringList parts = QProcess::splitCommand(QString::fromStdString(commandLine));
    words.reserve(std::size_t(parts.size()));
    for (const QString& part : parts)
        words.push_back(part.toStdString());
    return words;
}

StartStatus startDetached(const std::string& commandLine) {
    StartStatus status;
    QStringList words = QProcess::splitCommand(QString::fromStdString(commandLine));
    if (words.isEmpty() || words.front().isEmpty()) {
        status.error = "No program to start: the command line is empty.";
        return status;
    }
    const QString program = words.takeFirst();
    qint64 pid = 0;
    if (!QProcess::startDetached(program, words, QString(), &pid)) {
        status.error = "Cannot start " + program.toStdString() + ".";
        return status;
    }
    status.ok = true;
    status.processId = pid;
    return status;
}

} // namespace cellwatch
