#pragma once
// Keeps the window alive while a run works a cycle command off: at a steady rate (never faster than
// the screen redraws) the newest result log pane follows the end unless the user scrolled away, the
// trace list's values and the waveform follow, and the status bar shows "Cycle N of M" with the
// cycles per second. The ticks themselves stay free of drawing: they only run cycles.

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

class QLabel;
class QProgressBar;
class QStatusBar;

namespace cellwatch {

class CWizApp;

class RunMonitor final : public QObject {
    Q_OBJECT
public:
    // Redraws at most this often, and at least ten times a second.
    static constexpr int kFastestMs = 40;

    RunMonitor(CWizApp& app, QStatusBar& bar, QObject* parent = nullptr);

    // A cycle command starts or continues: the display follows it until the run stops cycling.
    void runStarted();
    // One update now (the timer's, also after the run paused or ended).
    void update();

    bool active() const { return m_timer.isActive(); }
    int intervalMs() const { return m_timer.interval(); }
    QProgressBar* progressBar() const { return m_pProgress; }
    QLabel* rateLabel() const { return m_pRate; }

private:
    void showProgress(int done, int target);
    void hideProgress();

    CWizApp& m_app;
    QTimer m_timer;
    QProgressBar* m_pProgress = nullptr;
    QLabel* m_pRate = nullptr;
    QElapsedTimer m_clock;
    int m_lastDone = -1;
    int m_lastTarget = 0;
    double m_rate = 0; // cycles per second, smoothed
};

} // namespace cellwatch
