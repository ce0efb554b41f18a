// A second copy handing its file to the running window, as a hostile or unlucky peer would: a name
// with a line feed in it, a connection that never says anything, a process out of descriptors.

#include "ui/shell/instance_channel.h"

#include <QLocalSocket>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <future>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

using namespace cellwatch;

namespace {

// handOver blocks; the channel answers from this thread's event loop, so the sender runs beside it.
bool handOverWhileServing(const QString& socket, const QString& file) {
    auto sent =
        std::async(std::launch::async, [socket, file] { return InstanceChannel::handOver(socket, file); });
    while (sent.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready)
        QTest::qWait(10);
    return sent.get();
}

} // namespace

class InstanceChannelTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void nameWithALineFeedArrivesWholeOrNotAtAll();
    void connectionThatSaysNothingIsClosed();
    void channelListensAgainAfterDescriptorsRanOut();

private:
    QTemporaryDir m_dir;
    QString socketPath(const char* name) const { return m_dir.filePath(QString::fromLatin1(name)); }
};

void InstanceChannelTest::nameWithALineFeedArrivesWholeOrNotAtAll() {
    InstanceChannel channel(socketPath("feed.socket"));
    QVERIFY(channel.isListening());
    QSignalSpy received(&channel, &InstanceChannel::fileReceived);
    const QString file = m_dir.filePath(QStringLiteral("first.cmd\n/tmp/other.cmd"));
    QVERIFY(handOverWhileServing(socketPath("feed.socket"), file));
    QTRY_COMPARE(received.size(), 1);
    QCOMPARE(received.at(0).at(0).toString(), file);

    // Names with a per cent sign or outside ASCII come through as they are.
    const QString odd = m_dir.filePath(QStringLiteral("100% größer.cmd"));
    QVERIFY(handOverWhileServing(socketPath("feed.socket"), odd));
    QTRY_COMPARE(received.size(), 2);
    QCOMPARE(received.at(1).at(0).toString(), odd);
}

void InstanceChannelTest::connectionThatSaysNothingIsClosed() {
    InstanceChannel channel(socketPath("idle.socket"), nullptr, 200);
    QLocalSocket quiet;
    quiet.connectToServer(socketPath("idle.socket"));
    QVERIFY(quiet.waitForConnected(5000));
    QTRY_COMPARE_WITH_TIMEOUT(quiet.state(), QLocalSocket::UnconnectedState, 20000);
    // The channel still serves the next copy.
    QVERIFY(handOverWhileServing(socketPath("idle.socket"), m_dir.filePath(QStringLiteral("next.cmd"))));
}

void InstanceChannelTest::channelListensAgainAfterDescriptorsRanOut() {
    InstanceChannel channel(socketPath("fd.socket"));
    QSignalSpy received(&channel, &InstanceChannel::fileReceived);
    rlimit saved{};
    QCOMPARE(::getrlimit(RLIMIT_NOFILE, &saved), 0);

    // A connection waits to be accepted while every descriptor of this process is taken.
    QLocalSocket waiting;
    waiting.connectToServer(socketPath("fd.socket"));
    QVERIFY(waiting.waitForConnected(5000));
    rlimit low = saved;
    low.rlim_cur = 256;
    QCOMPARE(::setrlimit(RLIMIT_NOFILE, &low), 0);
    std::vector<int> fillers;
    for (int fd; (fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC)) >= 0;)
        fillers.push_back(fd);
    QTRY_VERIFY(!channel.isListening());

    for (int fd : fillers)
        ::close(fd);
    QCOMPARE(::setrlimit(RLIMIT_NOFILE, &saved), 0);
    QTRY_VERIFY_WITH_TIMEOUT(channel.isListening(), 20000);
    QVERIFY(handOverWhileServing(socketPath("fd.socket"), m_dir.filePath(QStringLiteral("after.cmd"))));
    QTRY_VERIFY(!received.isEmpty());
    QCOMPARE(received.back().at(0).toString(), m_dir.filePath(QStringLiteral("after.cmd")));
}

QTEST_GUILESS_MAIN(InstanceChannelTest)
#include "instance_channel_test.moc"
