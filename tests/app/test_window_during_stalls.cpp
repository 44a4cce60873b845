// The window stays awake while the server stalls: for each request that can
// meet a stall (entering a folder, listing, asking a size, the data
// connection), the user-interface thread keeps answering its timer and the
// progress dialog's Cancel ends the request at once, and the menus stay
// usable meanwhile. A window that froze
// would be late by the whole stall, and its Cancel could not be clicked.
#include <QTest>

#include "app/support/stall_measure.h"

using namespace std::chrono_literals;

class WindowDuringStallsTest : public QObject {
    Q_OBJECT

private slots:
    void EachStalledRequestLeavesTheWindowAwakeAndCancels() {
        constexpr auto kStall = 4s;
        for (const StallCase& stallCase : kStallCases) {
            if (stallCase.stall == Stall::None) continue;
            const std::optional<StallFigures> figures = MeasureStall(stallCase, kStall);
            QVERIFY2(figures, stallCase.label);
            // Half the stall leaves room for a loaded machine and still
            // tells a window that froze.
            QVERIFY2(figures->worstLateness < kStall / 2,
                     qPrintable(QStringLiteral("%1: late by %2 ms")
                                    .arg(stallCase.label)
                                    .arg(figures->worstLateness.count())));
            // The progress dialog is no modal wall: another menu opens and runs.
            QVERIFY2(figures->menu == QStringLiteral("yes"),
                     qPrintable(QStringLiteral("%1: the View menu: %2").arg(stallCase.label, figures->menu)));
            QVERIFY2(figures->cancelToEnd && *figures->cancelToEnd < 1s,
                     qPrintable(QStringLiteral("%1: Cancel %2").arg(stallCase.label, figures->cancel)));
        }
    }
};

QTEST_MAIN(WindowDuringStallsTest)
#include "test_window_during_stalls.moc"
