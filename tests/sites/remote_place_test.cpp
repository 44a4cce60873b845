// The remote path arithmetic behind the location and the tree's folders, and
// the site tree following the list's place and asking for the folders clicked.
#include <QApplication>
#include <QSignalSpy>
#include <QTest>
#include <memory>

#include "sites/remote_place.h"
#include "sites/site_tree.h"
#include "sites/catalogue_entries.h"
#include "sites_test_support.h"

class RemotePlaceTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir directory;
    std::unique_ptr<SiteStore> store;
    std::unique_ptr<SiteTree> tree;

    // A shown tree with the group G holding the sites a and b.
    void OpenTree() {
        const QString path = directory.filePath(QStringLiteral("Wexal.INI"));
        WriteFileBytes(path, "[a]\r\nHOST=h\r\nGROUP=G\r\n\r\n[b]\r\nHOST=h\r\nGROUP=G\r\n\r\n");
        store = std::make_unique<SiteStore>(path.toStdString());
        tree = std::make_unique<SiteTree>(*store);
        tree->show();
        QVERIFY(QTest::qWaitForWindowExposed(tree.get()));
    }
    QModelIndex Site(int index) { return Child(tree->model()->index(0, 0), index); }
    static QStringList LabelsDownTo(QModelIndex item) {
        QStringList labels;
        for (; item.isValid(); item = item.parent()) labels.prepend(Label(item));
        return labels;
    }

private slots:
    void cleanup() { tree.reset(); }

    void resolvesTargetsFromADirectory_data() {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("resolved");
        QTest::addColumn<QString>("steps");  // what is sent to get from `from` to `resolved`
        QTest::newRow("folder") << "/pub" << "linux" << "/pub/linux" << "/pub/linux";
        QTest::newRow("up") << "/pub/linux" << ".." << "/pub" << "/pub";
        QTest::newRow("up from the root") << "/" << ".." << "/" << "/";
        QTest::newRow("absolute") << "/pub" << "/home//me/" << "/home/me" << "/home/me";
        QTest::newRow("dots and slashes") << "/a" << "./b/../c//d" << "/a/c/d" << "/a/c/d";
        QTest::newRow("from the root") << "/" << "pub" << "/pub" << "/pub";
        QTest::newRow("unknown home, down") << "" << "a/b" << "a/b" << "a/b";
        QTest::newRow("unknown home, across") << "a/b" << "../c" << "a/c" << "../c";
        QTest::newRow("unknown home, back") << "a/b" << "../.." << "" << "../..";
        QTest::newRow("unknown home, stay") << "a" << "." << "a" << ".";
    }
    void resolvesTargetsFromADirectory() {
        QFETCH(QString, from);
        QFETCH(QString, target);
        QFETCH(QString, resolved);
        QFETCH(QString, steps);
        QCOMPARE(remote_path::Resolve(from, target), resolved);
        QCOMPARE(remote_path::StepsBetween(from, resolved), steps);
    }

    void mapsPathsToTheTreesLabelsAndBack_data() {
        QTest::addColumn<QString>("home");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QStringList>("labels");
        QTest::newRow("home itself") << "/home/me" << "/home/me" << QStringList{};
        QTest::newRow("below home") << "/home/me" << "/home/me/pub/x" << QStringList{"pub", "x"};
        QTest::newRow("below the root home") << "/" << "/pub" << QStringList{"pub"};
        QTest::newRow("beside home") << "/home/me" << "/home/meat" << QStringList{"", "home", "meat"};
        QTest::newRow("above home") << "/home/me" << "/" << QStringList{""};
        QTest::newRow("unknown home") << "" << "a/b" << QStringList{"a", "b"};
        QTest::newRow("unknown home, absolute") << "" << "/etc" << QStringList{"", "etc"};
    }
    void mapsPathsToTheTreesLabelsAndBack() {
        QFETCH(QString, home);
        QFETCH(QString, path);
        QFETCH(QStringList, labels);
        QCOMPARE(remote_path::LabelsBelowSite(home, path), labels);
        QCOMPARE(remote_path::Resolve(home, remote_path::PathOfLabels(labels)), path);
    }

    void theTreeFollowsThePlaceOfTheList() {
        OpenTree();
        QSignalSpy places(tree.get(), &SiteTree::placeRequested);
        tree->FollowPlace(RemotePlace{"a", "/", "/pub/linux", true, false});
        QCOMPARE(LabelsDownTo(tree->CurrentNode()), (QStringList{"G", "a", "pub", "linux"}));
        QCOMPARE(tree->currentIndex(), tree->CurrentNode());
        QVERIFY(tree->selectionModel()->isSelected(tree->CurrentNode()));
        QCOMPARE(places.count(), 0);  // following asks for nothing

        // Back up: the folders stay, the node moves.
        tree->FollowPlace(RemotePlace{"a", "/", "/pub", true, false});
        QCOMPARE(LabelsDownTo(tree->CurrentNode()), (QStringList{"G", "a", "pub"}));
        QCOMPARE(ChildCount(tree->CurrentNode()), 1);

        // A quick connection has no node; the end of a session leaves the group.
        tree->FollowPlace(RemotePlace{"h", "/", "/x", true, true});
        QCOMPARE(LabelsDownTo(tree->CurrentNode()), (QStringList{"G", "a", "pub"}));
        tree->FollowPlace(RemotePlace{});
        QCOMPARE(tree->CurrentNode(), tree->model()->index(0, 0));
        // A site that is not in the catalogue leaves the tree as it is.
        tree->FollowPlace(RemotePlace{"gone", "/", "/", true, false});
        QCOMPARE(tree->CurrentNode(), tree->model()->index(0, 0));
    }

    void oneClickOnAFolderAsksForItsPlace() {
        OpenTree();
        tree->FollowPlace(RemotePlace{"b", "/home/me", "/etc/x", true, false});
        const QPersistentModelIndex etc = tree->CurrentNode().parent();
        QCOMPARE(LabelsDownTo(etc), (QStringList{"G", "b", "", "etc"}));
        QSignalSpy places(tree.get(), &SiteTree::placeRequested);
        tree->scrollTo(etc);
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualRect(etc).center());
        QCOMPARE(places.count(), 1);
        QCOMPARE(places.at(0).at(0).value<SiteProfile>().name, std::string("b"));
        QCOMPARE(places.at(0).at(1).toString(), QStringLiteral("/etc"));
        QCOMPARE(LabelsDownTo(tree->CurrentNode()).last(), QStringLiteral("x"));  // not there yet

        // One click on a site only selects it.
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualRect(Site(0)).center());
        QCOMPARE(places.count(), 1);
    }
};

QUILLMOOR_SITES_TEST_MAIN(RemotePlaceTest)
#include "remote_place_test.moc"
