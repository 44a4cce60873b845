#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <chrono>

// Measures how responsive the thread that owns it stays: a precise timer on
// that thread fires every interval, and each firing is compared with the time
// it was due. A thread blocked in a long call fires late by about as long as
// it was blocked; a thread waiting in any event loop (a modal dialog's
// included) fires on time. Stop counts a block that is still in progress
// when it is called, so a probe stopped right after a blocking call returns
// still sees that call.
class TimerLagProbe : public QObject {
    Q_OBJECT

public:
    explicit TimerLagProbe(std::chrono::milliseconds interval = std::chrono::milliseconds(10),
                           QObject* parent = nullptr);

    // Forgets earlier figures and starts timing.
    void Start();
    // Stops timing; the figures stay readable.
    void Stop();

    // The longest a firing came after the time it was due.
    std::chrono::milliseconds WorstLateness() const { return worst; }
    // How many times the timer fired since Start.
    int Firings() const { return firings; }

private:
    void RecordFiring();
    // How long past due a firing at this moment would be.
    std::chrono::milliseconds LatenessNow() const;

    std::chrono::milliseconds interval;
    QTimer timer;
    QElapsedTimer clock;
    qint64 dueAtMs = 0;
    std::chrono::milliseconds worst{0};
    int firings = 0;
};
