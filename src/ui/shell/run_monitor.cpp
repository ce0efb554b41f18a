#include "ui/shell/run_monitor.h"

#include "app/cwiz_doc.h"
#include "ui/shell/cwiz_app.h"
#include "ui/views/wiz_view.h"

#include <QGuiApplication>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QScreen>
#include <QStatusBar>

#include <algorithm>
#include <cmath>

namespace cellwatch {

namespace {

// The screen's redraw period: drawing more often than that only costs the run time.
int framePeriodMs() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double rate = screen != nullptr ? screen->refreshRate() : 60.0;
    return rate > 1.0 ? static_cast<int>(std::ceil(1000.0 / rate)) : 17;
}

} // namespace

RunMonitor::RunMonitor(CWizApp& app, QStatusBar& bar, QObject* parent) : QObject(parent), m_app(app) {
    m_pProgress = new QProgressBar;
    m_pProgress->setObjectName(QStringLiteral("RunProgress"));
    m_pProgress->setTextVisible(true);
    m_pProgress->setMinimumWidth(m_pProgress->fontMetrics().horizontalAdvance(
                                     QStringLiteral("Cycle 0000000000 of 0000000000")) +
                                 24);
    m_pProgress->hide();
    m_pRate = new QLabel;
    m_pRate->setObjectName(QStringLiteral("RunRate"));
    m_pRate->setMinimumWidth(m_pRate->fontMetrics().horizontalAdvance(QStringLiteral("000,000,000 cycles/s")) + 8);
    m_pRate->hide();
    bar.addPermanentWidget(m_pProgress);
    bar.addPermanentWidget(m_pRate);
    m_timer.setInterval(std::max(kFastestMs, framePeriodMs()));
    connect(&m_timer, &QTimer::timeout, this, &RunMonitor::update);
}

void RunMonitor::runStarted() {
    if (m_timer.isActive())
        return;
    m_lastDone = -1;
    m_rate = 0;
    m_timer.start();
}

void RunMonitor::update() {
    CWizDoc* doc = m_app.session();
    if (doc == nullptr) {
        m_timer.stop();
        hideProgress();
        return;
    }
    const RunProgress progress = doc->runProgress();
    const bool cycling = progress.state == RunState::Cycling;
    if (progress.cyclesTarget > 0 && (cycling || progress.state == RunState::Paused))
        showProgress(progress.cyclesDone, progress.cyclesTarget);
    else
        hideProgress();

    // Every view that follows a run catches up: the log panes (the newest to its end, while the user
    // leaves it there), the trace list's values, the waveform's lanes.
    m_app.forEachView([](WizView& view) { view.runAdvanced(); });
    if (!cycling && progress.state != RunState::Running)
        m_timer.stop();
}

void RunMonitor::showProgress(int done, int target) {
    if (target != m_lastTarget || done < m_lastDone || m_lastDone < 0) {
        m_lastDone = done;
        m_lastTarget = target;
        m_clock.start();
        m_pRate->setText(QString());
    } else if (const qint64 ns = m_clock.nsecsElapsed(); ns > 0 && done > m_lastDone) {
        const double now = static_cast<double>(done - m_lastDone) * 1e9 / static_cast<double>(ns);
        // Smoothed over a few updates, so the figure can be read while it changes.
        m_rate = m_rate > 0 ? m_rate * 0.7 + now * 0.3 : now;
        m_lastDone = done;
        m_clock.start();
        m_pRate->setText(QStringLiteral("%1 cycles/s").arg(QLocale().toString(std::llround(m_rate))));
    }
    m_pProgress->setRange(0, target);
    m_pProgress->setValue(done);
    m_pProgress->setFormat(QStringLiteral("Cycle %1 of %2").arg(done).arg(target));
    m_pProgress->show();
    m_pRate->setVisible(!m_pRate->text().isEmpty());
}

void RunMonitor::hideProgress() {
    m_pProgress->hide();
    m_pRate->hide();
    m_lastDone = -1;
    m_lastTarget = 0;
    m_rate = 0;
}

} // namespace cellwatch
