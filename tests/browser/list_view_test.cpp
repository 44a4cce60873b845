// The list view's fills, image lists, order, modes and labels, without a server.
#include <QHeaderView>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QSignalSpy>
#include <QTreeView>
#include "sites/catalogue_test_nodes.h"

#include "browser/create_directory_dialog.h"
#include "browser/file_types.h"
#include "browser/icon_label_delegate.h"
#include "browser/location_bar.h"
#include "browser/size_text.h"
#include "browser_test_main.h"
#include "platform/desktop/program_icons.h"
#include "view_fixture.h"

class ListViewTest : public QObject {
    Q_OBJECT

private:
    // Opens the Demo group and then its site Alpha in the tree without
    // connecting, as a listing of Alpha would find it.
    static void StandOnSite(ViewFixture& f, const QString& site) {
        f.tree->SetCurrentNode(f.tree->FindSite(site));
    }

private slots:
    void StartsWithTheGroupsEachWithTheGroupIcon() {
        ViewFixture f(DemoCatalogue());
        QCOMPARE(f.Labels(), (QStringList{"Demo", "Work"}));
        QCOMPARE(f.view->SmallImages().Count(), 5);
        QCOMPARE(f.view->LargeImages().Count(), 5);
        const qint64 group = ProgramIcon(ProgramIcons::kGroup).cacheKey();
        for (int row = 0; row < 2; ++row) {
            const int image = f.List().Model().Item(row).image;
            QCOMPARE(f.view->SmallImages().Icon(image).cacheKey(), group);
            QCOMPARE(f.List().KindAt(row), ItemKind::Group);
        }
        QCOMPARE(f.view->SmallImages().Icon(2).cacheKey(), ProgramIcon(ProgramIcons::kFolder).cacheKey());
    }

    void SiteIconsComeFromResourcesSpecsOrThePreviousImage() {
        ViewFixture f(DemoCatalogue());
        f.Select({"Demo"});
        f.view->OpenItem();
        QVERIFY(f.Settle());
        QCOMPARE(f.Labels(), (QStringList{"Alpha", "Broken", "Gamma"}));
        // Three fixed icons, then Alpha's and Gamma's; Broken appends nothing.
        QCOMPARE(f.view->SmallImages().Count(), 5);
        const auto image = [&](const QString& label) { return f.List().Model().Item(f.Row(label)).image; };
        QCOMPARE(image("Alpha"), 3);
        QCOMPARE(image("Broken"), 3);
        QCOMPARE(image("Gamma"), 4);
        QCOMPARE(f.view->SmallImages().Icon(3).cacheKey(), ProgramIcon(7).cacheKey());
        QCOMPARE(f.view->LargeImages().Icon(4).cacheKey(), ProgramFileIcon(ProgramIcons::kSiteIconIndex).cacheKey());
    }

    void ListingEntriesFillTheFiveColumns() {
        ViewFixture f(DemoCatalogue());
        StandOnSite(f, "Alpha");
        f.view->ClearItems();
        f.view->AddEntry(Entry("drwxr-x---", "4096", "pub"));
        f.view->AddEntry(Entry("-rw-r--r--", "999", "small.txt"));
        f.view->AddEntry(Entry("-rw-r--r--", "  1999", "one.txt"));
        f.view->AddEntry(Entry("-rw-r--r--", "123456789", "big.iso"));
        f.view->AddEntry(Entry("-rw-r--r--", "12abc", "odd"));
        auto& list = f.List();
        const int pub = f.Row("pub");
        QCOMPARE(list.ItemText(pub, RemoteListModel::kType), QStringLiteral("Folder"));
        QCOMPARE(list.ItemText(pub, RemoteListModel::kPermissions), QStringLiteral("drwxr-x---"));
        QCOMPARE(list.ItemText(pub, RemoteListModel::kSize), QString());
        QCOMPARE(list.ItemText(pub, RemoteListModel::kModified), QString());
        QCOMPARE(list.Model().Item(pub).image, 2);
        QCOMPARE(list.KindAt(pub), ItemKind::Directory);
        QCOMPARE(list.ItemText(f.Row("one.txt"), RemoteListModel::kSize), QStringLiteral("2K"));
        QCOMPARE(list.ItemText(f.Row("one.txt"), RemoteListModel::kModified), QStringLiteral("Dec  7 08:00"));
        QCOMPARE(list.ItemText(f.Row("one.txt"), RemoteListModel::kType), FileTypeName(".txt"));
        QCOMPARE(list.ItemText(f.Row("odd"), RemoteListModel::kType), QString());
        QCOMPARE(list.KindAt(f.Row("odd")), ItemKind::File);
        // The directory became a node under the site.
        QCOMPARE(ChildCount(f.tree->CurrentNode()), 1);
        QCOMPARE(Label(Child(f.tree->CurrentNode(), 0)), QStringLiteral("pub"));
    }

