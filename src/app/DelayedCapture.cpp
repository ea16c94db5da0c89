// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/DelayedCapture.h"

#include <cmath>
#include <utility>

namespace corvane {

DelayedCapture::DelayedCapture(QObject* parent)
    : QObject(parent)
{
    m_due.setSingleShot(true);
    m_due.setTimerType(Qt::PreciseTimer);
    connect(&m_due, &QTimer::timeout, this, [this] {
        std::function<void()> action = std::exchange(m_action, nullptr);
        end();
        if (action)
            action();
    });
    m_ticks.setInterval(1000);
    connect(&m_ticks, &QTimer::timeout, this, &DelayedCapture::tick);
}

bool DelayedCapture::start(double seconds, std::function<void()> action, std::function<void()> cancelled)
{
    if (m_waiting)
        return false;
    m_waiting = true;
    m_action = std::move(action);
    m_cancelled = std::move(cancelled);
    m_duration = std::llround(seconds * 1000);
    m_clock.start();
    m_due.start(int(m_duration));
    m_ticks.start();
    tick();
    return true;
}

void DelayedCapture::cancel()
{
    if (!m_waiting)
        return;
    std::function<void()> cancelled = std::exchange(m_cancelled, nullptr);
    m_action = nullptr;
    end();
    if (cancelled)
        cancelled();
}

void DelayedCapture::tick()
{
    const qint64 left = std::max<qint64>(0, m_duration - m_clock.elapsed());
    if (onCountdown)
        onCountdown(int((left + 999) / 1000));
}

void DelayedCapture::end()
{
    m_waiting = false;
    m_due.stop();
    m_ticks.stop();
    m_cancelled = nullptr;
    if (onCountdown)
        onCountdown(0);
}

} // namespace corvane
