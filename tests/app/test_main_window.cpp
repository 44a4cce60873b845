#include <QAction>
#include <QActionGroup>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QToolBar>
#include <QTreeWidget>
#include <QUrl>
#include <QtTest>
#include <algorithm>
#include <filesystem>

#include "app/background_queue.h"
#include "app/main_window.h"
#include "browser/app_context.h"
#include "options/debug_window.h"
#include "options/options_sheet.h"
#include "options/recorded_messages.h"
#include "support/real_ftp_server.h"
#include "support/temp_dir.h"

namespace {

// The list pane as the frame sees it, recording what the frame asks of it.
class FakeListPane : public QWidget, public RemoteListPane {
public:
    explicit FakeListPane(QWidget* parent) : QWidget(parent) { setFocusPolicy(Qt::StrongFocus); }

    ListViewMode ViewMode() const override { return mode; }
    void SetViewMode(ListViewMode newMode) override { mode = newMode; }
    bool SortsAscending() const override { return sorted; }
    void SetSortAscending(bool on) override { sorted = on; }
    void ArrangeItems() override { ++arranged; }
    void LoadListing() override { ++listingsLoaded; }
    RemotePlace Place() const override { return place; }

    ListViewMode mode = ListViewMode::LargeIcons;
    bool sorted = false;
    int arranged = 0;
    int listingsLoaded = 0;
    RemotePlace place;
};

// The frame is tested with panes of its own, apart from the real tree and list.
MainWindowPanes CreateTestPanes(AppContext&, QWidget* parent) {
    auto* tree = new QTreeWidget(parent);
    return {tree, new FakeListPane(parent)};
}

MainWindowPanes CreateNoPanes(AppContext&, QWidget*) { return {}; }

// What the application would own, for one frame.
struct AppParts {
    AppSettings settings;
    LogQueue log;
    AppContext context{settings, log};
};

QStringList Texts(const QList<QAction*>& actions) {
    QStringList texts;
    for (QAction* action : actions) texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
    return texts;
}

void Drop(QWidget& target, const QStringList& paths) {
    QMimeData data;
    QList<QUrl> urls;
    for (const QString& path : paths) urls << QUrl::fromLocalFile(path);
    data.setUrls(urls);
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    // Straight to the window's handler: the application only routes drops
    // that arrive through a drag the window system runs.
    static_cast<QObject&>(target).event(&drop);
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

}  // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

private:
    RecordedMessages messages;

private slots:
    void init() { messages.texts.clear(); }

    void SplitterAreaStarts28PixelsBelowTheClientTop() {
        AppParts parts;
        MainWindow frame(parts.context, CreateTestPanes);
        QVERIFY(frame.SplitterReady());
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        frame.resize(530, frame.ClientArea().top() + 400);
        QTRY_COMPARE(frame.ClientArea().height(), 400);
        // The status bar (the connection's encryption) sits below the panes.
        QTRY_COMPARE(frame.OuterSplitter()->height(), 372 - frame.statusBar()->height());
        const QPoint splitterTop = frame.OuterSplitter()->mapTo(&frame, QPoint(0, 0));
        QCOMPARE(splitterTop.y(), frame.ClientArea().top() + 28);
        QCOMPARE(frame.OuterSplitter()->width(), frame.width());

        // Top row: tree left, list right; bottom row: the log in its tab,
        // where the transfers join it.
        QCOMPARE(frame.OuterSplitter()->widget(0), frame.InnerSplitter());
        QCOMPARE(frame.OuterSplitter()->widget(1), frame.BottomTabs());
        QCOMPARE(frame.BottomTabs()->widget(0), frame.LogWindow());
        QCOMPARE(frame.BottomTabs()->tabText(0), QStringLiteral("Log"));
        QCOMPARE(frame.BottomTabs()->count(), 1);
        auto* transfers = new QWidget;
        frame.SetTransfersPane(transfers);
        QCOMPARE(frame.BottomTabs()->tabText(1), QStringLiteral("Transfers"));
        QCOMPARE(frame.BottomTabs()->widget(1), transfers);
        QCOMPARE(frame.InnerSplitter()->widget(0), frame.SiteTreePane());
        QCOMPARE(frame.InnerSplitter()->widget(1), frame.ListViewPane());
    }

    void FrameCreationFailsWithoutPanes() {
        AppParts parts;
        MainWindow frame(parts.context, CreateNoPanes);
        QVERIFY(!frame.SplitterReady());
        QVERIFY(!frame.SiteTreePane());
        QVERIFY(!frame.ListViewPane());
    }

