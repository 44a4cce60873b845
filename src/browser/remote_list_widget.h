#pragma once

#include <QItemSelectionModel>
#include <QList>
#include <QWidget>

#include "browser/remote_list_model.h"

class ImageList;
class IconLabelDelegate;
class QAbstractItemView;
class QListView;
class QStackedLayout;
class QTreeView;

// The program's one list control: one model and one selection behind the four
// view modes (large icons, details, small icons, list). The frame and the site
// tree read its selection and labels directly. It reports what the user does
// (open, context menu, keys, the end of an in-place label edit, focus) as
// signals and leaves the meaning to the list view.
class RemoteListWidget : public QWidget {
    Q_OBJECT

public:
    // View-mode codes, as stored in the "Default View" setting.
    enum Mode { kLargeIcons = 0, kDetails = 1, kSmallIcons = 2, kList = 3 };
    static constexpr int kColumnWidths[RemoteListModel::kColumnCount] = {180, 75, 85, 100, 85};

    explicit RemoteListWidget(int modeCode, QWidget* parent = nullptr);

    void SetImageLists(const ImageList* small, const ImageList* large);

    int Mode() const { return mode; }
    // Switches the mode (a code outside 0..3 keeps its low two bits); items,
    // order and selection stay.
    void SetMode(int modeCode);

    RemoteListModel& Model() { return model; }
    const RemoteListModel& Model() const { return model; }

    int ItemCount() const { return model.Count(); }
    QString ItemText(int row, int column) const { return model.Text(row, column); }
    ItemKind KindAt(int row) const;

    // Selection, in list order.
    int SelectedCount() const;
    // Cheaper than SelectedCount for the enable rules, which run on every
    // selection change (a selection of thousands is built one row at a time).
    bool HasSelection() const { return NextSelected(-1) >= 0; }
    bool HasOneSelected() const;
    QList<int> SelectedRows() const;
    // The first selected row after `after` (-1 starts at the top), or -1.
    int NextSelected(int after) const;
    int FocusedRow() const;
    void SelectRow(int row, bool addToSelection = false);
    void ClearSelection();

    // The label of the first selected item, at most 255 characters.
    QString SelectedName() const;

    // The first row whose label equals the text: exactly, or else ignoring case,
    // as the platform list's own string search does; -1 without one.
    int FindLabel(const QString& label) const;

    // Lays the items out again from the top left.
    void Arrange();
    // Starts in-place editing of a row's label.
    void EditLabel(int row);

    QAbstractItemView* ActiveView() const;
    QTreeView* DetailsView() const { return detailsView; }
    QListView* IconView() const { return iconView; }

signals:
    void itemActivated(int row);            // double click or Enter
    void contextMenuRequested(const QPoint& globalPos);
    void keyPressed(int key, Qt::KeyboardModifiers modifiers, bool autoRepeat);
    void labelEditFinished(int row, const QString& newText);
    void dragStarted();
    // The selected rows changed, or the list was emptied or refilled.
    void selectionChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ConfigureIconView();
    // The width of the widest label in the icon view's font.
    int WidestLabel() const;
    void WireView(QAbstractItemView* view);

    RemoteListModel model;
    QItemSelectionModel selection;
    QStackedLayout* stack = nullptr;
    QListView* iconView = nullptr;
    QTreeView* detailsView = nullptr;
    IconLabelDelegate* labelDelegate = nullptr;
    int mode = kLargeIcons;
};
