#include "app/support/stall_measure.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>

#include "app/application.h"
#include "browser/request_progress_dialog.h"
#include "app/main_window.h"
#include "app/support/timer_lag_probe.h"
#include "browser/program_driver.h"
#include "options/isolated_config.h"
#include "options/recorded_messages.h"
#include "support/passive_port.h"
#include "support/scripted_ftp_server.h"

using std::chrono::milliseconds;

namespace {


// A scripted server that logs the program in, lists a directory holding the
// folder "stalls" and the file "stall.bin", then stalls on the one command
// its case names: it answers nothing for the stall's length (or, for the
// data connection, leaves the passive port's queue full so the program's
// connect hangs), then refuses the command, so nothing else follows.
class StallingServer {
public:
    StallingServer(Stall stall, milliseconds length) : length(length) {
        server.Expect("USER", "230 Logged in.\r\n").Expect("TYPE", kTypeReply);
        testsupport::ScriptDataSteps(server, listingPort, true,
                                     {{"EPSV", kPassiveReply}, {"LIST", testsupport::kServeFile}},
                                     "drwxr-xr-x 1 ftp ftp 0 Jan 01 2026 stalls\r\n"
                                     "-rw-r--r-- 1 ftp ftp 5 Jan 01 2026 stall.bin\r\n");
        // A listing and a download set their type first.
        if (stall != Stall::None && stall != Stall::ChangeDirectory) server.Expect("TYPE", kTypeReply);
        switch (stall) {
            case Stall::None:
                break;
            case Stall::ChangeDirectory:
                server.Expect("CWD", StallThen("550 Stalled.\r\n"));
                break;
            case Stall::Listing:
                server.Expect("EPSV", deadPort.Fill(kPassiveReply));
                server.Expect("LIST", StallThen("450 Stalled.\r\n"));
                break;
            case Stall::SizeQuery:
                server.Expect("SIZE", StallThen("550 Stalled.\r\n"));
                break;
            case Stall::DataConnection:
                server.Expect("EPSV",
                              [this](testsupport::ScriptedConnection& connection, const std::string& line) {
                                  deadPort.FillQueue();
                                  connection.Send(deadPort.Fill(kPassiveReply));
                                  StallThen("")(connection, line);
                              });
                break;
        }
    }

    std::string HostText() const { return server.HostText(); }
    bool Stalling() const { return began && !over; }
    bool StallBegan() const { return began; }
    const testsupport::ScriptedFtpServer& Script() const { return server; }

private:
    static constexpr const char* kTypeReply = "200 Type set.\r\n";
    static constexpr const char* kPassiveReply = "229 Entering Extended Passive Mode (|||%P|)\r\n";

    // A step that answers nothing for the stall's length, then the reply.
    testsupport::StepHandler StallThen(std::string reply) {
        return [this, reply](testsupport::ScriptedConnection& connection, const std::string&) {
            began = true;
            connection.Pause(length);
            over = true;
            if (!reply.empty()) connection.Send(reply);
        };
    }

    milliseconds length;
    std::atomic<bool> began{false};
    std::atomic<bool> over{false};
    testsupport::PassivePort listingPort;
    testsupport::PassivePort deadPort;      // never accepts: its queue is full or nobody connects
    testsupport::ScriptedFtpServer server;  // last: its thread stops before the ports go
};


// Opens the View menu with a mouse click on the menu bar, as the user does
// (through the window system, so a window blocked by a modal dialog does not
// take it), then chooses Small Icons in it. Says what happened.
QString TryTheViewMenu(MainWindow& frame) {
    QMenu* view = nullptr;
    for (QAction* action : frame.menuBar()->actions()) {
        if (action->text() == QStringLiteral("&View")) view = action->menu();
    }
    QAction* smallIcons = frame.Action(u"smallIcons");
    if (!view || !smallIcons) return QStringLiteral("no View menu");
    const QRect title = frame.menuBar()->actionGeometry(view->menuAction());
    QTest::mouseClick(frame.windowHandle(), Qt::LeftButton, {},
                      frame.menuBar()->mapTo(&frame, title.center()));
    if (QApplication::activePopupWidget() != view) {
        return QApplication::activeModalWidget() ? QStringLiteral("no (the progress dialog is modal)")
                                                 : QStringLiteral("no (the menu did not open)");
    }
    bool chosen = false;
    QObject::connect(
        smallIcons, &QAction::triggered, view, [&chosen] { chosen = true; }, Qt::SingleShotConnection);
    QTest::mouseClick(view, Qt::LeftButton, {}, view->actionGeometry(smallIcons).center());
    view->hide();
    return chosen ? QStringLiteral("yes") : QStringLiteral("opened, but Small Icons did not run");
}

// Clicks Cancel in the progress dialog that is open, if there is one.
bool ClickCancel() {
    for (QWidget* window : QApplication::topLevelWidgets()) {
        auto* dialog = qobject_cast<RequestProgressDialog*>(window);
        if (!dialog || !dialog->isVisible()) continue;
        auto* buttons = dialog->findChild<QDialogButtonBox*>();
        QPushButton* cancel = buttons ? buttons->button(QDialogButtonBox::Cancel) : nullptr;
        if (!cancel) return false;
        QTest::mouseClick(cancel, Qt::LeftButton);
        return true;
    }
    return false;
}

QString Milliseconds(qint64 nanoseconds) {
    return QString::number(nanoseconds / 1e6, 'f', 1) + QStringLiteral(" ms");
}

// Makes the request that meets the stall, as the user does, and returns once
// the program has finished with it.
void MakeRequest(Stall stall, MainWindow& frame, ProgramDriver& user, milliseconds idle) {
    switch (stall) {
        case Stall::None: {
            QEventLoop loop;
            QTimer::singleShot(idle, &loop, &QEventLoop::quit);
            loop.exec();
            break;
        }
        case Stall::ChangeDirectory:
            user.DoubleClick(QStringLiteral("stalls"));
            break;
        case Stall::Listing:
        case Stall::DataConnection:
            frame.Action(u"refresh")->trigger();
            user.Settle();
            break;
        case Stall::SizeQuery:
            user.DoubleClick(QStringLiteral("stall.bin"));
            break;
    }
}

// The catalogue of the fresh configuration: the site "Local" of the group
// "Demo" on the server, logging in as "bench" without a password.
bool WriteCatalogue(const IsolatedConfig& config, const std::string& host) {
    QDir().mkpath(config.Path() + QStringLiteral("/Corvane"));
    QFile catalogue(config.Path() + QStringLiteral("/Corvane/Wexal.INI"));
    if (!catalogue.open(QIODevice::WriteOnly)) return false;
    catalogue.write(QByteArray("[Local]\r\nHOST=") + host.c_str() +
                    "\r\nACCOUNT=\r\nUID=bench\r\nPASSWORD=\r\nSAVPWD=FALSE\r\nICON=\r\nGROUP=Demo\r\n"
                    "LOCALDIR=\r\nREMOTEDIR=\r\nPROMPT?=FALSE\r\nFIREWALL?=FALSE\r\n\r\n");
    return catalogue.flush();
}

// Double-clicks the list item with that label; false when the list does not show it.
bool Open(ProgramDriver& user, const QString& label) {
    if (!user.Labels().contains(label)) return false;
    user.DoubleClick(label);
    return true;
}

}  // namespace

