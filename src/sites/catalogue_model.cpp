#include "sites/catalogue_model.h"

#include <algorithm>
#include <iterator>

#include "sites/catalogue_entries.h"
#include "sites/catalogue_load_message.h"
#include "sites/remote_place.h"

// One entry. Rows are kept in the node so that parent() needs no search among
// thousands of folders.
struct CatalogueModel::Node {
    ItemKind kind = ItemKind::None;
    QString label;
    SiteProfile profile;  // sites only
    Node* parent = nullptr;
    int row = 0;
    std::vector<std::unique_ptr<Node>> children;

    Node(ItemKind kind, QString label) : kind(kind), label(std::move(label)) {}

    static std::unique_ptr<Node> Site(const SiteProfile& profile) {
        auto node = std::make_unique<Node>(ItemKind::Site, ToQt(profile.name));
        node->profile = profile;
        node->profile.kind = static_cast<int>(ItemKind::Site);
        return node;
    }

    void NumberChildrenFrom(std::size_t first) {
        for (std::size_t index = first; index < children.size(); ++index)
            children[index]->row = static_cast<int>(index);
    }
};

CatalogueModel::CatalogueModel(SiteStore& store, QObject* parent)
    : QAbstractItemModel(parent), store(store), root(std::make_unique<Node>(ItemKind::None, QString())) {}

CatalogueModel::~CatalogueModel() = default;

CatalogueModel::Node* CatalogueModel::NodeOf(const QModelIndex& index) const {
    return index.isValid() ? static_cast<Node*>(index.internalPointer()) : root.get();
}

QModelIndex CatalogueModel::IndexOf(const Node* node) const {
    if (!node || node == root.get()) return {};
    return createIndex(node->row, 0, const_cast<Node*>(node));
}

QModelIndex CatalogueModel::index(int row, int column, const QModelIndex& parent) const {
    const Node* node = NodeOf(parent);
    if (column != 0 || row < 0 || row >= static_cast<int>(node->children.size())) return {};
    return IndexOf(node->children[static_cast<std::size_t>(row)].get());
}

QModelIndex CatalogueModel::parent(const QModelIndex& child) const {
    return child.isValid() ? IndexOf(NodeOf(child)->parent) : QModelIndex();
}

int CatalogueModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() && parent.column() != 0) return 0;
    return static_cast<int>(NodeOf(parent)->children.size());
}

int CatalogueModel::columnCount(const QModelIndex&) const { return 1; }

QVariant CatalogueModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    const Node* node = NodeOf(index);
    switch (role) {
        case Qt::DisplayRole:
        case Qt::EditRole:
            return node->label;
        case Qt::DecorationRole:
            return CatalogueIcon(node->kind);
        case Qt::AccessibleDescriptionRole:
            return CatalogueDescription(node->kind);
        case KindRole:
            return static_cast<int>(node->kind);
        case ProfileRole:
            return node->kind == ItemKind::Site ? QVariant::fromValue(ProfileAt(index)) : QVariant();
        case SitePathRole:
            return SiteOf(index).isValid() ? remote_path::PathOfLabels(LabelsBelowSite(index)) : QVariant();
        default:
            return {};
    }
}

bool CatalogueModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    const ItemKind kind = KindAt(index);
    if (role != Qt::EditRole || (kind != ItemKind::Group && kind != ItemKind::Site)) return false;
    Rename(index, value.toString());
    return true;
}

Qt::ItemFlags CatalogueModel::flags(const QModelIndex& index) const {
    // Folders are editable too: the view decides what a finished edit does.
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}

QString CatalogueModel::Load() {
    if (loaded) return {};
    loaded = true;
    store.RemoveAbandonedTemporaries();
    std::string problem;
    const CatalogueLoad load = store.LoadCatalogue(*this, &problem);
    const CatalogueLoadOutcome outcome = SettleCatalogueLoad(store, load, problem);
    keepFile = outcome.keepFile;
    return outcome.message;
}

