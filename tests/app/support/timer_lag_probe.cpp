#include "app/support/timer_lag_probe.h"

#include <algorithm>

TimerLagProbe::TimerLagProbe(std::chrono::milliseconds interval, QObject* parent)
    : QObject(parent), interval(interval) {
    // A coarse timer may fire up to 5 % early or late by design; only a
    // precise one makes lateness mean the thread was busy.
    timer.setTimerType(Qt::PreciseTimer);
    timer.setInterval(interval);
    connect(&timer, &QTimer::timeout, this, &TimerLagProbe::RecordFiring);
}

void TimerLagProbe::Start() {
    worst = std::chrono::milliseconds(0);
    firings = 0;
    clock.start();
    dueAtMs = interval.count();
    timer.start();
}

void TimerLagProbe::Stop() {
    if (!timer.isActive()) return;
    worst = std::max(worst, LatenessNow());
    timer.stop();
}

std::chrono::milliseconds TimerLagProbe::LatenessNow() const {
    return std::chrono::milliseconds(std::max<qint64>(0, clock.elapsed() - dueAtMs));
}

void TimerLagProbe::RecordFiring() {
    ++firings;
    worst = std::max(worst, LatenessNow());
    dueAtMs = clock.elapsed() + interval.count();
}
