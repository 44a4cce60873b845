#pragma once

#include <QHash>
#include <QIcon>
#include <QSize>

#include <cstdint>
#include <vector>

// One of the list view's two image lists (32 x 32 for large icons, 16 x 16 for
// the other modes). Both always receive the same icons in the same order, so an
// item's one image index is valid in either. Every file of every listing
// appends an image, so the list keeps each distinct picture once and an image
// is only a 4-byte reference to it: appending stays cheap however long the
// list grows before the next catalogue fill empties it.
class CImageList {
public:
    CImageList(QSize iconSize, int initialCapacity, int growBy);

    // Appends an icon; returns its index, or -1 when the list refuses it (a
    // null icon).
    int Add(const QIcon& icon);
    int Count() const { return static_cast<int>(images.size()); }
    void RemoveAll();
    // The icon at an index; a null icon outside the list.
    QIcon Icon(int index) const;
    QSize IconSize() const { return iconSize; }

private:
    QSize iconSize;
    std::size_t growBy;
    std::vector<std::uint32_t> images;  // index into pictures
    std::vector<QIcon> pictures;
    QHash<qint64, std::uint32_t> pictureByKey;
};