    void ToolbarHasTwelveSlotsWithTooltips() {
        AppParts parts;
        MainWindow frame(parts.context, CreateTestPanes);
        const QList<QAction*> toolSlots = frame.ToolBar()->actions();
        QStringList tips;
        for (QAction* action : toolSlots)
            tips << (action->isSeparator() ? QStringLiteral("-") : action->toolTip());
        QCOMPARE(tips,
                 QStringList({"New Profile", "-", "Up One Level", "Refresh Directory.", "Disconnect", "-",
                              "Delete", "-", "Large Icons", "Small Icons", "List View", "Detail"}));
        for (QAction* action : toolSlots) {
            if (action->isSeparator()) continue;
            QVERIFY(!action->icon().isNull());
            QCOMPARE(frame.ToolBar()->widgetForAction(action)->accessibleName(), action->toolTip());
        }
        // States are right before the first idle pass: Disconnect needs a connection.
        QVERIFY(!frame.Action(u"disconnect")->isEnabled());
        QVERIFY(frame.Action(u"largeIcons")->isEnabled());
        QActionGroup* group = toolSlots.at(8)->actionGroup();
        QVERIFY(group);
        QCOMPARE(group->actions(), toolSlots.mid(8, 4));
    }

    void MenusHoldTheirEntries() {
        AppParts parts;
        MainWindow frame(parts.context, CreateTestPanes);
        QList<QAction*> menus = frame.menuBar()->actions();
        QCOMPARE(Texts(menus), QStringList({"&File", "&Edit", "&View", "&Help"}));
        QCOMPARE(Texts(menus[0]->menu()->actions()),
                 QStringList({"New Group...", "New Site...", "-", "Quick Connect...", "-", "E&xit"}));
        QCOMPARE(Texts(menus[1]->menu()->actions()),
                 QStringList({"Create Directory...", "&Delete", "-", "&Upload...", "Download &To...", "-",
                              "&Properties...", "Rename...", "Permissions..."}));
        QCOMPARE(Texts(menus[2]->menu()->actions()),
                 QStringList({"&Large Icons", "Small Icons", "L&ist", "Details", "-", "&Options...", "-",
                              "&Filter...", "Refresh"}));
        QCOMPARE(Texts(menus[3]->menu()->actions()), QStringList({"Help..."}));
        // No menu has been shown: the frame's own entries are enabled, and the
        // panes' commands are not, since panes of this kind carry none out.
        const QList<QAction*> view = menus[2]->menu()->actions();
        for (int i : {0, 1, 2, 3, 5}) QVERIFY2(view[i]->isEnabled(), qPrintable(view[i]->text()));
        for (int i : {7, 8}) QVERIFY2(!view[i]->isEnabled(), qPrintable(view[i]->text()));
    }

    void DefaultViewPressesItsButton_data() {
        QTest::addColumn<int>("defaultView");
        QTest::addColumn<QString>("pressed");  // action name, empty for none
        QTest::newRow("0 large icons") << 0 << "largeIcons";
        QTest::newRow("1 details") << 1 << "details";
        QTest::newRow("2 small icons") << 2 << "smallIcons";
        QTest::newRow("3 list") << 3 << "list";
        QTest::newRow("4 presses none") << 4 << QString();
        QTest::newRow("-1 presses none") << -1 << QString();
    }

    void DefaultViewPressesItsButton() {
        QFETCH(int, defaultView);
        QFETCH(QString, pressed);
        AppParts parts;
        parts.settings.defaultView = defaultView;
        MainWindow frame(parts.context, CreateTestPanes);
        for (const QString name : {"largeIcons", "smallIcons", "list", "details"}) {
            QCOMPARE(frame.Action(name)->isChecked(), name == pressed);
        }
    }

    void ListThenLargeIconsKeepsSortingOn() {
        AppParts parts;
        MainWindow frame(parts.context, CreateTestPanes);
        RemoteListPane* list = frame.ListPane();
        QVERIFY(list);
        QVERIFY(!list->SortsAscending());
        frame.Action(u"largeIcons")->trigger();
        QVERIFY(!list->SortsAscending());  // Large Icons leaves the sort bit alone
        frame.Action(u"list")->trigger();
        QCOMPARE(list->ViewMode(), ListViewMode::List);
        QVERIFY(list->SortsAscending());
        frame.Action(u"largeIcons")->trigger();
        QCOMPARE(list->ViewMode(), ListViewMode::LargeIcons);
        QVERIFY(list->SortsAscending());
        QVERIFY(frame.Action(u"largeIcons")->isChecked());
        QVERIFY(!frame.Action(u"list")->isChecked());
        frame.Action(u"details")->trigger();
        QCOMPARE(list->ViewMode(), ListViewMode::Details);
        QVERIFY(frame.Action(u"details")->isChecked());
        // A mode the list is already in is not set again: the sort bit stays as it is.
        auto* fake = static_cast<FakeListPane*>(list);
        fake->sorted = false;
        const int arranged = fake->arranged;
        frame.Action(u"details")->trigger();
        QVERIFY(!fake->sorted);
        QCOMPARE(fake->arranged, arranged + 1);
        // The mode is not saved by the command.
        QCOMPARE(parts.settings.defaultView, 0);
    }

