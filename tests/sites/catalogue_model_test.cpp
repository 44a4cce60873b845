// The catalogue model: its structure under every edit (checked throughout by
// QAbstractItemModelTester), the roles the views read, and loading and saving
// through the store with the rules for files that cannot be used.
#include "sites/catalogue_model.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QSignalSpy>
#include <QTest>
#include <memory>

#include "sites/catalogue_entries.h"
#include "sites_test_support.h"

class CatalogueModelTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir directory;
    QString path;
    std::unique_ptr<SiteStore> store;
    std::unique_ptr<CatalogueModel> model;
    std::unique_ptr<QAbstractItemModelTester> tester;

    // A model over a catalogue file with the given text, loaded, whose every
    // change the tester checks.
    QString OpenModel(const QByteArray& text) {
        WriteFileBytes(path, text);
        model = std::make_unique<CatalogueModel>(*store);
        tester = std::make_unique<QAbstractItemModelTester>(
            model.get(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        return model->Load();
    }

    QStringList Labels(const QModelIndex& parent) const {
        QStringList labels;
        for (int row = 0; row < model->rowCount(parent); ++row)
            labels << model->LabelAt(model->index(row, 0, parent));
        return labels;
    }

private slots:
    void init() {
        path = directory.filePath(QStringLiteral("Wexal.INI"));
        QFile::remove(path);
        store = std::make_unique<SiteStore>(path.toStdString());
    }
    void cleanup() {
        tester.reset();
        model.reset();
    }

    void loadsGroupsAndSortedSitesWithTheirRoles() {
        QCOMPARE(OpenModel(Entry("zeta", "B", "z.example") + Entry("y", "A") + Entry("alpha", "B")),
                 QString());
        QCOMPARE(Labels({}), (QStringList{"B", "A"}));
        const QModelIndex group = model->index(0, 0);
        QCOMPARE(Labels(group), (QStringList{"alpha", "zeta"}));
        const QModelIndex site = model->index(1, 0, group);
        const QModelIndex folder = model->WalkLabels(site, {QString(), QStringLiteral("pub")});

        struct Expected {
            QModelIndex index;
            ItemKind kind;
            QString description;
            QVariant sitePath;
        };
        for (const Expected& expected : {Expected{group, ItemKind::Group, "Group", {}},
                                         Expected{site, ItemKind::Site, "Site", QString()},
                                         Expected{folder, ItemKind::Directory, "Directory", "/pub"}}) {
            QCOMPARE(model->KindAt(expected.index), expected.kind);
            QCOMPARE(expected.index.data(CatalogueModel::KindRole).toInt(), static_cast<int>(expected.kind));
            QCOMPARE(expected.index.data(Qt::AccessibleDescriptionRole).toString(), expected.description);
            QVERIFY(!expected.index.data(Qt::DecorationRole).value<QIcon>().isNull());
            QCOMPARE(expected.index.data(CatalogueModel::SitePathRole), expected.sitePath);
            QVERIFY(model->flags(expected.index) & Qt::ItemIsEditable);
            QCOMPARE(model->SiteOf(expected.index), expected.kind == ItemKind::Group ? QModelIndex() : site);
            QCOMPARE(model->GroupOf(expected.index), group);
        }
        const SiteProfile profile = site.data(CatalogueModel::ProfileRole).value<SiteProfile>();
        QCOMPARE(profile.host, std::string("z.example"));
        QCOMPARE(profile.group, std::string("B"));
        QCOMPARE(profile.kind, static_cast<int>(ItemKind::Site));
        QVERIFY(!group.data(CatalogueModel::ProfileRole).isValid());
        QCOMPARE(model->FindSite(QStringLiteral("y")), model->index(0, 0, model->index(1, 0)));
        QVERIFY(!model->FindSite(QStringLiteral("B")).isValid());
        QCOMPARE(model->KindAt({}), ItemKind::None);
    }

    // Folders of a listing are found by label through an index; a label
    // changed or an entry removed behind its back is never answered from it.
    void foldersAreAddedOnceAndFollowRenamesAndRemovals() {
        OpenModel(Entry("site", "G"));
        const QPersistentModelIndex site = model->index(0, 0, model->index(0, 0));
        QSignalSpy inserted(model.get(), &QAbstractItemModel::rowsInserted);
        const QPersistentModelIndex a = model->AddDirectory(site, QStringLiteral("a"));
        const QPersistentModelIndex b = model->AddDirectory(site, QStringLiteral("b"));
        QCOMPARE(model->AddDirectory(site, QStringLiteral("a")), QModelIndex(a));
        QCOMPARE(inserted.count(), 2);

        model->Rename(a, QStringLiteral("c"));
        QCOMPARE(model->AddDirectory(site, QStringLiteral("c")), QModelIndex(a));
        const QPersistentModelIndex newA = model->AddDirectory(site, QStringLiteral("a"));
        QVERIFY(newA != a);
        model->Remove(b);
        QVERIFY(!b.isValid());
        QCOMPARE(model->AddDirectory(site, QStringLiteral("b")).parent(), QModelIndex(site));
        QCOMPARE(Labels(site), (QStringList{"c", "a", "b"}));
        // Another node's children are not taken for this one's.
        QCOMPARE(model->WalkLabels(newA, {QStringLiteral("b"), QStringLiteral("x")})
                     .data(CatalogueModel::SitePathRole),
                 QVariant(QStringLiteral("a/b/x")));
        QCOMPARE(model->rowCount(newA), 1);
        // Groups take no folders.
        QVERIFY(!model->AddDirectory(model->index(0, 0), QStringLiteral("x")).isValid());
        QVERIFY(!model->WalkLabels({}, {QStringLiteral("x")}).isValid());
    }

    void editsKeepLabelsAndProfilesTogether() {
        OpenModel(Entry("one", "G") + Entry("x", "H"));
        const QModelIndex group = model->index(0, 0);
        const QModelIndex site = model->index(0, 0, group);
        QSignalSpy changed(model.get(), &QAbstractItemModel::dataChanged);
        QVERIFY(model->setData(site, QStringLiteral("renamed")));
        QCOMPARE(model->ProfileAt(site).name, std::string("renamed"));
        QVERIFY(model->setData(group, QStringLiteral("Renamed group")));
        QCOMPARE(model->ProfileAt(site).group, std::string("Renamed group"));
        QCOMPARE(changed.count(), 3);  // the site, the group, and the group's children

        const QModelIndex folder = model->AddDirectory(site, QStringLiteral("pub"));
        QVERIFY(!model->setData(folder, QStringLiteral("other")));
        QCOMPARE(model->LabelAt(folder), QStringLiteral("pub"));

        SiteProfile edited = model->ProfileAt(site);
        edited.host = "new.example";
        edited.kind = 0;
        model->SetProfile(site, edited);
        QCOMPARE(model->ProfileAt(site).host, std::string("new.example"));
        QCOMPARE(model->ProfileAt(site).kind, static_cast<int>(ItemKind::Site));

        SiteProfile added;
        added.name = "b-site";
        added.group = "H";
        const QModelIndex placed = model->AddProfile(added);
        QCOMPARE(Labels(placed.parent()), (QStringList{"b-site", "x"}));
        added.name = "new";
        added.group = "";
        QCOMPARE(model->LabelAt(model->AddProfile(added).parent()), QStringLiteral("User Defined"));
        QCOMPARE(model->ChildLabelled({}, QStringLiteral("H")), placed.parent());

        model->Remove(model->index(1, 0));
        QCOMPARE(Labels({}), (QStringList{"Renamed group", "User Defined"}));
    }

    void savesWhatItLoadedAndItsEdits() {
        const QByteArray text = Entry("a", "G") + Entry("b", "G");
        OpenModel(text);
        QVERIFY(model->Save());
        const QByteArray written = ReadFileBytes(path);
        QVERIFY(written.contains("[a]\r\nHOST=h\r\nACCOUNT=\r\n"));

        OpenModel(written);
        model->AddDirectory(model->index(0, 0, model->index(0, 0)), QStringLiteral("visited"));
        QVERIFY(model->Save());
        QCOMPARE(ReadFileBytes(path), written);  // folders are never written

        OpenModel(written);
        model->Rename(model->index(0, 0), QStringLiteral("Renamed"));
        model->Remove(model->index(0, 0, model->index(0, 0)));
        model->AddGroup(QStringLiteral("Empty"));
        QVERIFY(model->Save());
        const QByteArray edited = ReadFileBytes(path);
        QVERIFY(!edited.contains("[a]"));
        QVERIFY(edited.contains("[b]"));
        QVERIFY(edited.contains("GROUP=Renamed\r\n"));
        QVERIFY(!edited.contains("GROUP=G\r\n"));
        QVERIFY(edited.contains("GROUP=Empty\r\n"));

        // Not loaded: nothing is written.
        WriteFileBytes(path, text);
        CatalogueModel unloaded(*store);
        QVERIFY(!unloaded.Save());
        QCOMPARE(ReadFileBytes(path), text);
    }

    // A path that is no file is left alone and never saved over; text that is
    // no catalogue is kept aside and a new catalogue starts.
    void filesThatCannotBeUsedAreKept() {
        QVERIFY(QDir().mkpath(path));
        QString message = OpenModel({});
        QVERIFY(message.contains(QStringLiteral("it is a directory")));
        QVERIFY(message.contains(QStringLiteral("changes to the sites are not saved in this session")));
        model->AddGroup(QStringLiteral("G"));
        QVERIFY(!model->Save());
        QVERIFY(QFileInfo(path).isDir());
        QVERIFY(QDir(path).removeRecursively());

        const QByteArray notes("just some notes\n");
        message = OpenModel(notes);
        QVERIFY(message.contains(QStringLiteral("It has been kept unchanged as ")));
        const QStringList aside =
            QDir(directory.path()).entryList({QStringLiteral("Wexal.INI.unreadable-*")});
        QCOMPARE(aside.size(), 1);
        QCOMPARE(ReadFileBytes(directory.filePath(aside.first())), notes);
        QCOMPARE(model->rowCount(), 0);
        QCOMPARE(model->Load(), QString());  // once only
        SiteProfile fresh;
        fresh.name = "fresh";
        model->AddProfile(fresh);
        QVERIFY(model->Save());
        QVERIFY(ReadFileBytes(path).contains("[fresh]"));
    }

    // A large catalogue reaches the model as one insertion per group.
    void largeCatalogueLoadsInOneInsertionPerGroup() {
        QByteArray text;
        for (int site = 0; site < 20000; ++site)
            text += Entry("s" + QByteArray::number(site * 7919 % 20000), site % 2 ? "Odd" : "Even");
        WriteFileBytes(path, text);
        CatalogueModel large(*store);
        QSignalSpy inserted(&large, &QAbstractItemModel::rowsInserted);
        QCOMPARE(large.Load(), QString());
        QCOMPARE(inserted.count(), 4);
        QCOMPARE(large.rowCount(large.index(1, 0)), 10000);
        const QModelIndex odd = large.index(1, 0);
        for (int row = 1; row < 10000; ++row)
            QVERIFY(large.LabelAt(large.index(row - 1, 0, odd)) < large.LabelAt(large.index(row, 0, odd)));
        QCOMPARE(large.parent(large.index(9999, 0, odd)), odd);
    }
};

QUILLMOOR_SITES_TEST_MAIN(CatalogueModelTest)
#include "catalogue_model_test.moc"
