#pragma once

#include <QHash>
#include <QIcon>
#include <QSize>
#include <QString>
#include <cstdint>
#include <vector>

// One of the list view's two image lists (32 x 32 for large icons, 16 x 16 for
// the other modes). Both always receive the same icons in the same order, so an
// item's one image index is valid in either. The list keeps each distinct
// picture once and an image is only a 4-byte reference to it. Images added
// under a key (a file type's icon reference) are shared: every file of that
// type, in this listing and in every later one, shows the one image, so
// refreshing a directory adds nothing.
class ImageList {
public:
    ImageList(QSize iconSize, int initialCapacity, int growBy);

    // Appends an icon; returns its index, or -1 when the list refuses it (a
    // null icon).
    int Add(const QIcon& icon);
    // The image added under the key, or -1 when there is none yet.
    int SharedIndex(const QString& key) const;
    // The image added under the key, added with the icon when the key is new;
    // -1 when the list refuses the icon.
    int AddShared(const QString& key, const QIcon& icon);
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
    QHash<QString, int> imageBySharedKey;
};