    // A drop that cannot become queue jobs says why and queues nothing.
    void DropThatCannotBeQueuedSaysWhy_data() {
        QTest::addColumn<bool>("connected");
        QTest::addColumn<QString>("directory");
        QTest::addColumn<bool>("withQueue");
        QTest::addColumn<QString>("message");
        QTest::newRow("disconnected") << false << "/pub" << true << "System Not Connected To A Server";
        QTest::newRow("relative directory")
            << true << "pub" << true
            << "The server has not said where this folder is, so nothing can be transferred to or from it.";
        QTest::newRow("no queue") << true << "/pub" << false
                                  << "There is no transfer queue to take these transfers.";
    }
    void DropThatCannotBeQueuedSaysWhy() {
        QFETCH(bool, connected);
        QFETCH(QString, directory);
        QFETCH(bool, withQueue);
        QFETCH(QString, message);
        AppParts parts;
        QTemporaryDir local;
        BackgroundQueue queue(parts.log, 1, local.filePath("queue"));
        if (withQueue) parts.context.transfers = &queue;
        MainWindow frame(parts.context, CreateTestPanes);
        static_cast<FakeListPane*>(frame.ListPane())->place = {"Local", "/", directory, connected, false};
        frame.setAcceptDrops(true);
        WriteFile(local.filePath("notes.txt"), "notes\n");
        Drop(frame, {local.filePath("notes.txt"), local.path()});
        QCOMPARE(messages.texts, QStringList{message});
        QVERIFY(queue.Queue().Jobs().empty());
        QCOMPARE(parts.log.Size(), std::size_t(0));
    }

    // Dropped files and folders become jobs of the transfer queue for the
    // list's site and directory and arrive whole on the queue's own
    // connection; a path that is not there, or the root, is named, a file
    // the server refuses fails in the queue, and the list's session sends
    // nothing.
    void DroppedFilesAndFoldersArriveThroughTheQueue() {
        testsupport::PyftpdlibServer server;
        if (!server.Started()) QSKIP(server.Problem().c_str());
        const std::filesystem::path root = server.WritableDir();
        std::filesystem::create_directories(root / "refused.txt");  // no file can be stored under that name
        QTemporaryDir local;
        WriteFile(local.filePath("notes.txt"), "first file\n");
        WriteFile(local.filePath("refused.txt"), "refused\n");
        QVERIFY(QDir(local.path()).mkpath("photos/deeper"));
        WriteFile(local.filePath("photos/deeper/cat.png"), QByteArray(3000, 'c'));

        AppParts parts;
        BackgroundQueue queue(parts.log, 2, local.filePath("saved queue"));
        queue.SiteConnected("Local", testsupport::AnonymousSettings(server));
        queue.Start({});
        parts.context.transfers = &queue;
        MainWindow frame(parts.context, CreateTestPanes);
        const QString directory = server.WritableRemoteDir().empty()
                                      ? "/"
                                      : QString::fromStdString("/" + server.WritableRemoteDir());
        static_cast<FakeListPane*>(frame.ListPane())->place = {"Local", "/", directory, true, false};

        Drop(frame, {local.filePath("notes.txt"), local.filePath("gone.txt"), local.filePath("refused.txt"),
                     local.filePath("photos/"), "/"});
        QCOMPARE(messages.texts,
                 QStringList{"These items were not queued:\n" + local.filePath("gone.txt") +
                             " (no such file or folder)\n/ (the root folder has no name to upload "
                             "under)"});
        std::vector<TransferJob> jobs = queue.Queue().Jobs();
        QCOMPARE(jobs.size(), std::size_t(3));
        const auto allEnded = [&queue] {
            const std::vector<TransferJob> now = queue.Queue().Jobs();
            return std::all_of(now.begin(), now.end(), [](const TransferJob& job) {
                return IsFinished(job.state) || job.state == JobState::Failed;
            });
        };
        QTRY_VERIFY_WITH_TIMEOUT(allEnded(), 30000);
        jobs = queue.Queue().Jobs();
        QVERIFY2(IsFinished(jobs[0].state) && IsFinished(jobs[2].state), jobs[0].failure.c_str());
        QVERIFY(jobs[2].isDirectory);
        QCOMPARE(jobs[1].state, JobState::Failed);
        QVERIFY2(jobs[1].failure.find("550") != std::string::npos, jobs[1].failure.c_str());
        QCOMPARE(QByteArray::fromStdString(testsupport::TempDir::ReadFile(root / "notes.txt")),
                 QByteArray("first file\n"));
        QCOMPARE(QByteArray::fromStdString(testsupport::TempDir::ReadFile(root / "photos/deeper/cat.png")),
                 QByteArray(3000, 'c'));
        queue.Stop();
        parts.context.transfers = nullptr;
    }

