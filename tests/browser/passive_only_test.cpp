// The desktop program against a server that takes passive data connections
// only (vsftpd with port_enable=NO): browse, download by double click, upload
// by drop and drag out, every file byte for byte.
#include <QRandomGenerator>

#include "app/application.h"
#include "app/main_window.h"
#include "browser/drag_out/drag_out_recorder.h"
#include "browser/remote_mime_data.h"
#include "browser_test_main.h"
#include "ftp/data_mode.h"
#include "program_driver.h"
#include "server_fixture.h"
#include "test_files.h"

namespace {

QByteArray RandomBytes(int size) {
    QByteArray bytes(size, '\0');
    for (char& byte : bytes) byte = static_cast<char>(QRandomGenerator::global()->bounded(256));
    return bytes;
}

}  // namespace

class PassiveOnlyTest : public QObject {
    Q_OBJECT

private slots:
    void BrowsesDownloadsUploadsAndDragsOut() {
        testsupport::VsftpdServer server(testsupport::VsftpdDataOptions{false, ""});
        if (!server.Started()) QSKIP(server.Problem().c_str());
        const QString root = QString::fromStdString(server.WritableDir().string());
        const QByteArray clicked = RandomBytes(300000);
        const QByteArray dragged = RandomBytes(200000);
        WriteTestFile(root + "/pub/clicked.bin", clicked);
        WriteTestFile(root + "/pub/dragged.bin", dragged);
        WriteTestFile(root + "/welcome.txt", "hi\n");
        // vsftpd writes as its own anonymous user.
        QFile::setPermissions(root + "/pub", QFile::ReadOther | QFile::WriteOther | QFile::ExeOther |
                                                 QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

        const QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
        WriteTestFile(config + "/Corvane/Wexal.INI",
                      LocalSiteCatalogue(server.HostText(), "anonymous", "",
                                         server.WritableRemoteDir().c_str()));
        QTemporaryDir scratch;
        MessageLog messages;
        Application app;
        QVERIFY(app.Start());
        QCOMPARE(app.Settings().passiveMode, 1);  // the program default every site here takes
        app.Settings().defaultDownloadDirectory = (scratch.path() + "/").toStdString();
        app.Settings().viewOnDoubleClick = 0;
        app.Settings().email = "passive@example.com";
        MainWindow* frame = app.Window();
        auto* view = qobject_cast<RemoteView*>(frame->ListViewPane());
        QVERIFY(view);
        ProgramDriver user(view);
        QVERIFY(QTest::qWaitForWindowExposed(frame));

        // Browse: the site's directory is listed, then a folder in it.
        user.DoubleClick("Demo");
        user.DoubleClick("Local");
        QVERIFY(app.Session().IsConnected());
        QCOMPARE(user.Labels(), (QStringList{"pub", "welcome.txt"}));
        user.DoubleClick("pub");
        QCOMPARE(user.Labels(), (QStringList{"clicked.bin", "dragged.bin"}));

        // Download by double click.
        user.DoubleClick("clicked.bin");
        QCOMPARE(ProgramDriver::ReadAll(scratch.filePath("clicked.bin")), clicked);

        // Upload by dropping a file onto the window: the transfer queue's own
        // connection sends it, passive too, and the list shows it once there.
        const QByteArray uploaded = RandomBytes(250000);
        const QString local = scratch.filePath("from desktop.bin");
        WriteTestFile(local, uploaded);
        QVERIFY(ProgramDriver::DropFile(frame, local));
        QTRY_VERIFY_WITH_TIMEOUT(user.Labels().contains("from desktop.bin"), 20000);
        QCOMPARE(ProgramDriver::ReadAll(root + "/pub/from desktop.bin"), uploaded);

        // Drag out: the dropped list's file is downloaded when the drop is made.
        user.Select("dragged.bin");
        QString problem;
        auto data = RemoteMimeData::FromSelection(view->List(), app.Session(), problem);
        QVERIFY2(data, qPrintable(problem));
        RemoteDropSource source(data.get());
        ReleaseLeftButton(source);
        const QString downloads = QString::fromStdString(app.Session().Settings().downloadDir);
        QCOMPARE(data->urls(), QList<QUrl>{QUrl::fromLocalFile(downloads + "dragged.bin")});
        QCOMPARE(ProgramDriver::ReadAll(downloads + "dragged.bin"), dragged);

        QCOMPARE(app.Session().Transfer().DataModeInUse(), DataMode::Passive);
        QVERIFY2(messages.texts.isEmpty(), qPrintable(messages.texts.join('\n')));
        app.requestExit();
        app.Shutdown();
    }
};

QUILLMOOR_BROWSER_TEST_MAIN(PassiveOnlyTest)
#include "passive_only_test.moc"
