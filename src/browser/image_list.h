#pragma once

#include <QIcon>
#include <QSize>

#include <vector>

// One of the list view's two image lists (32 x 32 for large icons, 16 x 16 for
// the other modes). Both always receive the same icons in the same order, so an
// item's one image index is valid in either. Icons share their pixel data, so an
// image appended for every file of a listing costs a pointer, not a picture.
class CImageList {
public:
    CImageList(QSize iconSize, int initialCapacity, int growBy);

    // Appends an icon; returns its index, or -1 when the list refuses it (a
    // null icon).
    int Add(const QIcon& icon);
    int Count() const { return static_cast<int>(icons.size()); }
    void RemoveAll();
    // The icon at an index; a null icon outside the list.
    QIcon Icon(int index) const;
    QSize IconSize() const { return iconSize; }

private:
    QSize iconSize;
    std::size_t growBy;
    std::vector<QIcon> icons;
};
