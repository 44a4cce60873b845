#include "app/main_frame_panes.h"

#include <QListWidget>
#include <QTreeWidget>

#include "options/app_context.h"
#include "platform/desktop/remote_list_pane.h"

namespace {

// Placeholder for CSiteTree until the site catalogue pane joins the frame.
class CSiteTreePlaceholder : public QTreeWidget {
public:
    explicit CSiteTreePlaceholder(QWidget* parent) : QTreeWidget(parent) {
        setHeaderHidden(true);
        setAccessibleName(QStringLiteral("Sites"));
        addTopLevelItem(new QTreeWidgetItem(QStringList{QStringLiteral("User Defined")}));
    }
};

// Placeholder for CQuillmoorv3View until the remote list joins the frame: it
// keeps a view mode and a sort flag so that the frame's view commands work.
class CListViewPlaceholder : public QListWidget, public RemoteListPane {
public:
    CListViewPlaceholder(int defaultView, QWidget* parent) : QListWidget(parent) {
        setAccessibleName(QStringLiteral("Remote files"));
        if (defaultView >= 0 && defaultView <= 3) mode = static_cast<ListViewMode>(defaultView);
        ApplyMode();
    }

    ListViewMode ViewMode() const override { return mode; }
    void SetViewMode(ListViewMode newMode) override {
        mode = newMode;
        ApplyMode();
    }
    bool SortsAscending() const override { return isSortingEnabled(); }
    void SetSortAscending(bool on) override {
        setSortingEnabled(on);
        if (on) sortItems(Qt::AscendingOrder);
    }
    void ArrangeItems() override { doItemsLayout(); }
    void LoadListing() override {}

private:
    void ApplyMode() {
        const bool icons = mode == ListViewMode::LargeIcons || mode == ListViewMode::SmallIcons;
        QListWidget::setViewMode(icons ? QListView::IconMode : QListView::ListMode);
        setIconSize(mode == ListViewMode::LargeIcons ? QSize(32, 32) : QSize(16, 16));
    }

    ListViewMode mode = ListViewMode::LargeIcons;
};

}  // namespace

MainFramePanes CreateMainFramePanes(AppContext& context, QWidget* parent) {
    MainFramePanes panes;
    panes.siteTree = new CSiteTreePlaceholder(parent);
    panes.listView = new CListViewPlaceholder(context.settings.defaultView, parent);
    return panes;
}
