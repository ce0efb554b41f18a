#pragma once
// How a second copy of the program hands its file to the copy that is running: a local socket in the
// user's runtime folder, beside the instance lock. The second copy writes the file's absolute path,
// percent-encoded (so that a line feed in a name cannot cut it), and a line feed; the running copy
// answers "ok" and opens the file.

#include <QObject>
#include <QString>

class QLocalServer;
class QLocalSocket;

namespace cellwatch {

class InstanceChannel final : public QObject {
    Q_OBJECT
public:
    // The socket beside the lock file of InstanceLock(folder); folder empty for the default.
    static QString socketPath(const std::string& folder = std::string());

    // The running copy's side: listens on path (a socket left by a dead copy is replaced; the caller
    // holds the instance lock, so no live copy uses it). A connection that has not sent its line
    // within idleTimeoutMs is closed. Should the server stop listening (Qt closes it when accepting
    // fails, as when the process runs out of descriptors), it listens again within a second.
    explicit InstanceChannel(const QString& path, QObject* parent = nullptr, int idleTimeoutMs = 5000);
    ~InstanceChannel() override;
    bool isListening() const;

    // The second copy's side: true once the running copy has taken the file. Blocks for at most
    // timeoutMs.
    static bool handOver(const QString& path, const QString& file, int timeoutMs = 5000);

Q_SIGNALS:
    void fileReceived(const QString& file);

private:
    void onConnection();
    void listenAgain();
    QLocalServer* m_pServer;
    QString m_path;
    int m_idleTimeoutMs;
};

} // namespace cellwatch
