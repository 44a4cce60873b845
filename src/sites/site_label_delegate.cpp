#include "sites/site_label_delegate.h"

#include <QLineEdit>
#include <QPersistentModelIndex>
#include <QTimer>

#include "sites/site_tree.h"

SiteLabelDelegate::SiteLabelDelegate(SiteTree* tree) : QStyledItemDelegate(tree), tree(tree) {}

void SiteLabelDelegate::setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex& index) const {
    const auto* edit = qobject_cast<QLineEdit*>(editor);
    if (!edit) return;
    const QString text = edit->text();
    const QPersistentModelIndex target(index);
    SiteTree* owner = tree;
    QTimer::singleShot(0, owner, [owner, target, text] {
        if (target.isValid()) owner->FinishLabelEdit(target, text);
    });
}
