#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QSettings>
#include <QTextBlock>
#include <QtTest>
#include <thread>

#include "app/application.h"
#include "app/main_window.h"
#include "browser/remote_view.h"
#include "options/debug_window.h"
#include "options/isolated_config.h"
#include "options/recorded_messages.h"
#include "support/scripted_ftp_server.h"
#include "support/session_settings.h"

namespace {

std::unique_ptr<QSettings> OpenStore() {
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Corvane"),
                                       QStringLiteral("Quillmoor"));
}

int StoredValueCount() {
    auto store = OpenStore();
    return static_cast<int>(store->allKeys().size());
}

// An application whose socket layer refuses to start.
class NoSocketsApp : public Application {
protected:
    bool StartSocketLayer() override { return false; }
};

}  // namespace

class TestApplication : public QObject {
    Q_OBJECT

private:
    RecordedMessages messages;

private slots:
    void init() { messages.texts.clear(); }

    void FirstRunWithAnEmptyStore() {
        IsolatedConfig config;
        {
            Application app;
            QVERIFY(app.Start());
            MainWindow* frame = app.Window();
            QVERIFY(frame->isVisible());
            QCOMPARE(frame->windowTitle(), QStringLiteral("Quillmoor"));
            QVERIFY(frame->acceptDrops());
            QCOMPARE(frame->frameGeometry(), QRect(0, 0, 530, 530));
            QCOMPARE(app.Settings().transferMode, int('F'));
            QVERIFY(frame->Action(u"largeIcons")->isChecked());
            // Nothing is written before shutdown.
            QVERIFY(!QFile::exists(config.SettingsFile()));
            app.requestExit();
            app.Shutdown();
        }
        QCOMPARE(StoredValueCount(), 27);
        auto store = OpenStore();
        QCOMPARE(store->value("WndProperties/Right").toInt(), 530);
        QCOMPARE(store->value("TransOptions/Transfer Mode").toInt(), int('F'));
        QString temp = QDir::tempPath();
        if (!temp.endsWith('/')) temp += '/';
        QCOMPARE(store->value("TransOptions/Default Download Directory").toString(), temp);
    }

    void StoredWindowAndSettingsComeBack() {
        IsolatedConfig config;
        {
            auto store = OpenStore();
            store->setValue("WndProperties/Left", 50);
            store->setValue("WndProperties/Top", 40);
            store->setValue("WndProperties/Right", 650);
            store->setValue("WndProperties/Bottom", 540);
            store->setValue("ProgramOptions/Default View", 1);
            store->setValue("TransOptions/Default Download Directory", "");
            store->setValue("TransOptions/Transfer Mode", int('P'));
        }
        Application app;
        QVERIFY(app.Start());
        QCOMPARE(app.Window()->frameGeometry(), QRect(50, 40, 600, 500));
        QVERIFY(app.Window()->Action(u"details")->isChecked());
        QCOMPARE(app.Settings().defaultDownloadDirectory, std::string());

        // File > Exit records where the window is now.
        app.Window()->move(70, 60);
        app.Window()->Action(u"exit")->trigger();
        app.Shutdown();
        auto store = OpenStore();
        QCOMPARE(store->value("WndProperties/Left").toInt(), 70);
        QCOMPARE(store->value("WndProperties/Top").toInt(), 60);
        QCOMPARE(store->value("WndProperties/Right").toInt(), 670);
        QCOMPARE(store->value("WndProperties/Bottom").toInt(), 560);
        QCOMPARE(store->value("TransOptions/Default Download Directory").toString(), QString());
        QCOMPARE(store->value("TransOptions/Transfer Mode").toInt(), int('P'));
    }

    void AWindowOffEveryScreenComesBackIntoView() {
        IsolatedConfig config;
        {
            auto store = OpenStore();
            store->setValue("WndProperties/Left", 30000);
            store->setValue("WndProperties/Right", 30530);
        }
        Application app;
        QVERIFY(app.Start());
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY(screen.intersects(app.Window()->frameGeometry()));
        QCOMPARE(app.Window()->frameGeometry().size(), QSize(530, 530));
    }

    void ShutdownBeforeSettingsWereLoadedWritesNothing() {
        IsolatedConfig config;
        OpenStore()->setValue("ProgramOptions/Port", 2121);
        Application app;
        app.Shutdown();
        QCOMPARE(StoredValueCount(), 1);
        QCOMPARE(OpenStore()->value("ProgramOptions/Port").toInt(), 2121);
    }

