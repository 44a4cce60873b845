#pragma once

#include <QObject>
#include <csignal>

class QSocketNotifier;

// Turns SIGTERM and SIGINT into a Qt signal on the user-interface thread, so
// that ending the program from a terminal or a session manager runs the same
// orderly exit as the menu. The signal handler only writes one byte into a
// socket pair (the self-pipe pattern); everything else happens in the event loop.
// One instance at a time; the previous handlers come back when it is destroyed.
class TerminationSignalNotifier : public QObject {
    Q_OBJECT

public:
    explicit TerminationSignalNotifier(QObject* parent = nullptr);
    ~TerminationSignalNotifier() override;

    // False when the socket pair or the handlers could not be set up.
    bool IsActive() const { return active; }

signals:
    void terminationRequested(int signalNumber);

private:
    void ReadPendingSignals();

    bool active = false;
    QSocketNotifier* notifier = nullptr;
    struct sigaction previousTerm {};
    struct sigaction previousInt {};
};
