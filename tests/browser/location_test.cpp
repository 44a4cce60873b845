// Where the list is, against a real local server: the location set by connect,
// directory changes and disconnect; the bar above the list (its buttons,
// Ctrl+L and a typed path, a refused path); the tree following the list; one
// click on a tree folder.
#include <QLineEdit>
#include <QToolButton>
#include "sites/catalogue_test_nodes.h"

#include "browser/location_bar.h"
#include "browser_test_main.h"
#include "server_fixture.h"

class LocationTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<LoggedPyftpd> server;

    // Connected to the pyftpdlib root through the catalogue's site, every
    // place the location took recorded as "path" or "-" once disconnected.
    struct Journey {
        ViewFixture f;
        QStringList places;

        explicit Journey(const LoggedPyftpd& server) : Journey(LocalSiteCatalogue(server.HostText())) {}
        explicit Journey(const QByteArray& catalogue) : f(catalogue) {
            QObject::connect(f.view.get(), &RemoteView::placeChanged, [this](const RemotePlace& place) {
                places << (place.connected ? place.site + u':' + place.path : QStringLiteral("-"));
            });
            f.view->show();
            OpenSite(f, "Demo", "Local");
        }
        LocationBar& Bar() { return f.view->Bar(); }
        QStringList Parts() {
            QStringList names;
            for (QToolButton* part : Bar().findChildren<QToolButton*>()) {
                if (!part->isHidden()) names << part->accessibleName();
            }
            return names;
        }
        QToolButton* Part(const QString& name) {
            for (QToolButton* part : Bar().findChildren<QToolButton*>()) {
                if (!part->isHidden() && part->accessibleName() == name) return part;
            }
            return nullptr;
        }
        QStringList TreePath() {
            QStringList labels;
            for (QModelIndex item = f.tree->CurrentNode(); item.isValid(); item = item.parent()) labels.prepend(Label(item));
            return labels;
        }
    };

