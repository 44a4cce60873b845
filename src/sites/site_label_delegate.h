#pragma once

#include <QStyledItemDelegate>

class SiteTree;

// Hands a finished in-place label edit to the tree instead of writing it, so
// the tree can refuse it. The hand-over is queued: the tree may show a message,
// which must not run while the editor is still closing.
class SiteLabelDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    explicit SiteLabelDelegate(SiteTree* tree);

    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;

private:
    SiteTree* tree;
};
