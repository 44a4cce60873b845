// Real drags out of the remote list on an X display (run under xvfb-run): the
// pointer is moved by xdotool, the program's own QDrag runs its loop, and the
// drop lands on a folder-like window in this process or in a program of its own.
#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QLabel>
#include <QMimeData>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTreeView>

#include "app/application.h"
#include "app/main_window.h"
#include "browser/connection_client.h"
#include "browser_test_main.h"
#include "drag_out_recorder.h"
#include "drop_target_window.h"
#include "server_fixture.h"
#include "test_files.h"

namespace {

// A payload whose every byte depends on its place, so a short or shuffled
// copy shows.
QByteArray Payload(int size) {
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xff);
    return bytes;
}

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

QString At(const QPoint& point) { return QString("%1 %2").arg(point.x()).arg(point.y()); }

// xdotool steps for a drag from one screen point to another; `ending` is what
// happens over the target ("mouseup 1", or Escape first).
QStringList DragSteps(const QPoint& from, const QPoint& to, const QString& ending) {
    QStringList steps{"mousemove " + At(from), "sleep 0.3", "mousedown 1", "sleep 0.2"};
    for (int step = 1; step <= 6; ++step) {
        steps << "mousemove " + At(from + (to - from) * step / 6) << "sleep 0.15";
    }
    steps << "mousemove " + At(to + QPoint(4, 4)) << "sleep 0.5" << "mousemove " + At(to) << "sleep 0.5";
    steps << ending.split(u';');
    return steps;
}

}  // namespace

class DragOutX11Test : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<LoggedPyftpd> server;
    std::unique_ptr<ViewFixture> f;
    std::unique_ptr<ProgressRecorder> dialogs;
    QString downloads;
    QTemporaryDir folder;
    QProcess pointer;

    QStringList Retrieved() { return f->LogLines().filter(QRegularExpression("^Quillmoor: RETR ")); }

    // The centre of a list row on the screen; the row is selected by the press.
    QPoint RowOnScreen(const QString& label) {
        QAbstractItemView* view = f->List().ActiveView();
        const QRect rect = view->visualRect(f->List().Model().index(f->Row(label), 0));
        return view->viewport()->mapToGlobal(rect.center());
    }

    void MovePointer(const QStringList& steps) {
        QStringList arguments;
        for (const QString& step : steps) arguments << step.split(u' ');
        pointer.start("xdotool", arguments);
        QVERIFY(pointer.waitForStarted());
    }

