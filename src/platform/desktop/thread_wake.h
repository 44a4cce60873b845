#pragma once

#include <QObject>
#include <atomic>

class QSocketNotifier;

// Wakes the user-interface thread from any thread: Wake() writes to an eventfd
// that a socket notifier on the user-interface thread watches, so the waking
// thread touches no Qt object and posts no event. Wakes made before the
// user-interface thread has answered the last one fold into it: woken() runs
// once for any number of them, and always after the last one.
class ThreadWake : public QObject {
    Q_OBJECT

public:
    explicit ThreadWake(QObject* parent = nullptr);
    ~ThreadWake() override;
    ThreadWake(const ThreadWake&) = delete;
    ThreadWake& operator=(const ThreadWake&) = delete;

    // Any thread; cheap, never blocks.
    void Wake();

signals:
    void woken();

private:
    void Answer();

    int descriptor = -1;
    QSocketNotifier* notifier = nullptr;
    std::atomic<bool> pending{false};
};
