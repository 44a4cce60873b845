// How responsive the desktop program's window stays while the server stalls.
// Not a test: it prints figures, whatever they are. The real program runs in
// this process (offscreen) against a scripted server on a free loopback port
// that stalls in turn on CWD (a folder double-clicked), LIST (Refresh), SIZE
// (a file double-clicked to download and open it) and the data connection
// (Refresh, the server never accepting the connection to its passive port).
//
//   ui_stall_bench [STALL_SECONDS]   (default 20)
//
// For each stall, one line: the worst lateness of a 10 ms timer on the
// user-interface thread while the request ran; whether a menu could be opened
// with the mouse half a second in and a harmless entry of it (View > Small
// Icons) chosen; and how long the request took to end after its progress
// dialog's Cancel was clicked one second in; "request" is the time from the
// user's action until the program was done with it. A window that froze says
// so: its timer fires late by the whole stall, and the menu and Cancel never
// get their turn while the request runs, which ends by itself when the server
// answers after the stall (or at the program's own time-out).
#include <QApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "app/support/stall_measure.h"

using std::chrono::milliseconds;

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // Site passwords stay out of the developer's desktop keyring.
    qputenv("DBUS_SESSION_BUS_ADDRESS", "");
    QApplication application(argc, argv);
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 20;
    if (seconds < 2) {
        std::fprintf(stderr, "usage: ui_stall_bench [STALL_SECONDS]   (at least 2; default 20)\n");
        return 2;
    }
    const milliseconds length{seconds * 1000};
    std::printf(
        "== user-interface thread while the server stalls %d s (menu tried at %lld ms, Cancel at %lld ms)\n",
        seconds, static_cast<long long>(kMenuCheckAt.count()), static_cast<long long>(kCancelAt.count()));
    std::printf("%-30s %12s %10s  %-42s %s\n", "stall", "worst delay", "request", "menu opened, entry ran",
                "Cancel to end");
    int failures = 0;
    for (const StallCase& stallCase : kStallCases) {
        const std::optional<StallFigures> figures = MeasureStall(stallCase, length);
        if (!figures) {
            ++failures;
            continue;
        }
        std::printf("%-30s %9lld ms %7lld ms  %-42s %s\n", stallCase.label,
                    static_cast<long long>(figures->worstLateness.count()),
                    static_cast<long long>(figures->requestTime.count()), qPrintable(figures->menu),
                    qPrintable(figures->cancel));
        std::fflush(stdout);
    }
    return failures == 0 ? 0 : 1;
}
