// The site tree: loading and saving through the store, the operations the list
// view and the frame call, following the list, the requests it signals,
// selection, label editing and deletion.
#include "sites/site_tree.h"

#include <QApplication>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <memory>

#include "sites/catalogue_entries.h"
#include "sites_test_support.h"

namespace {

// Stands in for the list view on the tree's signals: records what the tree
// asks and answers as the view does, through the tree's following slots.
struct ListStandIn {
    QStringList calls;
    bool renameSucceeds = true;
    bool userAgreesToDisconnect = false;

    void Attach(SiteTree& tree) {
        QObject::connect(&tree, &SiteTree::groupOpened, &tree, &SiteTree::SetCurrentNode);
        QObject::connect(&tree, &SiteTree::labelChanged, &tree,
                         [this](const QString& oldName, const QString& newName) {
                             calls << "label " + oldName + " -> " + newName;
                         });
        QObject::connect(&tree, &SiteTree::folderRenameRequested, &tree,
                         [this, &tree](const QString& oldName, const QString& newName) {
                             calls << "rename " + oldName + " -> " + newName;
                             if (!renameSucceeds) return;
                             // Renamed on the server, the folder is listed again.
                             tree.RemoveFolderNode(oldName);
                             tree.AddDirectoryNode(newName);
                         });
        QObject::connect(&tree, &SiteTree::disconnectRequested, &tree, [this, &tree](bool ask) {
            calls << QStringLiteral("disconnect %1").arg(ask);
            if (userAgreesToDisconnect) tree.FollowPlace(RemotePlace{});
        });
    }
};

}  // namespace

class SiteTreeTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir directory;
    QString path;
    std::unique_ptr<SiteStore> store;
    std::unique_ptr<SiteTree> tree;
    ListStandIn port;
    QStringList logLines;

    // A shown tree over a catalogue file with the given text.
    void OpenTree(const QByteArray& text) {
        WriteFileBytes(path, text);
        tree = std::make_unique<SiteTree>(*store);
        port.Attach(*tree);
        tree->show();
        QVERIFY(QTest::qWaitForWindowExposed(tree.get()));
    }

    QModelIndex Group(int index) { return tree->model()->index(index, 0); }

