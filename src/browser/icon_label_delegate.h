#pragma once

#include <QStringList>
#include <QStyledItemDelegate>

class QTextLayout;

// Draws the items of the large-icon mode as file managers do: the icon centred
// at the top of a cell of fixed width and the whole name wrapped under it,
// broken inside a word only where a word is wider than the cell. Nothing is
// elided, so an item is as tall as its name needs. Items of the other modes
// (icon at the left, one line) are drawn as usual in cells as wide as the
// widest name, so the list's uniform cells never cut one.
class IconLabelDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    static constexpr int kCellWidth = 96;
    static constexpr int kMargin = 4;

    using QStyledItemDelegate::QStyledItemDelegate;

    // The width of the widest name shown on one line, in the view's font.
    void SetWidestName(int width) { widestName = width; }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

    // The lines a name is shown in under a large icon, in the given font.
    static QStringList WrappedLines(const QString& name, const QFont& font);

private:
    static bool IconAbove(const QStyleOptionViewItem& option);
    // Lays the name out in lines of the text width; returns the height used.
    static int LayOut(QTextLayout& layout, const QString& name, const QFont& font);

    int widestName = 0;
};