// Starts the program on a fresh configuration whose catalogue holds the site
// "Local" (group "Demo") on the server, opens it from the list and stalls one
// request. Empty when the program did not get as far as the stall.
std::optional<StallFigures> MeasureStall(const StallCase& stallCase, milliseconds length) {
    IsolatedConfig config;
    RecordedMessages messages;
    StallingServer server(stallCase.stall, length);
    if (!WriteCatalogue(config, server.HostText())) return std::nullopt;

    Application app;
    if (!app.Start()) return std::nullopt;
    app.Settings().viewOnDoubleClick = 0;  // a download that gets through is not opened
    MainWindow& frame = *app.Window();
    ProgramDriver user;
    user.Attach(&frame);
    if (!Open(user, QStringLiteral("Demo")) || !Open(user, QStringLiteral("Local")) ||
        !user.Labels().contains(QStringLiteral("stalls")) ||
        !user.Labels().contains(QStringLiteral("stall.bin"))) {
        std::fprintf(stderr, "ui_stall_bench: the program did not list the server's directory; it sent:\n");
        for (const std::string& line : server.Script().Received())
            std::fprintf(stderr, "  %s\n", line.c_str());
        return std::nullopt;
    }

    StallFigures figures;
    figures.menu = QStringLiteral("no (the window was frozen)");
    figures.cancel = stallCase.stall == Stall::None ? QStringLiteral("-")
                                                    : QStringLiteral("not clicked (the window was frozen)");
    QElapsedTimer clock;
    std::optional<qint64> cancelledAt;
    // The checks belong to this request: they go with it if they never ran.
    auto checks = std::make_unique<QObject>();
    QTimer::singleShot(kMenuCheckAt, checks.get(), [&] {
        const bool duringStall = stallCase.stall == Stall::None || server.Stalling();
        const QString result = TryTheViewMenu(frame);
        figures.menu = duringStall ? result : result + QStringLiteral(", but only after the stall");
    });
    QTimer::singleShot(kCancelAt, checks.get(), [&] {
        if (stallCase.stall == Stall::None) return;
        if (!server.Stalling()) {
            figures.cancel = QStringLiteral("not clicked until the stall had ended");
            return;
        }
        const qint64 clickedAt = clock.nsecsElapsed();
        if (ClickCancel()) {
            cancelledAt = clickedAt;
        } else {
            figures.cancel = QStringLiteral("no progress dialog to cancel");
        }
    });
    TimerLagProbe probe;
    probe.Start();
    clock.start();
    MakeRequest(stallCase.stall, frame, user, kCancelAt + kMenuCheckAt);
    figures.requestTime = milliseconds(clock.elapsed());
    probe.Stop();
    checks.reset();
    figures.worstLateness = probe.WorstLateness();
    if (cancelledAt) {
        figures.cancelToEnd = std::chrono::nanoseconds(clock.nsecsElapsed() - *cancelledAt);
        figures.cancel = Milliseconds(figures.cancelToEnd->count());
    }
    if (stallCase.stall != Stall::None && !server.StallBegan()) {
        std::fprintf(stderr, "ui_stall_bench: %s: the server never stalled\n", stallCase.label);
        return std::nullopt;
    }
    app.requestExit();
    app.Shutdown();
    return figures;
}