private slots:
    void init() {
        path = directory.filePath(QStringLiteral("Wexal.INI"));
        QFile::remove(path);
        logLines.clear();
        store = std::make_unique<SiteStore>(path.toStdString(),
                                            [this](const std::string& line) { logLines << ToQt(line); });
        port = ListStandIn{};
    }
    void cleanup() { tree.reset(); }

    void loadsGroupsSitesAndItemData() {
        OpenTree(Entry("zeta", "B") + Entry("y", "A") + Entry("alpha", "B"));
        QCOMPARE(tree->model()->rowCount(), 2);
        QCOMPARE(Label(Group(0)), QStringLiteral("B"));
        QCOMPARE(Label(Child(Group(0), 0)), QStringLiteral("alpha"));
        QCOMPARE(Label(Child(Group(0), 1)), QStringLiteral("zeta"));
        QCOMPARE(SiteTree::KindOf(Group(0)), ItemKind::Group);
        QCOMPARE(SiteTree::KindOf(Child(Group(0), 0)), ItemKind::Site);
        QCOMPARE(SiteTree::KindOf({}), ItemKind::None);
        QCOMPARE(ProfileOf(Child(Group(0), 0)).kind, 5);
        QVERIFY(!Group(0).data(Qt::DecorationRole).value<QIcon>().isNull());
        QCOMPARE(Group(0).data(Qt::AccessibleDescriptionRole).toString(), QStringLiteral("Group"));
        QCOMPARE(tree->accessibleName(), QStringLiteral("Sites"));
        QVERIFY(!tree->CurrentNode().isValid());
    }

    void savesOnDestructionAsLoadedAndWithEdits() {
        const QByteArray text = Entry("a", "G") + Entry("b", "G");
        OpenTree(text);
        tree.reset();
        const QByteArray written = ReadFileBytes(path);
        QVERIFY(written.contains("[a]\r\nHOST=h\r\nACCOUNT=\r\n"));

        // Unchanged after a second load and save, byte for byte.
        OpenTree(written);
        tree.reset();
        QCOMPARE(ReadFileBytes(path), written);

        // A relabelled group and a deleted site reach the file at destruction.
        OpenTree(written);
        MessageRecorder messages;
        messages.answer = MessageAnswer::Yes;
        tree->RenameItem(Group(0), QStringLiteral("Renamed"));
        tree->setCurrentIndex(Child(Group(0), 0));
        tree->DeleteSelected();
        tree.reset();
        const QByteArray edited = ReadFileBytes(path);
        QVERIFY(!edited.contains("[a]"));
        QVERIFY(edited.contains("[b]"));
        QVERIFY(edited.contains("GROUP=Renamed\r\n"));
        QVERIFY(!edited.contains("GROUP=G\r\n"));
    }

    void neverShownOrUnreadableTreeLeavesTheFileAlone() {
        WriteFileBytes(path, Entry("a", "G"));
        { SiteTree hidden(*store); }
        QCOMPARE(ReadFileBytes(path), Entry("a", "G"));

        QFile::remove(path);
        QVERIFY(QDir().mkpath(path));  // a directory where the file should be
        MessageRecorder messages;
        OpenTree({});
        QCOMPARE(tree->model()->rowCount(), 0);
        tree.reset();
        QVERIFY(QFileInfo(path).isDir());
        QCOMPARE(logLines.size(), 1);
        QCOMPARE(messages.texts.size(), 1);
        QVERIFY(messages.texts[0].contains(QStringLiteral("it is a directory")));
        QDir(path).removeRecursively();
    }

    void walkToPathBuildsDirectoryItemsOnce() {
        OpenTree(Entry("site", "G"));
        const QPersistentModelIndex site = Child(Group(0), 0);
        tree->SetCurrentNode(site);
        tree->WalkToPath(QStringLiteral("/pub/linux"));
        QCOMPARE(ChildCount(site), 1);
        const QPersistentModelIndex root = Child(site, 0);
        QCOMPARE(Label(root), QString());
        QCOMPARE(Label(Child(root, 0)), QStringLiteral("pub"));
        QCOMPARE(tree->CurrentLabel(), QStringLiteral("linux"));
        QCOMPARE(tree->CurrentKind(), ItemKind::Directory);
        QVERIFY(tree->isExpanded(site));
        QVERIFY(tree->isExpanded(Group(0)));

        tree->SetCurrentNode(site);
        tree->WalkToPath(QStringLiteral("/pub/linux"));
        QCOMPARE(ChildCount(site), 1);
        QCOMPARE(ChildCount(root), 1);
        QCOMPARE(ChildCount(Child(root, 0)), 1);

        tree->SetCurrentNode({});
        QVERIFY(!tree->AddDirectoryNode(QStringLiteral("x")).isValid());
    }

    // The folders of a listing are found by label through an index; a label
    // changed or an item removed behind its back must never be answered from it.
    void directoryIndexFollowsRenamesAndRemovals() {
        OpenTree(Entry("site", "G"));
        const QPersistentModelIndex site = Child(Group(0), 0);
        tree->SetCurrentNode(site);
        const QPersistentModelIndex a = tree->AddDirectoryNode(QStringLiteral("a"));
        const QPersistentModelIndex b = tree->AddDirectoryNode(QStringLiteral("b"));
        QCOMPARE(tree->AddDirectoryNode(QStringLiteral("a")), a);
        tree->Catalogue().Rename(a, QStringLiteral("c"));
        QCOMPARE(tree->AddDirectoryNode(QStringLiteral("c")), a);
        const QPersistentModelIndex newA = tree->AddDirectoryNode(QStringLiteral("a"));
        QVERIFY(newA != a);
        tree->RemoveItem(b);
        const QPersistentModelIndex newB = tree->AddDirectoryNode(QStringLiteral("b"));
        QCOMPARE(newB.parent(), site);
        QCOMPARE(ChildCount(site), 3);
        // Another node's children are not taken for this one's.
        tree->SetCurrentNode(newA);
        QVERIFY(tree->AddDirectoryNode(QStringLiteral("b")) != newB);
        QCOMPARE(ChildCount(newA), 1);
    }

    // A large catalogue reaches the tree as one insertion per group, not one
    // per site (each of which made the view and the placing scan the group).
    void largeCatalogueLoadsInOneInsertionPerGroup() {
        QByteArray text;
        for (int site = 0; site < 20000; ++site)
            text += Entry("s" + QByteArray::number(site * 7919 % 20000), site % 2 ? "Odd" : "Even");
        WriteFileBytes(path, text);
        tree = std::make_unique<SiteTree>(*store);
        QSignalSpy inserted(tree->model(), &QAbstractItemModel::rowsInserted);
        tree->LoadCatalogue();
        QCOMPARE(inserted.count(), 4);
        QCOMPARE(Label(Group(0)), QStringLiteral("Even"));
        QCOMPARE(ChildCount(Group(1)), 10000);
        QCOMPARE(Label(Child(Group(0), 0)), QStringLiteral("s0"));
        for (int index = 1; index < 10000; ++index)
            QVERIFY(Label(Child(Group(1), index - 1)) < Label(Child(Group(1), index)));
    }

    void pathsOfTheCurrentNode() {
        OpenTree(Entry("site", "G", "ftp.example.org"));
        const QPersistentModelIndex site = Child(Group(0), 0);
        SiteProfile profile;
        QString path;
        QVERIFY(!tree->CurrentSiteAndPath(profile, path));

        tree->SetCurrentNode(site);
        QVERIFY(tree->CurrentSiteAndPath(profile, path));
        QCOMPARE(path, QString());
        QCOMPARE(profile.host, std::string("ftp.example.org"));

        tree->WalkToPath(QStringLiteral("a/b/c"));
        QVERIFY(tree->CurrentSiteAndPath(profile, path));
        QCOMPARE(path, QStringLiteral("a/b/"));
        QCOMPARE(tree->EnclosingGroup(), Group(0));

        tree->SetCurrentNode(Group(0));
        QVERIFY(!tree->CurrentSiteAndPath(profile, path));
    }

    void renamesTellTheList() {
        OpenTree(Entry("one", "G") + Entry("two", "G") + Entry("x", "H"));
        tree->RenameItem(Group(1), QStringLiteral("Hosts"));
        QCOMPARE(Label(Group(1)), QStringLiteral("Hosts"));
        tree->RenameItem(Child(Group(0), 1), QStringLiteral("three"));
        QCOMPARE(ProfileOf(Child(Group(0), 1)).name, std::string("three"));
        QCOMPARE(port.calls,
                 (QStringList{QStringLiteral("label H -> Hosts"), QStringLiteral("label two -> three")}));
    }

    // A folder is renamed by the list on the server; its node changes only
    // once the list says the old name is gone. Only folders of a catalogue
    // site's session go that way: never a quick connection's, never a site.
    void directoryRenameWaitsForTheServer() {
        OpenTree(Entry("site", "G") + Entry("old", "G"));
        const QPersistentModelIndex site = Child(Group(0), 1);
        tree->FollowPlace(
            RemotePlace{QStringLiteral("site"), QStringLiteral("/"), QStringLiteral("/"), true, false});
        QCOMPARE(tree->CurrentNode(), site);
        const QPersistentModelIndex dir = tree->AddDirectoryNode(QStringLiteral("old"));
        port.renameSucceeds = false;
        tree->RenameItem(dir, QStringLiteral("new"));
        QCOMPARE(Label(dir), QStringLiteral("old"));
        port.renameSucceeds = true;
        tree->RenameItem(dir, QStringLiteral("new"));
        QVERIFY(!dir.isValid());
        QCOMPARE(ChildCount(site), 1);
        QCOMPARE(Label(Child(site, 0)), QStringLiteral("new"));
        QCOMPARE(port.calls.count(QStringLiteral("rename old -> new")), 2);

        const QPersistentModelIndex oldSite = Child(Group(0), 0);
        tree->SetCurrentNode(Group(0));
        tree->RemoveFolderNode(QStringLiteral("old"));
        QVERIFY(oldSite.isValid());
        tree->FollowPlace(
            RemotePlace{QStringLiteral("host"), QStringLiteral("/"), QStringLiteral("/"), true, true});
        tree->SetCurrentNode(site);
        tree->RemoveFolderNode(QStringLiteral("new"));
        QCOMPARE(ChildCount(site), 1);
    }

    void addingProfilesPlacesThemInGroups() {
        OpenTree({});
        SiteProfile profile;
        profile.name = "first";
        tree->AddProfileToGroupOf({}, profile);
        QCOMPARE(Label(Group(0)), QStringLiteral("User Defined"));
        tree->AddGroup(QStringLiteral("Work"));
        profile.name = "b";
        tree->AddProfileToGroupOf(Group(1), profile);
        profile.name = "A";
        tree->AddProfileToGroupOf(Group(1), profile);
        QCOMPARE(Label(Child(Group(1), 0)), QStringLiteral("A"));
        QCOMPARE(Label(Child(Group(1), 1)), QStringLiteral("b"));

        // Next to a site the site goes to that site's group.
        profile.name = "c";
        tree->AddProfileToGroupOf(Child(Group(1), 0), profile);
        QCOMPARE(tree->model()->rowCount(), 2);
        QCOMPARE(ChildCount(Group(1)), 3);
    }

    void removingItemsMovesTheCurrentNodeOffThem() {
        OpenTree(Entry("site", "G") + Entry("other", "G"));
        const QPersistentModelIndex site = Child(Group(0), 1);
        tree->SetCurrentNode(site);
        tree->WalkToPath(QStringLiteral("a/b"));
        // Removed by someone else (the list deletes sites through the model).
        tree->Catalogue().Remove(site);
        QCOMPARE(ChildCount(Group(0)), 1);
        QCOMPARE(tree->CurrentNode(), Group(0));

        tree->SetCurrentNode(Child(Group(0), 0));
        tree->RemoveItem(Group(0));
        QCOMPARE(tree->model()->rowCount(), 0);
        QVERIFY(!tree->CurrentNode().isValid());
        tree->RemoveItem({});
        QVERIFY(port.calls.isEmpty());
    }

    void clickingCollapsedOnlySelectsExpandedOpens() {
        OpenTree(Entry("site", "G"));
        QSignalSpy groups(tree.get(), &SiteTree::groupOpened);
        QSignalSpy places(tree.get(), &SiteTree::placeRequested);
        const QPersistentModelIndex group = Group(0);
        const QPersistentModelIndex site = Child(group, 0);
        tree->setExpanded(group, true);
        tree->setCurrentIndex(site);
        QCOMPARE(places.count(), 0);
        QVERIFY(!tree->CurrentNode().isValid());

        tree->setCurrentIndex(group);
        QCOMPARE(groups.count(), 1);
        QCOMPARE(tree->CurrentNode(), group);

        tree->setCurrentIndex(site);
        const QRect rect = tree->visualRect(site);
        // A double-click is a click followed by the double-click event.
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, rect.center());
        QCOMPARE(places.count(), 0);
        QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, rect.center());
        QCOMPARE(places.count(), 1);
        QCOMPARE(places.at(0).at(0).value<SiteProfile>().name, std::string("site"));
        QCOMPARE(places.at(0).at(1).toString(), QString());
        QCOMPARE(tree->CurrentNode(), group);  // moved only once the list is there

        tree->setFocus();
        QTest::keyClick(tree.get(), Qt::Key_Return);
        QCOMPARE(places.count(), 2);
        QVERIFY(port.calls.isEmpty());
    }

    void labelEditsAreCheckedByKind() {
        OpenTree(Entry("site", "G"));
        MessageRecorder messages;
        const QPersistentModelIndex group = Group(0);
        const QPersistentModelIndex site = Child(group, 0);
        tree->SetCurrentNode(site);
        const QPersistentModelIndex dir = tree->AddDirectoryNode(QStringLiteral("pub"));

        tree->FinishLabelEdit(site, QString());
        QCOMPARE(Label(site), QStringLiteral("site"));
        tree->FinishLabelEdit(dir, QStringLiteral("other"));
        QCOMPARE(Label(dir), QStringLiteral("pub"));
        QCOMPARE(
            messages.texts,
            (QStringList{QStringLiteral("You must have a name, can't you see it's important."),
                         QStringLiteral(
                             "To change a directory name, select it in the main view and choose rename.")}));
        QVERIFY(port.calls.isEmpty());

        tree->FinishLabelEdit(group, QStringLiteral("Work"));
        QCOMPARE(Label(group), QStringLiteral("Work"));
        QVERIFY(port.calls.isEmpty());

        tree->FinishLabelEdit(site, QStringLiteral("renamed"));
        QCOMPARE(ProfileOf(site).name, std::string("renamed"));
        QCOMPARE(port.calls, QStringList{QStringLiteral("label site -> renamed")});

        tree->FinishLabelEdit(site, QString(200, QLatin1Char('n')));
        QCOMPARE(Label(site), QStringLiteral("renamed"));
        QCOMPARE(messages.texts.size(), 3);
    }

    void inPlaceEditorGoesThroughTheChecks() {
        OpenTree(Entry("site", "G"));
        MessageRecorder messages;
        const QPersistentModelIndex group = Group(0);
        tree->setCurrentIndex(group);
        tree->edit(group);
        auto* editor = tree->findChild<QLineEdit*>();
        QVERIFY(editor);
        editor->selectAll();
        QTest::keyClick(editor, Qt::Key_Backspace);
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_COMPARE(messages.texts.size(), 1);
        QCOMPARE(Label(group), QStringLiteral("G"));

        tree->edit(group);
        editor = tree->findChild<QLineEdit*>();
        QVERIFY(editor);
        editor->setText(QStringLiteral("Fresh"));
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_COMPARE(Label(group), QStringLiteral("Fresh"));
    }

    void deleteAsksToDisconnectFromTheCurrentSitesHost() {
        OpenTree(Entry("a", "G", "ftp.same") + Entry("b", "G", "ftp.same"));
        MessageRecorder messages;
        messages.answer = MessageAnswer::Yes;
        const QPersistentModelIndex group = Group(0);
        tree->FollowPlace(RemotePlace{QStringLiteral("a"), QString(), QStringLiteral("pub"), true, false});

        tree->setCurrentIndex(Child(group, 1));
        port.calls.clear();
        QVERIFY(tree->CanDelete());
        tree->DeleteSelected();
        QCOMPARE(port.calls, QStringList{QStringLiteral("disconnect 1")});
        QCOMPARE(ChildCount(group), 2);

        port.userAgreesToDisconnect = true;
        QVERIFY(tree->CanDelete());
        tree->DeleteSelected();
        QCOMPARE(ChildCount(group), 1);
        QCOMPARE(Label(Child(group, 0)), QStringLiteral("a"));
    }

    void deleteOfDirectoriesDoesNothingAndGroupsTakeTheirSites() {
        OpenTree(Entry("a", "G") + Entry("b", "H"));
        tree->SetCurrentNode(Child(Group(0), 0));
        const QPersistentModelIndex dir = tree->AddDirectoryNode(QStringLiteral("pub"));
        tree->setCurrentIndex(dir);
        tree->DeleteSelected();
        QCOMPARE(ChildCount(Child(Group(0), 0)), 1);

        // A group goes with its sites only once the user says yes.
        MessageRecorder messages;
        messages.answer = MessageAnswer::No;
        tree->setCurrentIndex(Group(0));
        tree->setFocus();
        QTest::keyClick(tree.get(), Qt::Key_Delete);
        QCOMPARE(tree->model()->rowCount(), 2);
        QCOMPARE(messages.texts,
                 QStringList{
                     QStringLiteral("Are you sure you want to delete the group \"G\" and its 1 site(s)? They "
                                    "will be gone forever.")});
        messages.answer = MessageAnswer::Yes;
        QTest::keyClick(tree.get(), Qt::Key_Delete);
        QCOMPARE(tree->model()->rowCount(), 1);
        QVERIFY(!tree->CurrentNode().isValid());
        QVERIFY(port.calls.filter(QStringLiteral("disconnect")).isEmpty());
        tree->clearSelection();
        QVERIFY(!tree->CanDelete());
        tree.reset();
        QVERIFY(!ReadFileBytes(path).contains("[a]"));
        QVERIFY(ReadFileBytes(path).contains("[b]"));
    }
};

QUILLMOOR_SITES_TEST_MAIN(SiteTreeTest)
#include "site_tree_test.moc"
