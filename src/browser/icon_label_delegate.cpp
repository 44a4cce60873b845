#include "browser/icon_label_delegate.h"

#include <QApplication>
#include <QPainter>
#include <QTextLayout>

#include <algorithm>

namespace {

constexpr int kTextWidth = IconLabelDelegate::kCellWidth - 2 * IconLabelDelegate::kMargin;

}  // namespace

bool IconLabelDelegate::IconAbove(const QStyleOptionViewItem& option) {
    return option.decorationPosition == QStyleOptionViewItem::Top;
}

int IconLabelDelegate::LayOut(QTextLayout& layout, const QString& name, const QFont& font) {
    QTextOption wrapping(Qt::AlignHCenter);
    wrapping.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setText(name);
    layout.setFont(font);
    layout.setTextOption(wrapping);
    qreal height = 0;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(kTextWidth);
        line.setPosition(QPointF(0, height));
        height += line.height();
    }
    layout.endLayout();
    return qCeil(height);
}

QStringList IconLabelDelegate::WrappedLines(const QString& name, const QFont& font) {
    QTextLayout layout;
    LayOut(layout, name, font);
    QStringList lines;
    for (int i = 0; i < layout.lineCount(); ++i) {
        const QTextLine line = layout.lineAt(i);
        lines << name.mid(line.textStart(), line.textLength());
    }
    return lines;
}

QSize IconLabelDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QStyleOptionViewItem item = option;
    initStyleOption(&item, index);
    const QFontMetrics metrics(item.font);
    if (!IconAbove(option)) {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.rwidth() += std::max(0, widestName - metrics.horizontalAdvance(item.text));
        return size;
    }
    // Most names fit on one line; only the others pay for a text layout.
    int textHeight = metrics.height();
    if (metrics.horizontalAdvance(item.text) > kTextWidth) {
        QTextLayout layout;
        textHeight = LayOut(layout, item.text, item.font);
    }
    return {kCellWidth, kMargin + item.decorationSize.height() + kMargin + textHeight + kMargin};
}

void IconLabelDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const {
    if (!IconAbove(option)) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    QStyleOptionViewItem item = option;
    initStyleOption(&item, index);
    const bool selected = item.state & QStyle::State_Selected;
    const QPalette::ColorGroup group =
        item.state & QStyle::State_Enabled ? QPalette::Normal : QPalette::Disabled;
    painter->save();

    const QSize iconSize = item.decorationSize;
    const QRect iconRect(item.rect.x() + (item.rect.width() - iconSize.width()) / 2, item.rect.y() + kMargin,
                         iconSize.width(), iconSize.height());
    item.icon.paint(painter, iconRect, Qt::AlignCenter, selected ? QIcon::Selected : QIcon::Normal);

    QTextLayout layout;
    LayOut(layout, item.text, item.font);
    const QPoint textTopLeft(item.rect.x() + (item.rect.width() - kTextWidth) / 2,
                             iconRect.bottom() + 1 + kMargin);
    const QRect textRect =
        QRectF(layout.boundingRect()).toAlignedRect().translated(textTopLeft).adjusted(-1, 0, 1, 0);
    if (selected) painter->fillRect(textRect, item.palette.brush(group, QPalette::Highlight));
    painter->setPen(item.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
    layout.draw(painter, textTopLeft);

    if (item.state & QStyle::State_HasFocus) {
        QStyleOptionFocusRect focus;
        focus.QStyleOption::operator=(item);
        focus.rect = textRect;
        focus.state |= QStyle::State_KeyboardFocusChange;
        focus.backgroundColor = item.palette.color(group, selected ? QPalette::Highlight : QPalette::Base);
        const QWidget* widget = item.widget;
        (widget ? widget->style() : QApplication::style())
            ->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, widget);
    }
    painter->restore();
}
