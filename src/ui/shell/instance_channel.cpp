#include "ui/shell/instance_channel.h"

#include "platform/instance_lock.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>

namespace cellwatch {

namespace {

constexpr qint64 kMaxMessage = 64 * 1024;
constexpr int kListenCheckMs = 1000;

} // namespace

QString InstanceChannel::socketPath(const std::string& folder) {
    const std::string base = folder.empty() ? InstanceLock::defaultFolder() : folder;
    return QString::fromStdString(base) + QStringLiteral("/cellwatch.socket");
}

InstanceChannel::InstanceChannel(const QString& path, QObject* parent, int idleTimeoutMs)
    : QObject(parent), m_pServer(new QLocalServer(this)), m_path(path), m_idleTimeoutMs(idleTimeoutMs) {
    m_pServer->setSocketOptions(QLocalServer::UserAccessOption);
    listenAgain();
    connect(m_pServer, &QLocalServer::newConnection, this, &InstanceChannel::onConnection);
    auto* watch = new QTimer(this);
    connect(watch, &QTimer::timeout, this, [this] {
        if (!m_pServer->isListening())
            listenAgain();
    });
    watch->start(kListenCheckMs);
}

InstanceChannel::~InstanceChannel() = default;

bool InstanceChannel::isListening() const {
    return m_pServer->isListening();
}

void InstanceChannel::listenAgain() {
    if (!m_pServer->listen(m_path)) {
        QLocalServer::removeServer(m_path);
        m_pServer->listen(m_path);
    }
}

void InstanceChannel::onConnection() {
    while (QLocalSocket* socket = m_pServer->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        // A connection that never sends its line would hold a descriptor for as long as the window runs.
        auto* idle = new QTimer(socket);
        idle->setSingleShot(true);
        connect(idle, &QTimer::timeout, socket, [socket] {
            socket->abort();
            socket->deleteLater();
        });
        idle->start(m_idleTimeoutMs);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket, idle] {
            if (!socket->canReadLine()) {
                if (socket->bytesAvailable() > kMaxMessage) {
                    idle->stop();
                    socket->abort();
                }
                return;
            }
            idle->stop();
            const QByteArray line = socket->readLine(kMaxMessage).trimmed();
            const QString file = QString::fromUtf8(QByteArray::fromPercentEncoding(line));
            // Only the one line that was sent is taken; anything after it is not another file.
            socket->write(file.isEmpty() ? "no\n" : "ok\n");
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
    socket.write(file.toUtf8().toPercentEncoding() + '\n');
    if (!socket.waitForBytesWritten(timeoutMs))
        return false;
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(timeoutMs))
            return false;
    }
    return socket.readLine().trimmed() == "ok";
}

} // namespace cellwatch
