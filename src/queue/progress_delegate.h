#pragma once

#include <QStyledItemDelegate>

// Draws the queue's progress column as a progress bar with its percentage
// (the model's progress role); a job whose size is unknown shows only the
// bytes done, as text.
class ProgressDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
};