private slots:
    void initTestCase() {
        if (QGuiApplication::platformName() != "xcb") QSKIP("needs an X display: run under xvfb-run");
        if (QStandardPaths::findExecutable("xdotool").isEmpty()) QSKIP("xdotool is not installed");
        server = std::make_unique<LoggedPyftpd>();
        if (!server->Started()) QSKIP(server->Problem().c_str());
        server->Put("report.bin", Payload(3 * 1024 * 1024 + 17));
        server->Put("notes.txt", "first line\nsecond line\n");
        f = std::make_unique<ViewFixture>(LocalSiteCatalogue(server->HostText()));
        OpenSite(*f, "Demo", "Local");
        QVERIFY(f->view->Connected());
        downloads = QString::fromStdString(f->view->Client()->Settings().downloadDir);
        dialogs = std::make_unique<ProgressRecorder>();

        f->view->SetViewMode(1);
        f->view->setWindowTitle("Quillmoor list");
        f->view->setGeometry(20, 20, 600, 300);
        f->view->show();
        QVERIFY(QTest::qWaitForWindowExposed(f->view.get()));
    }

    void init() {
        if (f) f->LogLines();
        if (dialogs) dialogs->waits.clear();
        for (const QString& name : QDir(downloads).entryList(QDir::Files)) QFile::remove(downloads + name);
    }

    void cleanup() {
        if (pointer.state() != QProcess::NotRunning) pointer.waitForFinished(10000);
    }

    void DroppedFileLandsCompleteInTheFolderWindow() {
        DropTargetWindow target(folder.path());
        target.setGeometry(760, 80, 300, 200);
        target.show();
        QVERIFY(QTest::qWaitForWindowExposed(&target));

        MovePointer(DragSteps(RowOnScreen("report.bin"), target.mapToGlobal(target.rect().center()), "mouseup 1"));
        QTRY_COMPARE_WITH_TIMEOUT(target.drops, 1, 30000);

        const QList<QUrl> offered{QUrl::fromLocalFile(downloads + "report.bin")};
        // The look while the drag passed over the window fetched nothing.
        QCOMPARE(target.seenWhileDragging, offered);
        QCOMPARE(target.bytesWhileDragging, 0);
        QCOMPARE(target.dropped, offered);
        QCOMPARE(target.copied, QStringList{"report.bin"});
        QCOMPARE(ReadAll(folder.filePath("report.bin")), Payload(3 * 1024 * 1024 + 17));
        QCOMPARE(Retrieved(), QStringList{"Quillmoor: RETR report.bin"});
        QCOMPARE(dialogs->waits, QStringList{"Retrieving report.bin From " + QString::fromStdString(server->HostText())});
    }

    // Large icons is the mode a new user starts in.
    void DroppedFromLargeIconsLandsToo() {
        f->view->SetViewMode(RemoteListWidget::kLargeIcons);
        f->view->Arrange();
        DropTargetWindow target(folder.path());
        target.setGeometry(760, 80, 300, 200);
        target.show();
        QVERIFY(QTest::qWaitForWindowExposed(&target));
        MovePointer(DragSteps(RowOnScreen("notes.txt"), target.mapToGlobal(target.rect().center()), "mouseup 1"));
        QTRY_COMPARE_WITH_TIMEOUT(target.drops, 1, 30000);
        f->view->SetViewMode(RemoteListWidget::kDetails);
        QCOMPARE(ReadAll(folder.filePath("notes.txt")), QByteArray("first line\nsecond line\n"));
        QCOMPARE(Retrieved(), QStringList{"Quillmoor: RETR notes.txt"});
    }

    void DragsThatNeverDropDownloadNothing_data() {
        QTest::addColumn<QString>("ending");
        QTest::newRow("Escape over the window") << "key Escape;sleep 0.3;mouseup 1";
        QTest::newRow("released over no window") << "mousemove 1270 1010;sleep 0.5;mouseup 1";
    }
    void DragsThatNeverDropDownloadNothing() {
        QFETCH(QString, ending);
        DropTargetWindow target(folder.path());
        target.setGeometry(760, 80, 300, 200);
        target.show();
        QVERIFY(QTest::qWaitForWindowExposed(&target));

        MovePointer(DragSteps(RowOnScreen("notes.txt"), target.mapToGlobal(target.rect().center()), ending));
        QTRY_VERIFY_WITH_TIMEOUT(pointer.state() == QProcess::NotRunning, 20000);
        // Whatever might still arrive would come now.
        QTest::qWait(1500);
        QVERIFY(!target.seenWhileDragging.isEmpty());  // the drag did reach the window
        QCOMPARE(target.drops, 0);
        QVERIFY(Retrieved().isEmpty());
        QVERIFY(dialogs->waits.isEmpty());
        QVERIFY(!QFile::exists(downloads + "notes.txt"));
    }

    // Through the X drag-and-drop protocol, to a program of its own, which asks
    // for the list only after the drop, as a file manager does.
    void DroppedFileLandsInAnotherProgramsWindow() {
        QTemporaryDir otherFolder;
        QProcess other;
        other.start(DROP_TARGET_PROGRAM, {otherFolder.path(), "760", "400"});
        QVERIFY(other.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(other.canReadLine(), 10000);
        QCOMPARE(other.readLine().trimmed(), QByteArray("ready"));

        MovePointer(DragSteps(RowOnScreen("notes.txt"), QPoint(760 + 150, 400 + 100), "mouseup 1"));
        QTRY_VERIFY_WITH_TIMEOUT(other.state() == QProcess::NotRunning, 30000);
        QCOMPARE(other.readAll(), QByteArray("dropped 1\nnotes.txt\n"));
        QCOMPARE(ReadAll(otherFolder.filePath("notes.txt")), QByteArray("first line\nsecond line\n"));
        QCOMPARE(Retrieved(), QStringList{"Quillmoor: RETR notes.txt"});
    }

    // Let go over the program's own window: that is no upload, and nothing is
    // fetched to be sent back over itself.
    void ReleasedOverTheProgramsOwnWindowMovesNothing() {
        f->view->hide();
        WriteTestFile(qEnvironmentVariable("XDG_CONFIG_HOME") + "/Corvane/Wexal.INI",
                      LocalSiteCatalogue(server->HostText()));
        QTemporaryDir scratch;
        MessageLog messages;
        Application app;
        QVERIFY(app.Start());
        app.Settings().defaultDownloadDirectory = (scratch.path() + "/").toStdString();
        app.Settings().email = "drag@example.com";
        MainWindow* frame = app.Window();
        auto* view = qobject_cast<RemoteView*>(frame->ListViewPane());
        QVERIFY(view);
        QVERIFY(QTest::qWaitForWindowExposed(frame));
        for (const char* label : {"Demo", "Local"}) {
            view->List().SelectRow(view->List().FindLabel(label));
            view->OpenItem();
            QVERIFY(QTest::qWaitFor([view] { return !view->Busy(); }, 20000));
        }
        QVERIFY(view->Connected());
        view->SetViewMode(1);
        const int before = server->Log().count(QRegularExpression("(RETR|STOR) "));

        QTreeView* details = view->List().DetailsView();
        const QRect row = details->visualRect(view->List().Model().index(view->List().FindLabel("notes.txt"), 0));
        const QPoint from = details->viewport()->mapToGlobal(row.center());
        MovePointer(DragSteps(from, frame->mapToGlobal(QPoint(60, frame->height() / 3)), "mouseup 1"));
        QTRY_VERIFY_WITH_TIMEOUT(pointer.state() == QProcess::NotRunning, 20000);
        QTest::qWait(1500);
        QCOMPARE(server->Log().count(QRegularExpression("(RETR|STOR) ")), before);
        QVERIFY(QDir(scratch.path()).isEmpty());
        QCOMPARE(messages.texts, QStringList());

        // A folder dropped from outside is uploaded by the transfer queue and
        // shows in the list once it has arrived.
        WriteTestFile(scratch.filePath("album/one.txt"), "1\n");
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(scratch.filePath("album"))});
        const QPoint centre(frame->width() / 2, frame->height() / 2);
        QDragEnterEvent enter(centre, Qt::CopyAction, &mime, Qt::LeftButton, {});
        QApplication::sendEvent(frame, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(centre), Qt::CopyAction, &mime, Qt::LeftButton, {});
        QApplication::sendEvent(frame, &drop);
        QTRY_VERIFY_WITH_TIMEOUT(view->List().FindLabel("album") >= 0, 20000);
        QCOMPARE(ReadAll(server->Root() + "/album/one.txt"), QByteArray("1\n"));
        app.Shutdown();
    }

    void cleanupTestCase() {
        f.reset();
    }
};

QUILLMOOR_BROWSER_TEST_MAIN(DragOutX11Test)
#include "drag_out_x11_test.moc"
