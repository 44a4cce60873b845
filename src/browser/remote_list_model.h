#pragma once

#include <QAbstractTableModel>
#include <QString>

#include <vector>

#include "sites/store/item_kind.h"

class ImageList;

// One item of the remote list: its label, its image index (valid in both image
// lists) and its kind, plus the texts of the four other details columns.
struct RemoteListItem {
    QString label;       // a link's label adds " -> " and its target to its name
    QString linkTarget;  // as the listing gave it, or empty
    int image = 0;
    ItemKind kind = ItemKind::None;
    QString size;
    QString type;
    QString modified;
    QString permissions;

    // The name the server knows the item by.
    QString Name() const { return linkTarget.isEmpty() ? label : label.left(label.size() - linkTarget.size() - 4); }
};

// The one model behind every mode of the remote list. Items are always kept in
// ascending order of their labels (case-insensitively, as the desktop's file
// views do, exact text breaking ties), so folders and files interleave; the
// column headers never re-sort. A listing is added in one batch: appended
// unsorted, then sorted and shown once, which keeps huge directories fast.
class RemoteListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { kName = 0, kSize, kType, kModified, kPermissions, kColumnCount };

    explicit RemoteListModel(QObject* parent = nullptr);

    void SetImageLists(const ImageList* small, const ImageList* large);
    void SetLargeIcons(bool large);

    // Inserts at the item's sorted place and returns its row (during a batch,
    // returns -1 and shows it at EndBatch).
    int InsertItem(RemoteListItem item);
    void BeginBatch();
    void EndBatch();

    void RemoveItem(int row);
    void Clear();

    int Count() const { return static_cast<int>(items.size()); }
    const RemoteListItem& Item(int row) const { return items[static_cast<std::size_t>(row)]; }
    QString Text(int row, int column) const;
    void SetText(int row, int column, const QString& text);
    // Relabels an item, which moves it to its new sorted place; returns that row.
    int SetLabel(int row, const QString& label);
    void SetImage(int row, int image);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // In-place label editing never changes the label itself: it reports the new
    // text, and the view relabels the item once the rename has succeeded.
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

    static bool LabelLess(const QString& a, const QString& b);

signals:
    void labelEdited(int row, const QString& text);

private:
    std::size_t SortedPosition(const QString& label) const;

    std::vector<RemoteListItem> items;
    std::vector<RemoteListItem> pending;
    bool batching = false;
    const ImageList* smallImages = nullptr;
    const ImageList* largeImages = nullptr;
    bool largeIcons = false;
};