private slots:
    void initTestCase() {
        server = std::make_unique<LoggedPyftpd>();
        if (!server->Started()) QSKIP(server->Problem().c_str());
    }

    void init() {
        QDir(server->Root()).removeRecursively();
        server->Put("pub/linux/kernel.tar", "k");
        server->Put("pub/readme", "r");
    }

    // Each way of moving, and where the location and the tree are afterwards.
    void TheLocationFollowsTheServersAnswers_data() {
        QTest::addColumn<QString>("move");
        QTest::addColumn<QStringList>("places");
        QTest::addColumn<QStringList>("tree");
        QTest::newRow("connect") << "" << QStringList{"Local:/"} << QStringList{"Demo", "Local"};
        QTest::newRow("down twice") << "pub linux" << QStringList{"Local:/", "Local:/pub", "Local:/pub/linux"}
                                   << QStringList{"Demo", "Local", "pub", "linux"};
        QTest::newRow("down and up") << "pub up" << QStringList{"Local:/", "Local:/pub", "Local:/"}
                                    << QStringList{"Demo", "Local"};
        QTest::newRow("refused folder") << "nothing" << QStringList{"Local:/"} << QStringList{"Demo", "Local"};
        QTest::newRow("disconnect") << "pub disconnect" << QStringList{"Local:/", "Local:/pub", "-"}
                                    << QStringList{};
        QTest::newRow("up at the top, yes") << "up" << QStringList{"Local:/", "-"} << QStringList{"Demo"};
    }
    void TheLocationFollowsTheServersAnswers() {
        QFETCH(QString, move);
        QFETCH(QStringList, places);
        QFETCH(QStringList, tree);
        Journey j(*server);
        MessageLog messages;
        for (const QString& step : move.split(u' ', Qt::SkipEmptyParts)) {
            if (step == "up") {
                j.f.view->GoUp();
                QVERIFY(j.f.Settle());
            } else if (step == "disconnect") {
                j.f.view->Disconnect(false);
                QVERIFY(j.f.Settle());
            } else {
                j.f.view->ChangeDirectory(step);
                QVERIFY(j.f.Settle());
            }
        }
        QCOMPARE(j.places, places);
        QCOMPARE(j.TreePath(), tree);
        if (!tree.isEmpty() && tree.size() > 1) QCOMPARE(j.f.tree->currentIndex(), j.f.tree->CurrentNode());
        QCOMPARE(j.Bar().isHidden(), places.last() == "-");
    }

    void BreadcrumbButtonsGoUpAndSayWhere() {
        Journey j(*server);
        j.f.view->ChangeDirectory("pub");
        QVERIFY(j.f.Settle());
        j.f.view->ChangeDirectory("linux");
        QVERIFY(j.f.Settle());
        QCOMPARE(j.Parts(), (QStringList{"Go to Local (/)", "Go to /", "Go to /pub", "Go to /pub/linux"}));
        QCOMPARE(j.Part("Go to /pub/linux")->text(), QStringLiteral("linux"));
        QCOMPARE(j.Part("Go to /pub/linux")->toolTip(), QStringLiteral("Go to /pub/linux"));
        j.f.LogLines();
        // Up two levels by the root's button.
        QToolButton* root = j.Part("Go to /");
        QVERIFY(root);
        QCOMPARE(root->text(), QStringLiteral("/"));
        QTest::mouseClick(root, Qt::LeftButton);
        QVERIFY(j.f.Settle());
        QCOMPARE(j.f.view->Place().path, QStringLiteral("/"));
        QCOMPARE(j.f.Labels(), QStringList{"pub"});
        QVERIFY(j.f.LogLines().contains("Quillmoor: CWD /"));
        QCOMPARE(j.Parts(), (QStringList{"Go to Local (/)", "Go to /"}));
        QVERIFY(Label(j.f.tree->CurrentNode()) == "Local");
    }

    void ADeepPathNeitherWidensTheListNorHidesTheCurrentFolder() {
        const QString deep = "/a-rather-long-folder/another-long-folder/yet-another-folder/the-current-folder";
        server->Put(deep.mid(1) + "/x", "x");
        Journey j(*server);
        const int narrowest = j.f.view->minimumSizeHint().width();
        j.f.view->GoToPath(deep);
        QVERIFY(j.f.Settle());
        QCOMPARE(j.f.view->Place().path, deep);
        QCOMPARE(j.f.view->minimumSizeHint().width(), narrowest);
        j.f.view->resize(260, 300);
        QVERIFY(j.f.Settle());
        QTRY_VERIFY(!j.Parts().contains("Go to /"));
        QCOMPARE(j.Parts().first(), QStringLiteral("Go to Local (/)"));
        QCOMPARE(j.Parts().last(), "Go to " + deep);
        j.f.view->resize(1600, 300);
        QVERIFY(j.f.Settle());
        QTRY_COMPARE(j.Parts().size(), 6);
    }

    void CtrlLTakesATypedPathAndEscapeLeaves() {
        Journey j(*server);
        j.f.view->ChangeDirectory("pub");
        QVERIFY(j.f.Settle());
        QVERIFY(QTest::qWaitForWindowActive(j.f.view.get()));
        QTest::keyClick(j.f.List().ActiveView(), Qt::Key_L, Qt::ControlModifier);
        QLineEdit* editor = j.Bar().Editor();
        QVERIFY(j.Bar().Editing());
        QCOMPARE(editor->accessibleName(), QStringLiteral("Remote path"));
        QCOMPARE(editor->selectedText(), QStringLiteral("/pub"));
        QTest::keyClick(editor, Qt::Key_Escape);
        QVERIFY(!j.Bar().Editing());
        QCOMPARE(j.places, (QStringList{"Local:/", "Local:/pub"}));

        // A click on the bar's empty space edits too; the typed path is taken
        // from the current directory.
        QTest::mouseClick(&j.Bar(), Qt::LeftButton, {}, QPoint(j.Bar().width() - 3, j.Bar().height() / 2));
        QVERIFY(j.f.Settle());
        QVERIFY(j.Bar().Editing());
        QTest::keyClicks(editor, "linux");
        QTest::keyClick(editor, Qt::Key_Return);
        QVERIFY(j.f.Settle());
        QVERIFY(!j.Bar().Editing());
        QCOMPARE(j.f.view->Place().path, QStringLiteral("/pub/linux"));
        QCOMPARE(j.f.Labels(), QStringList{"kernel.tar"});

        QTest::keyClick(j.f.List().ActiveView(), Qt::Key_L, Qt::ControlModifier);
        editor->setText("/pub");
        QTest::keyClick(editor, Qt::Key_Return);
        QVERIFY(j.f.Settle());
        QCOMPARE(j.f.view->Place().path, QStringLiteral("/pub"));
        QCOMPARE(j.f.Labels(), (QStringList{"linux", "readme"}));
    }

    void ARefusedPathShowsTheServersReplyAndStays() {
        Journey j(*server);
        j.f.view->ChangeDirectory("pub");
        QVERIFY(j.f.Settle());
        MessageLog messages;
        j.Bar().startEditing();
        j.Bar().Editor()->setText("/no such");
        QTest::keyClick(j.Bar().Editor(), Qt::Key_Return);
        QVERIFY(j.f.Settle());
        QCOMPARE(messages.texts.size(), 1);
        QVERIFY2(messages.texts[0].startsWith("Could not change to /no such: 550 "), qPrintable(messages.texts[0]));
        QVERIFY(!j.Bar().Editing());
        QCOMPARE(j.f.view->Place().path, QStringLiteral("/pub"));
        QCOMPARE(j.Parts(), (QStringList{"Go to Local (/)", "Go to /", "Go to /pub"}));
        QCOMPARE(j.f.Labels(), (QStringList{"linux", "readme"}));
    }

    void AQuickConnectionIsNamedByItsHostAndKeepsNoNodes() {
        ViewFixture f(DemoCatalogue());
        MessageLog messages;
        QStringList places;
        connect(f.view.get(), &RemoteView::placeChanged, this, [&places](const RemotePlace& place) {
            places << (place.quick ? place.site + u':' + place.path : QStringLiteral("-"));
        });
        const QString host = QString::fromStdString(server->HostText());
        f.dialogs.editPrompt = [this](SiteProfile& profile) {
            profile.host = server->HostText();
            profile.userId = "anonymous";
        };
        SiteProfile profile;
        profile.prompt = true;
        f.view->ConnectToSite(profile, RemoteView::ConnectionKind::Quick);
        QVERIFY(f.Settle());
        QVERIFY(f.view->Connected());
        f.view->ChangeDirectory("pub");
        QVERIFY(f.Settle());
        f.view->GoUp();
        QVERIFY(f.Settle());
        f.view->GoUp();  // "CWD .." at the root too: no question on a quick connection
        QVERIFY(f.Settle());
        QVERIFY(messages.texts.isEmpty());
        QCOMPARE(places, (QStringList{host + ":/", host + ":/pub", host + ":/"}));
        QVERIFY(!f.tree->CurrentNode().isValid());
        QCOMPARE(ChildCount(Child(f.tree->model()->index(0, 0), 0)), 0);
    }

    // What the server says to PWD after the login names the login directory;
    // a reply that names none leaves it unknown, and the bar shows the site only.
    void TheLoginDirectoryComesFromPwd_data() {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("home");
        QTest::addColumn<QStringList>("parts");
        QTest::newRow("named") << QByteArray("257 \"/home/me\" is current.\r\n") << "/home/me"
                               << QStringList{"Go to Local (/home/me)", "Go to /", "Go to /home", "Go to /home/me"};
        QTest::newRow("quote in the name") << QByteArray("257 \"/a\"\"b\"\r\n") << "/a\"b"
                                           << QStringList{"Go to Local (/a\"b)", "Go to /", "Go to /a\"b"};
        QTest::newRow("no quotes") << QByteArray("257 somewhere\r\n") << "" << QStringList{"Go to Local ()"};
        QTest::newRow("refused") << QByteArray("550 Not telling.\r\n") << "" << QStringList{"Go to Local ()"};
        QTest::newRow("not a path") << QByteArray("257 \"C:\\ftp\"\r\n") << "C:\\ftp"
                                    << QStringList{"Go to Local (C:\\ftp)"};
    }
    void TheLoginDirectoryComesFromPwd() {
        QFETCH(QByteArray, reply);
        QFETCH(QString, home);
        QFETCH(QStringList, parts);
        testsupport::ScriptedFtpServer scripted;
        scripted.Expect("USER", "331 Send password.\r\n")
            .Expect("PASS", "230 Logged in.\r\n")
            .Expect("PWD", reply.toStdString())
            .Expect("CWD", "550 No such directory.\r\n")
            .Expect("XCWD", "550 No such directory.\r\n");
        Journey j(LocalSiteCatalogue(scripted.HostText(), "tester", "secret", "/x"));
        QVERIFY(j.f.view->Connected());
        QCOMPARE(j.f.view->Place().home, home);
        QCOMPARE(j.f.view->Place().path, home);
        QCOMPARE(j.Parts(), parts);
        QCOMPARE(j.Part(parts.first())->isEnabled(), !home.isEmpty());
        QCOMPARE(j.TreePath(), (QStringList{"Demo", "Local"}));
    }

    void ClickingTheConnectedSiteInTheTreeGoesHomeWithoutLoggingInAgain() {
        Journey j(*server);
        j.f.view->ChangeDirectory("pub");
        QVERIFY(j.f.Settle());
        j.f.view->ChangeDirectory("linux");
        QVERIFY(j.f.Settle());
        const QPersistentModelIndex site = Child(j.f.tree->model()->index(0, 0), 0);
        j.f.LogLines();
        // A double-click on the site: its login directory, on the same session.
        QVERIFY(j.f.ClickTreeItem(site));
        const QRect rect = j.f.tree->visualRect(site);
        QTest::mouseDClick(j.f.tree->viewport(), Qt::LeftButton, {}, rect.center());
        QVERIFY(j.f.Settle());
        const QStringList lines = j.f.LogLines();
        QVERIFY2(lines.filter("USER").isEmpty(), qPrintable(lines.join('\n')));
        QCOMPARE(j.f.view->Place().path, QStringLiteral("/"));
        QCOMPARE(j.f.Labels(), QStringList{"pub"});
        // One click on a folder shows it.
        QVERIFY(j.f.ClickTreeItem(Child(Child(site, 0), 0)));
        QCOMPARE(j.f.Labels(), QStringList{"kernel.tar"});
        QVERIFY(j.f.LogLines().filter("USER").isEmpty());
    }
};

QUILLMOOR_BROWSER_TEST_MAIN(LocationTest)
#include "location_test.moc"
