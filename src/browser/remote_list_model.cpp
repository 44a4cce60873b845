#include "browser/remote_list_model.h"

#include <algorithm>

#include "browser/image_list.h"

namespace {

struct ColumnLayout {
    const char* title;
    Qt::Alignment alignment;
};

constexpr ColumnLayout kColumns[RemoteListModel::kColumnCount] = {
    {"Name", Qt::AlignLeft | Qt::AlignVCenter},     {"Size", Qt::AlignRight | Qt::AlignVCenter},
    {"Type", Qt::AlignLeft | Qt::AlignVCenter},     {"Modified", Qt::AlignLeft | Qt::AlignVCenter},
    {"Permissions", Qt::AlignLeft | Qt::AlignVCenter},
};

QString RemoteListItem::*const kColumnText[RemoteListModel::kColumnCount] = {
    &RemoteListItem::label, &RemoteListItem::size, &RemoteListItem::type, &RemoteListItem::modified,
    &RemoteListItem::permissions,
};

bool ItemLess(const RemoteListItem& a, const RemoteListItem& b) { return RemoteListModel::LabelLess(a.label, b.label); }

}  // namespace

RemoteListModel::RemoteListModel(QObject* parent) : QAbstractTableModel(parent) {}

bool RemoteListModel::LabelLess(const QString& a, const QString& b) {
    const int folded = QString::compare(a, b, Qt::CaseInsensitive);
    if (folded != 0) return folded < 0;
    return QString::compare(a, b, Qt::CaseSensitive) < 0;
}

void RemoteListModel::SetImageLists(const ImageList* small, const ImageList* large) {
    smallImages = small;
    largeImages = large;
}

void RemoteListModel::SetLargeIcons(bool large) {
    if (largeIcons == large) return;
    largeIcons = large;
    if (!items.empty()) emit dataChanged(index(0, kName), index(Count() - 1, kName), {Qt::DecorationRole});
}

std::size_t RemoteListModel::SortedPosition(const QString& label) const {
    // After every equal label, so equal names keep their insertion order.
    const auto at = std::upper_bound(items.begin(), items.end(), label,
                                      [](const QString& l, const RemoteListItem& item) { return LabelLess(l, item.label); });
    return static_cast<std::size_t>(at - items.begin());
}

int RemoteListModel::InsertItem(RemoteListItem item) {
    if (batching) {
        pending.push_back(std::move(item));
        return -1;
    }
    const std::size_t row = SortedPosition(item.label);
    beginInsertRows({}, static_cast<int>(row), static_cast<int>(row));
    items.insert(items.begin() + static_cast<std::ptrdiff_t>(row), std::move(item));
    endInsertRows();
    return static_cast<int>(row);
}

void RemoteListModel::BeginBatch() { batching = true; }

void RemoteListModel::EndBatch() {
    batching = false;
    if (pending.empty()) return;
    std::stable_sort(pending.begin(), pending.end(), ItemLess);
    beginResetModel();
    const std::size_t middle = items.size();
    items.insert(items.end(), std::make_move_iterator(pending.begin()), std::make_move_iterator(pending.end()));
    std::inplace_merge(items.begin(), items.begin() + static_cast<std::ptrdiff_t>(middle), items.end(), ItemLess);
    pending.clear();
    pending.shrink_to_fit();
    endResetModel();
}

void RemoteListModel::RemoveItem(int row) {
    if (row < 0 || row >= Count()) return;
    beginRemoveRows({}, row, row);
    items.erase(items.begin() + row);
    endRemoveRows();
}

void RemoteListModel::Clear() {
    beginResetModel();
    // Release the memory too: the list may have held a huge directory.
    std::vector<RemoteListItem>().swap(items);
    pending.clear();
    endResetModel();
}

QString RemoteListModel::Text(int row, int column) const {
    if (row < 0 || row >= Count() || column < 0 || column >= kColumnCount) return {};
    return Item(row).*kColumnText[column];
}

void RemoteListModel::SetText(int row, int column, const QString& text) {
    if (row < 0 || row >= Count() || column <= kName || column >= kColumnCount) return;
    items[static_cast<std::size_t>(row)].*kColumnText[column] = text;
    emit dataChanged(index(row, column), index(row, column));
}

int RemoteListModel::SetLabel(int row, const QString& label) {
    if (row < 0 || row >= Count()) return -1;
    RemoteListItem item = Item(row);
    item.label = label;
    item.linkTarget.clear();
    RemoveItem(row);
    return InsertItem(std::move(item));
}

void RemoteListModel::SetImage(int row, int image) {
    if (row < 0 || row >= Count()) return;
    items[static_cast<std::size_t>(row)].image = image;
    emit dataChanged(index(row, kName), index(row, kName), {Qt::DecorationRole});
}

int RemoteListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : Count(); }

int RemoteListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumnCount; }

QVariant RemoteListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= Count()) return {};
    const RemoteListItem& item = Item(index.row());
    switch (role) {
        case Qt::DisplayRole:
        case Qt::EditRole:
        case Qt::AccessibleTextRole:
            return item.*kColumnText[index.column()];
        case Qt::ToolTipRole:
            return index.column() == kName ? QVariant(item.label) : QVariant();
        case Qt::DecorationRole: {
            if (index.column() != kName) return {};
            const ImageList* images = largeIcons ? largeImages : smallImages;
            return images ? QVariant(images->Icon(item.image)) : QVariant();
        }
        case Qt::TextAlignmentRole:
            return QVariant::fromValue(kColumns[index.column()].alignment);
        default:
            return {};
    }
}

QVariant RemoteListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= kColumnCount) return {};
    if (role == Qt::DisplayRole) return QString::fromLatin1(kColumns[section].title);
    if (role == Qt::TextAlignmentRole) return QVariant::fromValue(kColumns[section].alignment);
    return {};
}

Qt::ItemFlags RemoteListModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    if (index.isValid()) flags |= Qt::ItemIsDragEnabled;
    if (index.isValid() && index.column() == kName) flags |= Qt::ItemIsEditable;
    return flags;
}

bool RemoteListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || !index.isValid() || index.column() != kName) return false;
    emit labelEdited(index.row(), value.toString());
    return false;
}