    void DropIgnoresDataWithoutLocalFiles() {
        AppParts parts;
        MainWindow frame(parts.context, CreateTestPanes);
        QMimeData data;
        data.setUrls({QUrl("https://example.org/file.txt")});
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        static_cast<QObject&>(frame).event(&enter);
        QVERIFY(!enter.isAccepted());
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        static_cast<QObject&>(frame).event(&drop);
        QVERIFY(messages.texts.isEmpty());
    }

    void CloseRecordsTheOuterRectangle() {
        AppParts parts;
        MainWindow frame(parts.context, CreateTestPanes);
        QSignalSpy closed(&frame, &MainWindow::closed);
        frame.move(40, 30);
        frame.resize(600, 450);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        const QRect outer = frame.frameGeometry();
        QVERIFY(frame.close());
        QCOMPARE(closed.count(), 1);
        QCOMPARE(parts.settings.left, outer.left());
        QCOMPARE(parts.settings.top, outer.top());
        QCOMPARE(parts.settings.right - parts.settings.left, outer.width());
        QCOMPARE(parts.settings.bottom - parts.settings.top, outer.height());
    }

    void LogLinesQueuedBeforeTheWindowExistsAppearInOrder() {
        AppParts parts;
        parts.log.Append("first");
        parts.log.Append("second");
        parts.log.Drain();  // no window yet: the lines stay queued
        QCOMPARE(parts.log.Size(), std::size_t(2));
        {
            MainWindow frame(parts.context, CreateTestPanes);
            parts.log.Append("third");
            parts.log.Drain();
            const QStringList lines = frame.LogWindow()->Lines();
            QCOMPARE(lines.mid(lines.size() - 3), QStringList({"first", "second", "third"}));
        }
        // With the frame gone, lines wait again rather than reach a dead window.
        parts.log.Append("after");
        parts.log.Drain();
        QCOMPARE(parts.log.Size(), std::size_t(1));
    }

    void OptionsCommandEditsTheSettingsInMemory() {
        AppParts parts;
        MainWindow frame(parts.context, CreateTestPanes);
        frame.show();
        QString title;
        QTimer::singleShot(50, &frame, [&title] {
            auto* sheet = qobject_cast<OptionsSheet*>(QApplication::activeModalWidget());
            if (!sheet) return;
            title = sheet->windowTitle();
            for (QLineEdit* field : sheet->Tabs()->widget(0)->findChildren<QLineEdit*>()) {
                if (field->accessibleName() == "Port") field->setText("2121");
            }
            sheet->accept();
        });
        QSignalSpy changed(&frame, &MainWindow::settingsChanged);
        frame.Action(u"options")->trigger();
        QCOMPARE(title, QStringLiteral("Options"));
        QCOMPARE(parts.settings.port, 2121);
        QCOMPARE(changed.count(), 1);  // what follows a setting at once hears of it
    }

    void F6MovesBetweenThePanes() {
        AppParts parts;
        MainWindow frame(parts.context, CreateTestPanes);
        frame.show();
        QVERIFY(QTest::qWaitForWindowActive(&frame));
        frame.SiteTreePane()->setFocus();
        QTRY_VERIFY(frame.SiteTreePane()->hasFocus());
        QTest::keyClick(&frame, Qt::Key_F6);
        QTRY_VERIFY(frame.ListViewPane()->hasFocus());
        QTest::keyClick(&frame, Qt::Key_F6);
        QTRY_VERIFY(frame.LogWindow()->hasFocus());
        QTest::keyClick(&frame, Qt::Key_F6, Qt::ShiftModifier);
        QTRY_VERIFY(frame.ListViewPane()->hasFocus());
    }
};

QTEST_MAIN(TestMainWindow)
#include "test_main_window.moc"
