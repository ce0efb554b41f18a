#include "ui/instance_channel.h"

#include "platform/instance_lock.h"

#include <QLocalServer>
#include <QLocalSocket>

namespace cellwatch {

namespace {

constexpr qint64 kMaxMessage = 64 * 1024;

} // namespace

QString InstanceChannel::socketPath(const std::string& folder) {
    const std::string base = folder.empty() ? InstanceLock::defaultFolder() : folder;
    return QString::fromStdString(base) + QStringLiteral("/cellwatch.socket");
}

InstanceChannel::InstanceChannel(const QString& path, QObject* parent)
    : QObject(parent), m_pServer(new QLocalServer(this)) {
    m_pServer->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_pServer->listen(path)) {
        QLocalServer::removeServer(path);
        m_pServer->listen(path);
    }
    connect(m_pServer, &QLocalServer::newConnection, this, &InstanceChannel::onConnection);
}

InstanceChannel::~InstanceChannel() = default;

bool InstanceChannel::isListening() const {
    return m_pServer->isListening();
}

void InstanceChannel::onConnection() {
    while (QLocalSocket* socket = m_pServer->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine()) {
                if (socket->bytesAvailable() > kMaxMessage)
                    socket->abort();
                return;
            }
            const QString file = QString::fromUtf8(socket->readLine(kMaxMessage)).trimmed();
            socket->write("ok\n");
            socket->flush();
            socket->disconnectFromServer();
            if (!file.isEmpty())
                Q_EMIT fileReceived(file);
        });
    }
}

bool InstanceChannel::handOver(const QString& path, const QString& file, int timeoutMs) {
    QLocalSocket socket;
    socket.connectToServer(path);
    if (!socket.waitForConnected(timeoutMs))
        return false;
    socket.write(file.toUtf8() + '\n');
    if (!socket.waitForBytesWritten(timeoutMs))
        return false;
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(timeoutMs))
            return false;
    }
    return socket.readLine().trimmed() == "ok";
}

} // namespace cellwatch
