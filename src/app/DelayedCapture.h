// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <functional>

namespace corvane {

// The wait before a delayed capture: one at a time, counted down in whole seconds, ended early only by
// cancel(), which runs the request's cancellation instead of its action.
class DelayedCapture : public QObject {
    Q_OBJECT
public:
    explicit DelayedCapture(QObject* parent = nullptr);

    // Told the whole seconds left (rounded up) when the wait starts, every second, and 0 when it ends.
    std::function<void(int secondsLeft)> onCountdown;

    // Starts waiting; false (nothing started) while another wait runs.
    bool start(double seconds, std::function<void()> action, std::function<void()> cancelled);
    bool isWaiting() const { return m_waiting; }
    void cancel();

private:
    void tick();
    void end();

    QTimer m_due;
    QTimer m_ticks;
    QElapsedTimer m_clock;
    qint64 m_duration = 0;
    bool m_waiting = false;
    std::function<void()> m_action;
    std::function<void()> m_cancelled;
};

} // namespace corvane
