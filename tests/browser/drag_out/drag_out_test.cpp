// The file list that a drag out of the remote list offers: what a target gets
// while the user is still dragging, and what the first request after the drop
// downloads, against pyftpdlib. The drop source is fed the events the drag
// loop would see.
#include <QFile>
#include <QRegularExpression>
#include <QUrl>

#include "browser/connection_client.h"
#include "browser/remote_mime_data.h"
#include "browser_test_main.h"
#include "drag_out_recorder.h"
#include "server_fixture.h"
#include "support/session_settings.h"

namespace {

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void WriteLocal(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (file.open(QIODevice::WriteOnly)) file.write(bytes);
}

QList<QUrl> Urls(const QString& directory, const QStringList& names) {
    QList<QUrl> urls;
    for (const QString& name : names) urls << QUrl::fromLocalFile(directory + name);
    return urls;
}

}  // namespace

class DragOutTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<LoggedPyftpd> server;

    struct Connection {
        std::unique_ptr<ViewFixture> f;
        std::unique_ptr<ProgressRecorder> ui;
        QString downloads;

        QStringList Retrieved() {
            return f->LogLines().filter(QRegularExpression("^Quillmoor: RETR "));
        }
        std::unique_ptr<RemoteMimeData> Drag(const QStringList& labels) {
            f->Select(labels);
            QString problem;
            auto data = RemoteMimeData::FromSelection(f->List(), *f->view->Client(), f->view->Place().path, problem);
            if (!problem.isEmpty()) qWarning() << problem;
            return data;
        }
    };

    Connection Connect() {
        Connection c;
        c.f = std::make_unique<ViewFixture>(LocalSiteCatalogue(server->HostText()));
        OpenSite(*c.f, "Demo", "Local");
        c.ui = std::make_unique<ProgressRecorder>();
        c.downloads = QString::fromStdString(c.f->view->Client()->Settings().downloadDir);
        c.f->LogLines();
        return c;
    }

    // A list filled from entries, without a server.
    static void Fill(ViewFixture& f, const std::vector<RemoteEntry>& entries) {
        f.view->ClearItems();
        for (const RemoteEntry& entry : entries) f.view->AddEntry(entry);
    }

