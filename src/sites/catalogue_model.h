#pragma once

#include <QAbstractItemModel>
#include <QHash>
#include <QStringList>
#include <memory>
#include <vector>

#include "sites/store/catalogue_tree.h"
#include "sites/store/site_store.h"

// The site catalogue in memory, as the views see it: groups at the top, their
// sites below, and under a site the remote folders visited on it during this
// run. One column. Between Load and the last Save it is the catalogue: the
// store reads the file into it and writes it back from it (folders are never
// written). Labels are compared exactly.
class CatalogueModel : public QAbstractItemModel, private CatalogueTree {
    Q_OBJECT

public:
    enum Role {
        KindRole = Qt::UserRole,  // int of ItemKind
        ProfileRole,              // SiteProfile of a site, its group set to the group's label
        SitePathRole,             // a site's or folder's path below the site (remote_path::PathOfLabels)
    };

    explicit CatalogueModel(SiteStore& store, QObject* parent = nullptr);
    ~CatalogueModel() override;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    // Renames groups and sites; a folder is renamed on the server first (Rename).
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Reads the file, once. Returns what the user must be told when the file
    // could not be used (empty otherwise): an unreadable file is left alone and
    // never saved over, one not understood is renamed aside.
    QString Load();
    bool IsLoaded() const { return loaded; }
    // Writes the catalogue; skipped before Load and when the file must be kept
    // (both give a result that is not saved, without an error).
    CatalogueSave Save();
    // Writes the catalogue to another file, whatever Load found.
    CatalogueSave SaveAs(const std::string& path) const { return store.SaveCatalogueAs(*this, path); }

    ItemKind KindAt(const QModelIndex& index) const;
    QString LabelAt(const QModelIndex& index) const;
    // The profile of the site at index (a default one for anything else).
    SiteProfile ProfileAt(const QModelIndex& index) const;
    // The site at or above index, and the group at or above it (invalid when none).
    QModelIndex SiteOf(const QModelIndex& index) const;
    QModelIndex GroupOf(const QModelIndex& index) const;
    // The labels of the folders from below the site down to index.
    QStringList LabelsBelowSite(const QModelIndex& index) const;
    // The first child of parent (the top for an invalid one) labelled label.
    QModelIndex ChildLabelled(const QModelIndex& parent, const QString& label) const;
    // The first site of that name in any group.
    QModelIndex FindSite(const QString& name) const;

    QModelIndex AddGroup(const QString& label);
    // Finds or creates the profile's group and places the site in it, sorted;
    // returns the site (the group for a group placeholder).
    QModelIndex AddProfile(const SiteProfile& profile);
    // The folder of that name below a site or folder, appended when missing.
    // A listing calls it once per folder, so it costs the same for the 10,000th.
    QModelIndex AddDirectory(const QModelIndex& parent, const QString& name);
    // Walks down from `from` by labels, adding missing folders; returns where it
    // ended (invalid when `from` takes no folders).
    QModelIndex WalkLabels(const QModelIndex& from, const QStringList& labels);
    void SetProfile(const QModelIndex& site, SiteProfile profile);
    // Any entry's new label; a site's profile takes it as its name.
    void Rename(const QModelIndex& index, const QString& label);
    void Remove(const QModelIndex& index);

private:
    struct Node;

    Node* NodeOf(const QModelIndex& index) const;
    QModelIndex IndexOf(const Node* node) const;
    // Inserts nodes as children number row onwards; returns the first.
    QModelIndex Insert(Node* parent, std::size_t row, std::vector<std::unique_ptr<Node>> nodes);
    QModelIndex Append(Node* parent, std::unique_ptr<Node> child);
    void ForgetChildIndex();

    // What the store reads and writes.
    int GroupCount() const override;
    std::string GroupLabel(int group) const override;
    int SiteCount(int group) const override;
    std::string SiteLabel(int group, int site) const override;
    SiteProfile SiteAt(int group, int site) const override;
    int AppendGroup(const std::string& label) override;
    void InsertSite(int group, int position, const SiteProfile& profile) override;
    void AppendSites(int group, const std::vector<SiteProfile>& profiles) override;
    void ReplaceSite(int group, int site, const SiteProfile& profile) override;
    void RemoveSite(int group, int site) override;

    SiteStore& store;
    std::unique_ptr<Node> root;
    bool loaded = false;
    bool keepFile = false;  // the file was there but could not be used

    // Labels of one node's children, for AddDirectory; any other change of
    // entries or labels drops it.
    const Node* indexedParent = nullptr;
    QHash<QString, Node*> childIndex;
};