CatalogueSave CatalogueModel::Save() {
    if (!loaded || keepFile) return {};
    return store.SaveCatalogue(*this);
}

ItemKind CatalogueModel::KindAt(const QModelIndex& index) const {
    return index.isValid() ? NodeOf(index)->kind : ItemKind::None;
}

QString CatalogueModel::LabelAt(const QModelIndex& index) const {
    return index.isValid() ? NodeOf(index)->label : QString();
}

SiteProfile CatalogueModel::ProfileAt(const QModelIndex& index) const {
    if (KindAt(index) != ItemKind::Site) return {};
    const Node* node = NodeOf(index);
    SiteProfile profile = node->profile;
    profile.group = FromQt(node->parent->label);
    return profile;
}

QModelIndex CatalogueModel::SiteOf(const QModelIndex& index) const {
    const Node* node = index.isValid() ? NodeOf(index) : nullptr;
    while (node && node->kind == ItemKind::Directory) node = node->parent;
    return node && node->kind == ItemKind::Site ? IndexOf(node) : QModelIndex();
}

QModelIndex CatalogueModel::GroupOf(const QModelIndex& index) const {
    const Node* node = index.isValid() ? NodeOf(index) : nullptr;
    while (node && node->kind != ItemKind::Group) node = node->parent;
    return IndexOf(node);
}

QStringList CatalogueModel::LabelsBelowSite(const QModelIndex& index) const {
    QStringList labels;
    for (const Node* node = index.isValid() ? NodeOf(index) : nullptr;
         node && node->kind == ItemKind::Directory; node = node->parent)
        labels.prepend(node->label);
    return labels;
}

QModelIndex CatalogueModel::ChildLabelled(const QModelIndex& parent, const QString& label) const {
    for (const auto& child : NodeOf(parent)->children) {
        if (child->label == label) return IndexOf(child.get());
    }
    return {};
}

QModelIndex CatalogueModel::FindSite(const QString& name) const {
    for (const auto& group : root->children) {
        for (const auto& site : group->children) {
            if (site->kind == ItemKind::Site && site->label == name) return IndexOf(site.get());
        }
    }
    return {};
}

QModelIndex CatalogueModel::Insert(Node* parent, std::size_t row, std::vector<std::unique_ptr<Node>> nodes) {
    if (nodes.empty()) return {};
    const int first = static_cast<int>(row);
    // One insertion for a whole batch: a view lays out once.
    beginInsertRows(IndexOf(parent), first, first + static_cast<int>(nodes.size()) - 1);
    for (auto& node : nodes) node->parent = parent;
    parent->children.insert(parent->children.begin() + first, std::make_move_iterator(nodes.begin()),
                            std::make_move_iterator(nodes.end()));
    parent->NumberChildrenFrom(row);
    endInsertRows();
    return IndexOf(parent->children[row].get());
}

QModelIndex CatalogueModel::Append(Node* parent, std::unique_ptr<Node> child) {
    std::vector<std::unique_ptr<Node>> nodes;
    nodes.push_back(std::move(child));
    return Insert(parent, parent->children.size(), std::move(nodes));
}

QModelIndex CatalogueModel::AddGroup(const QString& label) {
    ForgetChildIndex();
    return Append(root.get(), std::make_unique<Node>(ItemKind::Group, label));
}

QModelIndex CatalogueModel::AddProfile(const SiteProfile& profile) {
    const SitePlace place = PlaceProfile(*this, profile);
    const QModelIndex group = index(place.group, 0);
    return place.site < 0 ? group : index(place.site, 0, group);
}

QModelIndex CatalogueModel::AddDirectory(const QModelIndex& parent, const QString& name) {
    const ItemKind kind = KindAt(parent);
    if (kind != ItemKind::Site && kind != ItemKind::Directory) return {};
    Node* node = NodeOf(parent);
    if (indexedParent != node) {
        ForgetChildIndex();
        // The first child of a label wins, as in a search from the top.
        for (auto child = node->children.rbegin(); child != node->children.rend(); ++child)
            childIndex.insert((*child)->label, child->get());
        indexedParent = node;
    }
    if (Node* existing = childIndex.value(name)) return IndexOf(existing);
    const QModelIndex added = Append(node, std::make_unique<Node>(ItemKind::Directory, name));
    childIndex.insert(name, NodeOf(added));
    return added;
}

