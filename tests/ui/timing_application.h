#pragma once
// An application object for window tests that must show the event loop stays responsive: it times
// every event it delivers (outermost only), so a test can tell the longest any handler blocked.

#include <QApplication>
#include <QElapsedTimer>

#include <algorithm>

namespace cellwatch {

class TimingApplication final : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override {
        if (m_depth > 0 || !measuring)
            return nested(receiver, event);
        QElapsedTimer timer;
        timer.start();
        const bool handled = nested(receiver, event);
        longestMs = std::max(longestMs, timer.elapsed());
        ++events;
        return handled;
    }
    bool measuring = false;
    qint64 longestMs = 0;
    qint64 events = 0;

private:
    bool nested(QObject* receiver, QEvent* event) {
        ++m_depth;
        const bool handled = QApplication::notify(receiver, event);
        --m_depth;
        return handled;
    }
    int m_depth = 0;
};

} // namespace cellwatch