    void SizesRoundUpSoNoFileWithBytesReadsEmpty_data() {
        QTest::addColumn<qint64>("bytes");
        QTest::addColumn<QString>("shown");
        QTest::newRow("empty file") << qint64(0) << "0K";
        QTest::newRow("one byte") << qint64(1) << "1K";
        QTest::newRow("152 bytes") << qint64(152) << "1K";
        QTest::newRow("999 bytes") << qint64(999) << "1K";
        QTest::newRow("exactly a thousand") << qint64(1000) << "1K";
        QTest::newRow("one more") << qint64(1001) << "2K";
        QTest::newRow("grouped thousands") << qint64(123456789) << "123,457K";
        QTest::newRow("largest") << qint64(INT64_MAX) << "9,223,372,036,854,776K";
        QTest::newRow("unknown size shows nothing") << qint64(-1) << "";
    }
    void SizesRoundUpSoNoFileWithBytesReadsEmpty() {
        QFETCH(qint64, bytes);
        QTEST(SizeColumnText(bytes < 0 ? std::nullopt : std::optional<std::int64_t>(bytes)), "shown");
    }

    void NamesAreShownWholeInTheIconAndListModes() {
        ViewFixture f;
        // The list samples one item for the size of all; the last is short.
        const std::vector<std::string> names{"notes-for-the-meeting.txt", "my documents and settings backup",
                                             std::string(300, 'x') + ".bin", "a", "zz"};
        for (const std::string& name : names) f.view->AddEntry(Entry("-rw-r--r--", "1", name));
        f.view->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.view.get()));
        QListView* icons = f.List().IconView();
        const QFontMetrics metrics(icons->font());
        const int textWidth = IconLabelDelegate::kCellWidth - 2 * IconLabelDelegate::kMargin;
        for (int mode :
             {RemoteListWidget::kLargeIcons, RemoteListWidget::kSmallIcons, RemoteListWidget::kList}) {
            f.view->SetViewMode(mode);
            f.view->Arrange();
            QCoreApplication::processEvents();
            for (const std::string& name : names) {
                const QString label = QString::fromStdString(name);
                const QRect cell = icons->visualRect(f.List().Model().index(f.Row(label), 0));
                if (mode != RemoteListWidget::kLargeIcons) {
                    QVERIFY2(cell.width() >= 16 + metrics.horizontalAdvance(label), qPrintable(label));
                    continue;
                }
                const QStringList lines = IconLabelDelegate::WrappedLines(label, icons->font());
                QCOMPARE(lines.join(QString()), label);
                for (const QString& line : lines) QVERIFY(metrics.horizontalAdvance(line.trimmed()) <= textWidth);
                QCOMPARE(cell.width(), IconLabelDelegate::kCellWidth);
                QVERIFY2(cell.height() >= 32 + static_cast<int>(lines.size()) * metrics.height(), qPrintable(label));
            }
        }
    }

    void PressingAndDraggingAnItemStartsADragInEveryMode() {
        for (int mode : {RemoteListWidget::kLargeIcons, RemoteListWidget::kDetails,
                         RemoteListWidget::kSmallIcons, RemoteListWidget::kList}) {
            RemoteListWidget list(mode);
            RemoteListItem item;
            item.label = QStringLiteral("notes.txt");
            item.kind = ItemKind::File;
            list.Model().InsertItem(item);
            list.resize(400, 300);
            list.show();
            QVERIFY(QTest::qWaitForWindowExposed(&list));
            list.Arrange();
            QSignalSpy started(&list, &RemoteListWidget::dragStarted);
            QWidget* viewport = list.ActiveView()->viewport();
            const QPoint at = list.ActiveView()->visualRect(list.Model().index(0, 0)).center();
            QTest::mousePress(viewport, Qt::LeftButton, {}, at);
            // The first move past the press arms the drag, the next one starts it.
            for (const QPoint step : {QPoint(20, 20), QPoint(40, 40)}) {
                QMouseEvent move(QEvent::MouseMove, at + step, viewport->mapToGlobal(at + step), Qt::NoButton,
                                 Qt::LeftButton, Qt::NoModifier);
                QApplication::sendEvent(viewport, &move);
            }
            QTest::mouseRelease(viewport, Qt::LeftButton, {}, at + QPoint(40, 40));
            QVERIFY2(started.count() == 1, qPrintable(QStringLiteral("mode %1").arg(mode)));
        }
    }

    void DotEntriesAreSkippedAndQuickConnectionsAddNoNodes() {
        ViewFixture f(DemoCatalogue());
        StandOnSite(f, "Alpha");
        f.view->SetPlace(RemotePlace{"127.0.0.1:1", "/", "/", true, true});
        f.view->ClearItems();
        f.view->AddEntry(Entry("drwxr-xr-x", "0", "."));
        f.view->AddEntry(Entry("drwxr-xr-x", "0", ".."));
        QCOMPARE(f.List().ItemCount(), 0);
        f.view->AddEntry(Entry("drwxr-xr-x", "0", "incoming"));
        QCOMPARE(f.List().ItemCount(), 1);
        QCOMPARE(ChildCount(f.tree->CurrentNode()), 0);
    }

    void FoldersAndFilesInterleaveByLabelInEveryMode() {
        ViewFixture f;
        f.view->ClearItems();
        f.List().Model().BeginBatch();
        for (const auto& e : {Entry("-rw-r--r--", "1", "gamma.txt"), Entry("drwxr-xr-x", "0", "beta"),
                              Entry("-rw-r--r--", "1", "Alpha.txt"), Entry("drwxr-xr-x", "0", "Delta")})
            f.view->AddEntry(e);
        f.List().Model().EndBatch();
        f.view->AddEntry(Entry("-rw-r--r--", "1", "charlie"));  // one at a time goes to its place too
        const QStringList order{"Alpha.txt", "beta", "charlie", "Delta", "gamma.txt"};
        QCOMPARE(f.Labels(), order);

        f.Select({"charlie"});
        for (int mode : {RemoteListWidget::kDetails, RemoteListWidget::kList, RemoteListWidget::kSmallIcons,
                         RemoteListWidget::kLargeIcons, RemoteListWidget::kDetails}) {
            f.view->SetViewMode(mode);
            QCOMPARE(f.List().Mode(), mode);
            QCOMPARE(f.Labels(), order);
            QCOMPARE(f.view->SelectedName(), QStringLiteral("charlie"));
            QCOMPARE(f.List().ActiveView()->model()->rowCount(), 5);
        }
        // A click on a column header sorts nothing.
        QHeaderView* header = f.List().DetailsView()->header();
        QVERIFY(!header->sectionsClickable());
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(header->sectionPosition(1) + 5, 5));
        QCOMPARE(f.Labels(), order);
    }

    void DetailsColumnsHaveTheirTitlesWidthsAndAlignments() {
        ViewFixture f;
        f.view->SetViewMode(RemoteListWidget::kDetails);
        const QStringList titles{"Name", "Size", "Type", "Modified", "Permissions"};
        const QList<int> widths{180, 75, 85, 100, 85};
        auto* model = f.List().DetailsView()->model();
        for (int column = 0; column < 5; ++column) {
            QCOMPARE(model->headerData(column, Qt::Horizontal).toString(), titles[column]);
            QCOMPARE(f.List().DetailsView()->columnWidth(column), widths[column]);
            const auto alignment = model->headerData(column, Qt::Horizontal, Qt::TextAlignmentRole).value<Qt::Alignment>();
            QCOMPARE(bool(alignment & Qt::AlignRight), column == 1);
        }
    }

    void RefreshesShareOneImagePerFileType() {
        ViewFixture f;
        const int before = f.view->SmallImages().Count();
        for (int listing = 0; listing < 3; ++listing) {
            f.view->ClearItems();
            FileTypeCache cache;
            f.List().Model().BeginBatch();
            for (int i = 0; i < 30; ++i)
                f.view->AddEntry(Entry("-rw-r--r--", "10", "file" + std::to_string(i) + (i % 2 ? ".txt" : ".png")),
                                 &cache);
            f.List().Model().EndBatch();
            QCOMPARE(f.view->SmallImages().Count(), before + 2);
            QCOMPARE(f.view->LargeImages().Count(), before + 2);
        }
        QCOMPARE(f.List().Model().Item(f.Row("file1.txt")).image, f.List().Model().Item(f.Row("file29.txt")).image);
        QVERIFY(f.List().Model().Item(f.Row("file1.txt")).image != f.List().Model().Item(f.Row("file0.png")).image);
        // A catalogue fill starts the image lists again.
        f.view->FillCatalogue();
        QCOMPARE(f.view->SmallImages().Count(), 3);
    }

    void LabelsAreFoundExactlyAndRelabelledInOrder() {
        ViewFixture f;
        for (const char* name : {"readme", "README", "notes"}) f.view->AddEntry(Entry("-rw-r--r--", "1", name));
        f.view->FindItemByName("README");
        QCOMPARE(f.List().ItemText(f.view->CurrentItem(), 0), QStringLiteral("README"));
        f.view->FindItemByName("nothing");
        QCOMPARE(f.List().ItemText(f.view->CurrentItem(), 0), QStringLiteral("README"));
        f.view->SetItemLabel("notes", "zeta");
        QCOMPARE(f.Labels(), (QStringList{"README", "readme", "zeta"}));
        f.view->SetItemLabel("absent", "x");
        QCOMPARE(f.List().ItemCount(), 3);

        const std::string longName(300, 'n');
        f.view->AddEntry(Entry("-rw-r--r--", "1", longName));
        f.Select({QString::fromStdString(longName)});
        QCOMPARE(f.view->SelectedName().size(), 255);
    }

    void ContextMenusFollowTheItemKind() {
        ViewFixture f(DemoCatalogue());
        const auto texts = [&](QMenu* menu) {
            QStringList out;
            for (QAction* a : menu->actions()) out << (a->isSeparator() ? QStringLiteral("-") : a->text());
            delete menu;
            return out;
        };
        QVERIFY(f.view->BuildContextMenu() == nullptr);  // nothing selected, no menu
        f.Select({"Demo"});
        QCOMPARE(texts(f.view->BuildContextMenu()), QStringList{"&Open Connection"});
        f.view->OpenItem();
        QVERIFY(f.Settle());
        f.Select({"Alpha"});
        QCOMPARE(texts(f.view->BuildContextMenu()),
                 (QStringList{"&Connect to Alpha", "&Disconnect", "-", "&Add Profile", "&Delete Alpha", "-",
                              "&Properties for Alpha"}));
        f.view->ClearItems();
        f.view->AddEntry(Entry("-rw-r--r--", "1", "R&D notes.txt"));
        f.Select({"R&D notes.txt"});
        QMenu* menu = f.view->BuildContextMenu();
        QCOMPARE(menu->actions().at(2)->isEnabled(), false);  // Disconnect, not connected
        QCOMPARE(menu->actions().at(4)->isEnabled(), true);   // Delete, an item is selected
        QCOMPARE(texts(menu), (QStringList{"&Open R&&D notes.txt", "-", "&Disconnect", "-", "&Delete", "Rena&me",
                                           "-", "&Upload...", "Download &To...", "-", "&Properties"}));
    }

    void DeletingSitesRemovesThemFromListAndTree() {
        ViewFixture f(DemoCatalogue());
        f.Select({"Demo"});
        f.view->OpenItem();
        QVERIFY(f.Settle());
        MessageLog messages;
        messages.answer = MessageAnswer::No;
        f.Select({"Alpha", "Gamma"});
        f.view->DeleteSelected();
        QVERIFY(f.Settle());
        QCOMPARE(f.List().ItemCount(), 3);
        messages.answer = MessageAnswer::Yes;
        f.view->DeleteSelected();
        QVERIFY(f.Settle());
        QCOMPARE(f.Labels(), QStringList{"Broken"});
        QCOMPARE(ChildCount(f.tree->CurrentNode()), 1);
        QCOMPARE(messages.texts.size(), 2);
        QCOMPARE(messages.texts[0],
                 QStringLiteral("Are you sure you want to delete the selected item(s), they will be gone forever?"));
    }

    // The list owns where it is: each change is announced once and the tree
    // and the bar follow; a site the list deletes takes the tree's current
    // node off it without opening anything.
    void TheListOwnsWhereItIsAndTheTreeFollows() {
        ViewFixture f(DemoCatalogue());
        MessageLog messages;
        QSignalSpy places(f.view.get(), &RemoteView::placeChanged);
        QSignalSpy asked(f.tree.get(), &SiteTree::placeRequested);
        f.Select({"Demo"});
        f.view->OpenItem();
        QVERIFY(f.Settle());
        const QPersistentModelIndex demo = f.tree->model()->index(0, 0);
        QCOMPARE(f.view->ShownGroup(), QModelIndex(demo));
        QCOMPARE(f.tree->CurrentNode(), QModelIndex(demo));

        const RemotePlace pub{"Alpha", "/", "/pub", true, false};
        f.view->SetPlace(pub);
        f.view->SetPlace(pub);
        QCOMPARE(places.count(), 1);
        QCOMPARE(Label(f.tree->CurrentNode()), QStringLiteral("pub"));
        QVERIFY(!f.view->Bar().isHidden());

        f.Select({"Alpha"});
        f.view->DeleteSelected();
        QVERIFY(f.Settle());
        QVERIFY(!f.tree->FindSite("Alpha").isValid());
        QCOMPARE(f.tree->CurrentNode(), QModelIndex(demo));
        // No session under the place: a disconnect leaves it without a question.
        f.view->Disconnect(true);
        QVERIFY(f.Settle());
        QCOMPARE(places.count(), 2);
        QVERIFY(f.view->Bar().isHidden());
        QCOMPARE(f.Labels(), (QStringList{"Demo", "Work"}));
        QCOMPARE(messages.texts.size(), 1);  // the delete's question only
        QCOMPARE(asked.count(), 0);
    }

    void RenamingSitesAndGroupsRelabelsTheTree() {
        ViewFixture f(DemoCatalogue());
        f.Select({"Work"});
        f.view->RenameSelected("Jobs");
        QVERIFY(f.Settle());
        QCOMPARE(f.Labels(), (QStringList{"Demo", "Jobs"}));
        QCOMPARE(Label(f.tree->model()->index(1, 0)), QStringLiteral("Jobs"));
        f.Select({"Demo"});
        f.view->OpenItem();
        QVERIFY(f.Settle());
        f.Select({"Gamma"});
        f.view->RenameSelected("");  // an emptied label changes nothing
        QVERIFY(f.Settle());
        f.view->RenameSelected("Aardvark");
        QVERIFY(f.Settle());
        QCOMPARE(f.Labels(), (QStringList{"Aardvark", "Alpha", "Broken"}));
        const QModelIndex aardvark = f.tree->FindSite("Aardvark");
        QCOMPARE(Label(aardvark.parent()), QStringLiteral("Demo"));
        QCOMPARE(f.tree->Catalogue().ProfileAt(aardvark).name, std::string("Aardvark"));
    }

    void TreeOpeningAGroupShowsItsSites() {
        ViewFixture f(DemoCatalogue());
        f.tree->setCurrentIndex(f.tree->model()->index(1, 0));
        f.tree->setFocus();
        QTest::keyClick(f.tree.get(), Qt::Key_Return);
        QCOMPARE(f.Labels(), QStringList{"Other"});
        // The tree asked; the list went there and the tree followed.
        QCOMPARE(f.view->ShownGroup(), f.tree->model()->index(1, 0));
        QCOMPARE(f.tree->CurrentNode(), f.tree->model()->index(1, 0));
    }

    void ConnectingAnonymouslyWithoutAnEmailAddressAsksForOne() {
        ViewFixture f(DemoCatalogue());
        MessageLog messages;
        f.settings.email.clear();
        f.Select({"Demo"});
        f.view->OpenItem();
        QVERIFY(f.Settle());
        f.Select({"Alpha"});
        f.view->OpenItem();
        QVERIFY(f.Settle());
        QCOMPARE(messages.texts.value(0), QStringLiteral("Please enter your e-mail address in the options dialog "
                                                          "before connecting to anonymous FTP sites. Thanks."));
        QVERIFY(!f.view->Connected());
        QCOMPARE(f.tree->CurrentKind(), ItemKind::Group);  // back at the group
        QVERIFY(!f.LogLines().join("\n").contains("USER"));
    }

    void CancellingThePromptConnectsNothing() {
        ViewFixture f(DemoCatalogue());
        MessageLog messages;
        f.dialogs.connect = false;
        SiteProfile profile;
        profile.host = "127.0.0.1:1";
        profile.prompt = true;
        f.view->ConnectToSite(profile, RemoteView::ConnectionKind::Quick);
        QVERIFY(f.Settle());
        QCOMPARE(f.dialogs.prompts, 1);
        QVERIFY(f.dialogs.lastPromptWasQuick);
        QVERIFY(messages.texts.isEmpty());
        QVERIFY(f.LogLines().isEmpty());
    }

    void CreateDirectoryNamesStopAt128Characters() {
        CreateDirectoryDialog dialog;
        QTest::keyClicks(dialog.NameEdit(), QString(140, u'd'));
        QCOMPARE(dialog.Name().size(), 128);
    }
};

QUILLMOOR_BROWSER_TEST_MAIN(ListViewTest)
#include "list_view_test.moc"
