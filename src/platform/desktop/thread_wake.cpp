#include "platform/desktop/thread_wake.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cstdint>

ThreadWake::ThreadWake(QObject* parent) : QObject(parent) {
    descriptor = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (descriptor < 0) return;  // Wake falls back to a queued call
    notifier = new QSocketNotifier(static_cast<qintptr>(descriptor), QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, &ThreadWake::Answer);
}

ThreadWake::~ThreadWake() {
    delete notifier;
    if (descriptor >= 0) ::close(descriptor);
}

void ThreadWake::Wake() {
    if (pending.exchange(true)) return;  // a wake is already on its way
    if (descriptor >= 0) {
        const std::uint64_t one = 1;
        // A full counter (never reached: one write per answer) would only
        // mean a wake is already waiting.
        [[maybe_unused]] const ssize_t written = ::write(descriptor, &one, sizeof one);
        return;
    }
    QMetaObject::invokeMethod(this, &ThreadWake::Answer, Qt::QueuedConnection);
}

void ThreadWake::Answer() {
    if (descriptor >= 0) {
        std::uint64_t count = 0;
        [[maybe_unused]] const ssize_t read = ::read(descriptor, &count, sizeof count);
    }
    // Cleared before the receivers look: a change they miss wakes again.
    pending = false;
    emit woken();
}