QModelIndex CatalogueModel::WalkLabels(const QModelIndex& from, const QStringList& labels) {
    QModelIndex at = from;
    for (const QString& label : labels) {
        at = AddDirectory(at, label);
        if (!at.isValid()) break;
    }
    return at;
}

void CatalogueModel::SetProfile(const QModelIndex& site, SiteProfile profile) {
    if (KindAt(site) != ItemKind::Site) return;
    profile.kind = static_cast<int>(ItemKind::Site);
    NodeOf(site)->profile = std::move(profile);
    emit dataChanged(site, site, {ProfileRole});
}

void CatalogueModel::Rename(const QModelIndex& index, const QString& label) {
    if (!index.isValid()) return;
    ForgetChildIndex();
    Node* node = NodeOf(index);
    node->label = label;
    if (node->kind == ItemKind::Site) node->profile.name = FromQt(label);
    emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole, ProfileRole});
    // What the children read through this label changes too: a site's group,
    // a folder's path.
    if (!node->children.empty())
        emit dataChanged(this->index(0, 0, index), this->index(rowCount(index) - 1, 0, index),
                         {SitePathRole});
}

void CatalogueModel::Remove(const QModelIndex& index) {
    if (!index.isValid()) return;
    ForgetChildIndex();
    Node* parent = NodeOf(index)->parent;
    const auto row = static_cast<std::size_t>(index.row());
    beginRemoveRows(index.parent(), index.row(), index.row());
    parent->children.erase(parent->children.begin() + static_cast<std::ptrdiff_t>(row));
    parent->NumberChildrenFrom(row);
    endRemoveRows();
}

void CatalogueModel::ForgetChildIndex() {
    indexedParent = nullptr;
    childIndex.clear();
}

int CatalogueModel::GroupCount() const { return static_cast<int>(root->children.size()); }

std::string CatalogueModel::GroupLabel(int group) const { return FromQt(LabelAt(index(group, 0))); }

// A group holds sites only: folders hang below sites.
int CatalogueModel::SiteCount(int group) const { return rowCount(index(group, 0)); }

std::string CatalogueModel::SiteLabel(int group, int site) const {
    return FromQt(LabelAt(index(site, 0, index(group, 0))));
}

SiteProfile CatalogueModel::SiteAt(int group, int site) const {
    return ProfileAt(index(site, 0, index(group, 0)));
}

int CatalogueModel::AppendGroup(const std::string& label) { return AddGroup(ToQt(label)).row(); }

void CatalogueModel::InsertSite(int group, int position, const SiteProfile& profile) {
    ForgetChildIndex();
    Node* node = root->children[static_cast<std::size_t>(group)].get();
    std::vector<std::unique_ptr<Node>> nodes;
    nodes.push_back(Node::Site(profile));
    Insert(node, static_cast<std::size_t>(std::clamp(position, 0, static_cast<int>(node->children.size()))),
           std::move(nodes));
}

void CatalogueModel::AppendSites(int group, const std::vector<SiteProfile>& profiles) {
    ForgetChildIndex();
    Node* node = root->children[static_cast<std::size_t>(group)].get();
    std::vector<std::unique_ptr<Node>> nodes;
    nodes.reserve(profiles.size());
    for (const SiteProfile& profile : profiles) nodes.push_back(Node::Site(profile));
    Insert(node, node->children.size(), std::move(nodes));
}

void CatalogueModel::ReplaceSite(int group, int site, const SiteProfile& profile) {
    SetProfile(index(site, 0, index(group, 0)), profile);
}

void CatalogueModel::RemoveSite(int group, int site) { Remove(index(site, 0, index(group, 0))); }