private slots:
    void initTestCase() {
        server = std::make_unique<LoggedPyftpd>();
        if (!server->Started()) qWarning("%s", server->Problem().c_str());
    }

    void init() {
        if (!server->Started()) return;
        QDir(server->Root()).removeRecursively();
        QDir().mkpath(server->Root());
    }

    // --- the offered list, without a server ---

    // Letting go decides the drop of that drag only: a drag that follows one
    // released over nothing starts undecided.
    void TheDropDecisionBelongsToItsDrag() {
        ViewFixture f;
        ConnectionClient client(f.log, ConnectionSettings());
        Fill(f, {Entry("-rw-r--r--", "10", "a.txt")});
        f.Select({"a.txt"});
        QString problem;
        auto first = RemoteMimeData::FromSelection(f.List(), client, QString(), problem);
        auto second = RemoteMimeData::FromSelection(f.List(), client, QString(), problem);
        QVERIFY(first && second);
        RemoteDropSource source(first.get());
        ReleaseLeftButton(source);
        QVERIFY(first->DropDecided());
        QVERIFY(!second->DropDecided());
    }

    void OffersTheUriListOfTheDownloadDirectory() {
        ViewFixture f;
        ConnectionSettings config;
            config.downloadDir = "/srv/drops/";
        ConnectionClient client(f.log, config);
        Fill(f, {Entry("-rw-r--r--", "10", "b.txt"), Entry("-rw-r--r--", "20", "a.txt"),
                 Entry("-rw-r--r--", "30", "c.txt")});
        f.Select({"a.txt", "b.txt"});
        QString problem;
        auto data = RemoteMimeData::FromSelection(f.List(), client, QString(), problem);
        QVERIFY(data);
        QCOMPARE(problem, QString());
        QCOMPARE(data->formats(), QStringList{"text/uri-list"});
        QVERIFY(data->hasUrls());
        QVERIFY(!data->hasFormat("text/plain") && !data->hasFormat("x-special/gnome-copied-files"));
        QCOMPARE(data->data("text/uri-list"), QByteArray("file:///srv/drops/a.txt\r\nfile:///srv/drops/b.txt\r\n"));
        QCOMPARE(data->urls(), Urls("/srv/drops/", {"a.txt", "b.txt"}));
    }

    void ReadsEachSelectedItem_data() {
        QTest::addColumn<QString>("downloadDir");
        QTest::addColumn<QString>("permissions");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("remoteName");
        QTest::addColumn<QString>("localPath");
        QTest::addColumn<bool>("wholeTree");
        QTest::newRow("file") << "/d/" << "-rw-r--r--" << "a.txt" << "a.txt" << "/d/a.txt" << false;
        QTest::newRow("directory") << "/d/" << "drwxr-xr-x" << "pub" << "pub" << "/d/pub" << true;
        QTest::newRow("link keeps its own name") << "/d/" << "lrwxrwxrwx" << "latest -> v2.1" << "latest"
                                                 << "/d/latest" << true;
        QTest::newRow("directory without a separator") << "/d" << "-rw-r--r--" << "a.txt" << "a.txt" << "/d/a.txt"
                                                       << false;
        QTest::newRow("arrow in a file's name") << "/d/" << "-rw-r--r--" << "x -> y" << "x -> y" << "/d/x -> y"
                                                << false;
    }
    void ReadsEachSelectedItem() {
        QFETCH(QString, downloadDir);
        QFETCH(QString, permissions);
        QFETCH(QString, label);
        ViewFixture f;
        ConnectionSettings config;
            config.downloadDir = downloadDir.toStdString();
        ConnectionClient client(f.log, config);
        Fill(f, {Entry(permissions.toStdString(), "1", label.toStdString())});
        f.Select({label});
        QString problem;
        auto data = RemoteMimeData::FromSelection(f.List(), client, QString(), problem);
        QVERIFY2(data, qPrintable(problem));
        QCOMPARE(data->Items().size(), 1);
        const DragOutItem& item = data->Items().first();
        QTEST(QString::fromStdString(item.remoteName), "remoteName");
        QTEST(item.localPath, "localPath");
        QTEST(item.wholeTree, "wholeTree");
    }

    void RefusesSelectionsThatCannotBeDroppedWhole_data() {
        QTest::addColumn<QString>("downloadDir");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QString>("message");
        QTest::newRow("link with a slash in its name") << "/d/" << QStringList{"a.txt", "l:up/x -> /etc"}
                                                   << "\"up/x -> /etc\" cannot be dragged out: the server lists it "
                                                      "under a name that no local file can have.";
        QTest::newRow("slash") << "/d/" << QStringList{"../../.profile"}
                               << "\"../../.profile\" cannot be dragged out: the server lists it under a name that "
                                  "no local file can have.";
        const QString longName(256, u'n');
        QTest::newRow("name too long") << "/d/" << QStringList{"a.txt", longName}
                                       << "\"" + longName + "\" cannot be dragged out: its local path would be too long.";
        QTest::newRow("path too long") << "/" + QString(3900, u'd') + "/" << QStringList{QString(200, u'f')}
                                       << "\"" + QString(200, u'f') + "\" cannot be dragged out: its local path would "
                                                                      "be too long.";
    }
    void RefusesSelectionsThatCannotBeDroppedWhole() {
        QFETCH(QString, downloadDir);
        QFETCH(QStringList, names);
        ViewFixture f;
        ConnectionSettings config;
            config.downloadDir = downloadDir.toStdString();
        ConnectionClient client(f.log, config);
        // "l:" marks a link.
        std::vector<RemoteEntry> entries;
        QStringList labels;
        for (const QString& name : names) {
            const bool link = name.startsWith("l:");
            labels << name.mid(link ? 2 : 0);
            entries.push_back(Entry(link ? "lrwxrwxrwx" : "-rw-r--r--", "1", labels.last().toStdString()));
        }
        Fill(f, entries);
        f.Select(labels);
        QCOMPARE(f.List().SelectedCount(), names.size());
        QString problem;
        QVERIFY(!RemoteMimeData::FromSelection(f.List(), client, QString(), problem));
        QTEST(problem, "message");
    }

    void RefusesMoreThan3500Items() {
        ViewFixture f;
        ConnectionSettings config; config.downloadDir = "/d/";
        ConnectionClient client(f.log, config);
        std::vector<RemoteEntry> entries;
        for (int i = 0; i < 3501; ++i) entries.push_back(Entry("-rw-r--r--", "1", "f" + std::to_string(i)));
        Fill(f, entries);
        f.List().DetailsView()->selectAll();
        QString problem;
        QVERIFY(!RemoteMimeData::FromSelection(f.List(), client, QString(), problem));
        QCOMPARE(problem, QString("3501 items are selected; at most 3500 can be dragged out at a time."));
        f.List().SelectRow(3500);  // one fewer is fine
        for (int row = 1; row < 3500; ++row) f.List().SelectRow(row, true);
        QVERIFY(RemoteMimeData::FromSelection(f.List(), client, QString(), problem));
        QCOMPARE(problem, QString());
    }

    void CatalogueItemsAreNotDragged() {
        ViewFixture f(DemoCatalogue());
        ConnectionClient client(f.log, ConnectionSettings());
        f.Select({"Demo", "Work"});
        QString problem;
        QVERIFY(!RemoteMimeData::FromSelection(f.List(), client, QString(), problem));
        QCOMPARE(problem, QString());
    }

    // --- requests against a server ---

    void RequestWhileDraggingDownloadsNothing() {
        if (!server->Started()) QSKIP(server->Problem().c_str());
        for (const char* name : {"a.txt", "b.txt", "c.txt"}) server->Put(name, name);
        Connection c = Connect();
        auto data = c.Drag({"a.txt", "b.txt", "c.txt"});
        QVERIFY(data);
        QCOMPARE(data->urls(), Urls(c.downloads, {"a.txt", "b.txt", "c.txt"}));
        QVERIFY(!data->data("text/uri-list").isEmpty());
        QVERIFY(c.Retrieved().isEmpty());
        QCOMPARE(c.ui->waits, QStringList());
        QVERIFY(QDir(c.downloads).isEmpty());
    }

    void DropDownloadsTheSelectedFilesInListOrderFirst() {
        if (!server->Started()) QSKIP(server->Problem().c_str());
        server->Put("c.txt", "third");
        server->Put("a.txt", "first");
        server->Put("b.txt", "second");
        server->Put("left-alone.txt", "no");
        Connection c = Connect();
        auto data = c.Drag({"c.txt", "b.txt", "a.txt"});
        QVERIFY(data);
        RemoteDropSource source(data.get());
        ReleaseLeftButton(source);
        QVERIFY(data->DropDecided());

        const QList<QUrl> urls = data->urls();
        const QString host = QString::fromStdString(server->HostText());
        QCOMPARE(c.ui->waits, (QStringList{"Retrieving a.txt From " + host, "Retrieving b.txt From " + host,
                                           "Retrieving c.txt From " + host}));
        QCOMPARE(c.Retrieved(), (QStringList{"Quillmoor: RETR a.txt", "Quillmoor: RETR b.txt", "Quillmoor: RETR c.txt"}));
        QCOMPARE(urls, Urls(c.downloads, {"a.txt", "b.txt", "c.txt"}));
        QCOMPARE(ReadAll(c.downloads + "a.txt") + ReadAll(c.downloads + "b.txt") + ReadAll(c.downloads + "c.txt"),
                 QByteArray("firstsecondthird"));
        QVERIFY(!QFile::exists(c.downloads + "left-alone.txt"));
        QVERIFY(!data->DropDecided());

        // The target may ask again: the same list, fetched once.
        QCOMPARE(data->urls(), urls);
        QVERIFY(c.Retrieved().isEmpty());
    }

    void DirectoriesAndLinksDownloadAsTrees() {
        if (!server->Started()) QSKIP(server->Problem().c_str());
        server->Put("real/inner/x.txt", "X");
        server->Put("a.txt", "A");
        QVERIFY(QFile::link("real", server->Root() + "/latest"));
        QVERIFY(QFile::link("a.txt", server->Root() + "/a-link"));
        Connection c = Connect();
        // LIST shows a link as "name -> target"; MLSD (pyftpdlib offers it)
        // lists it under its own name as what it leads to.
        const bool mlsd = c.f->Row("latest") >= 0;
        const QString latest = mlsd ? "latest" : "latest -> real";
        const QString aLink = mlsd ? "a-link" : "a-link -> a.txt";
        QVERIFY(c.f->Row(latest) >= 0);
        auto data = c.Drag({latest, "real", aLink});
        QVERIFY(data);
        RemoteDropSource source(data.get());
        ReleaseLeftButton(source);
        QCOMPARE(data->urls(), Urls(c.downloads, {"a-link", "latest", "real"}));
        QCOMPARE(ReadAll(c.downloads + "latest/inner/x.txt"), QByteArray("X"));
        QCOMPARE(ReadAll(c.downloads + "real/inner/x.txt"), QByteArray("X"));
        // A link the walk cannot enter leads to a file, which is fetched as one.
        QCOMPARE(ReadAll(c.downloads + "a-link"), QByteArray("A"));
        // The walks come back to where they started.
        c.f->view->LoadListing();
        QVERIFY(c.f->Settle());
        QCOMPARE(c.f->Labels(), (QStringList{aLink, "a.txt", latest, "real"}));
    }

    // Let go over a target that accepts, the files are fetched before the target
    // hears of the drop; over one that does not, nothing is fetched.
    void ReleaseOverAnAcceptingTargetDownloadsAtOnce_data() {
        QTest::addColumn<int>("targetAction");
        QTest::addColumn<QStringList>("retrieved");
        QTest::newRow("copy") << int(Qt::CopyAction) << QStringList{"Quillmoor: RETR a.txt", "Quillmoor: RETR b.txt"};
        QTest::newRow("move") << int(Qt::MoveAction) << QStringList{"Quillmoor: RETR a.txt", "Quillmoor: RETR b.txt"};
        QTest::newRow("refused") << int(Qt::IgnoreAction) << QStringList();
    }
    void ReleaseOverAnAcceptingTargetDownloadsAtOnce() {
        if (!server->Started()) QSKIP(server->Problem().c_str());
        QFETCH(int, targetAction);
        server->Put("a.txt", "A");
        server->Put("b.txt", "B");
        Connection c = Connect();
        auto data = c.Drag({"a.txt", "b.txt"});
        RemoteDropSource source(data.get());
        source.SetTargetAction(Qt::CopyAction);
        source.SetTargetAction(static_cast<Qt::DropAction>(targetAction));
        ReleaseLeftButton(source);
        QTEST(c.Retrieved(), "retrieved");
        QVERIFY(data->DropDecided());
        // The request that follows hands over the list without fetching again.
        QCOMPARE(data->urls(), Urls(c.downloads, {"a.txt", "b.txt"}));
        QCOMPARE(ReadAll(c.downloads + "b.txt"), QByteArray("B"));
        QCOMPARE(c.Retrieved().size(), targetAction == Qt::IgnoreAction ? 2 : 0);
        QVERIFY(!data->DropDecided());
    }

    // Empty stand-ins name the items while the drag runs; the downloads replace
    // them, and whatever no download replaced goes again. A local file that
    // was there before is never touched by them.
    void PlaceholdersStandInUntilTheDownloadsReplaceThem() {
        if (!server->Started()) QSKIP(server->Problem().c_str());
        server->Put("a.txt", "A");
        server->Put("dir/x.txt", "X");
        server->Put("gone.txt", "G");
        server->Put("kept.txt", "new");
        Connection c = Connect();
        WriteLocal(c.downloads + "kept.txt", "old");
        auto data = c.Drag({"a.txt", "dir", "gone.txt", "kept.txt"});
        data->CreatePlaceholders();
        QCOMPARE(QFileInfo(c.downloads + "a.txt").size(), 0);
        QVERIFY(QDir(c.downloads + "dir").isEmpty());
        QCOMPARE(ReadAll(c.downloads + "kept.txt"), QByteArray("old"));

        // No drop: the stand-ins go, the old file stays.
        data->RemovePlaceholders();
        QCOMPARE(QDir(c.downloads).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"kept.txt"});
        QCOMPARE(ReadAll(c.downloads + "kept.txt"), QByteArray("old"));

        data->CreatePlaceholders();
        QVERIFY(QFile::remove(server->Root() + "/gone.txt"));
        RemoteDropSource source(data.get());
        ReleaseLeftButton(source);
        QCOMPARE(data->urls(), Urls(c.downloads, {"a.txt", "dir", "kept.txt"}));
        QCOMPARE(ReadAll(c.downloads + "a.txt") + ReadAll(c.downloads + "dir/x.txt") + ReadAll(c.downloads + "kept.txt"),
                 QByteArray("AXnew"));
        QVERIFY(!QFileInfo::exists(c.downloads + "gone.txt"));
    }

    void OtherFormatsDownloadNothing() {
        if (!server->Started()) QSKIP(server->Problem().c_str());
        server->Put("a.txt", "A");
        Connection c = Connect();
        auto data = c.Drag({"a.txt"});
        RemoteDropSource source(data.get());
        ReleaseLeftButton(source);
        for (const char* format : {"text/plain", "x-special/gnome-copied-files", "application/octet-stream"}) {
            QVERIFY(!data->hasFormat(format));
            QCOMPARE(data->data(format), QByteArray());
        }
        QVERIFY(data->text().isEmpty());  // no answer from the file list either
        QVERIFY(c.Retrieved().isEmpty());
        QVERIFY(!QFile::exists(c.downloads + "a.txt"));
    }

    void EscapeCancelsTheDrop() {
        if (!server->Started()) QSKIP(server->Problem().c_str());
        server->Put("a.txt", "A");
        Connection c = Connect();
        auto data = c.Drag({"a.txt"});
        RemoteDropSource source(data.get());
        PressEscape(source);
        ReleaseLeftButton(source);
        QVERIFY(source.Cancelled());
        QVERIFY(!data->DropDecided());
        QCOMPARE(data->urls(), Urls(c.downloads, {"a.txt"}));
        QVERIFY(c.Retrieved().isEmpty());
        QVERIFY(!QFile::exists(c.downloads + "a.txt"));
    }

    void OnlyWhatWasWrittenIsHandedOver() {
        if (!server->Started()) QSKIP(server->Problem().c_str());
        for (const char* name : {"a.txt", "b.txt", "c.txt", "d.txt"}) server->Put(name, name);
        Connection c = Connect();
        auto data = c.Drag({"a.txt", "b.txt", "c.txt", "d.txt"});
        QVERIFY(QFile::remove(server->Root() + "/a.txt"));  // gone from the server meanwhile
        c.ui->cancelWhen = [](const QString& text) { return text.startsWith("Retrieving c.txt"); };
        RemoteDropSource source(data.get());
        ReleaseLeftButton(source);
        QCOMPARE(data->urls(), Urls(c.downloads, {"b.txt"}));
        QVERIFY(!QFile::exists(c.downloads + "a.txt"));
        QVERIFY(!QFile::exists(c.downloads + "c.txt"));
        // After a cancel the rest is not tried.
        QCOMPARE(c.ui->waits.size(), 3);
        QVERIFY(!QFile::exists(c.downloads + "d.txt"));
    }
};

QUILLMOOR_BROWSER_TEST_MAIN(DragOutTest)
#include "drag_out_test.moc"