    void SocketLayerFailureSavesTheSettingsAsLoaded() {
        IsolatedConfig config;
        OpenStore()->setValue("WndProperties/Left", 12);
        OpenStore()->setValue("WndProperties/Right", 612);
        NoSocketsApp app;
        QVERIFY(!app.Start());
        QCOMPARE(messages.texts,
                 QStringList{"The WinSock DLL could not be used, please check your installation or with "
                             "your service provider"});
        QVERIFY(!app.Window());
        QCOMPARE(StoredValueCount(), 27);
        QCOMPARE(OpenStore()->value("WndProperties/Left").toInt(), 12);
        QCOMPARE(OpenStore()->value("WndProperties/Right").toInt(), 612);
    }

    void LinesQueuedBeforeTheLogWindowAppearAfterIt() {
        IsolatedConfig config;
        Application app;
        app.Log().Append("queued early");
        app.Log().Append("queued second");
        QVERIFY(app.Start());
        QTRY_VERIFY(app.Window()->LogWindow()->Lines().contains("queued second"));
        const QStringList lines = app.Window()->LogWindow()->Lines();
        QCOMPARE(lines.indexOf("queued early") + 1, lines.indexOf("queued second"));
        QCOMPARE(lines.indexOf("queued early"), 2);  // right after the welcome line and its empty line
    }

    // The engine's report is a queued signal, which a modal dialog's loop
    // delivers too, so lines keep arriving while a progress dialog or a
    // question waits for the user.
    void LogKeepsDrainingWhileAModalDialogIsOpen() {
        IsolatedConfig config;
        Application app;
        QVERIFY(app.Start());
        DebugWindow* window = app.Window()->LogWindow();
        QDialog dialog(app.Window());
        QTimer check;
        check.setInterval(20);
        connect(&check, &QTimer::timeout, &dialog, [&] {
            if (window->document()->lastBlock().text() == "from the worker") dialog.accept();
        });
        QTimer::singleShot(3000, &dialog, &QDialog::reject);
        QTimer::singleShot(50, &dialog, [&] {
            std::thread worker([&app] { app.Log().Append("from the worker"); });
            worker.join();
            check.start();
        });
        QCOMPARE(dialog.exec(), int(QDialog::Accepted));
    }

    // A worker's line is written into the log pane when the engine reports
    // it; nothing is scheduled while nothing happens, and the user's keys
    // bring the toolbar up to date.
    void TheLogPaneFollowsTheEngineReports() {
        IsolatedConfig config;
        Application app;
        QVERIFY(app.Start());
        QTRY_VERIFY(!app.RefreshScheduled());
        std::thread worker([&app] { app.Log().Append("woken"); });
        worker.join();
        // The document itself, not Lines(), which would flush by itself.
        QTRY_COMPARE(app.Window()->LogWindow()->document()->lastBlock().text(), QStringLiteral("woken"));
        QVERIFY(!app.RefreshScheduled());
        QTest::keyRelease(app.Window(), Qt::Key_Shift);
        QVERIFY(app.RefreshScheduled());
        QTRY_VERIFY(!app.RefreshScheduled());
    }

    void ShutdownSaysQuitToAConnectedServer() {
        IsolatedConfig config;
        testsupport::ScriptedFtpServer server;
        server.Expect("USER", "230 Logged in.\r\n");
        RecordedMessages messages;  // the unscripted listing is refused
        Application app;
        QVERIFY(app.Start());
        auto* view = qobject_cast<RemoteView*>(app.Window()->ListViewPane());
        QVERIFY(view);
        SiteProfile site;
        site.host = server.HostText();
        site.userId = "u";
        view->Connect(site, RemoteView::ConnectionKind::Quick);
        QVERIFY(QTest::qWaitFor([view] { return !view->Busy(); }, 10000));
        QVERIFY(view->Connected());
        app.requestExit();
        app.Shutdown();
        QVERIFY(server.WaitForLines(2, std::chrono::seconds(5)));
        QCOMPARE(server.Received().back(), std::string("quit"));
        QCOMPARE(StoredValueCount(), 27);
    }
};

QTEST_MAIN(TestApplication)
#include "test_application.moc"
