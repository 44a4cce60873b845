#include "browser/image_list.h"

#include <algorithm>

ImageList::ImageList(QSize iconSize, int initialCapacity, int growBy)
    : iconSize(iconSize), growBy(static_cast<std::size_t>(growBy)) {
    images.reserve(static_cast<std::size_t>(initialCapacity));
}

int ImageList::Add(const QIcon& icon) {
    if (icon.isNull()) return -1;
    auto known = pictureByKey.constFind(icon.cacheKey());
    std::uint32_t picture = 0;
    if (known != pictureByKey.constEnd()) {
        picture = *known;
    } else {
        picture = static_cast<std::uint32_t>(pictures.size());
        pictures.push_back(icon);
        pictureByKey.insert(icon.cacheKey(), picture);
    }
    // Grow in large steps, and in steps that grow with the list.
    if (images.size() == images.capacity())
        images.reserve(images.capacity() + std::max(growBy, images.capacity() / 2));
    images.push_back(picture);
    return Count() - 1;
}

int ImageList::SharedIndex(const QString& key) const { return imageBySharedKey.value(key, -1); }

int ImageList::AddShared(const QString& key, const QIcon& icon) {
    const int known = SharedIndex(key);
    if (known >= 0) return known;
    const int added = Add(icon);
    if (added >= 0) imageBySharedKey.insert(key, added);
    return added;
}

void ImageList::RemoveAll() {
    std::vector<std::uint32_t>().swap(images);
    pictures.clear();
    pictureByKey.clear();
    imageBySharedKey.clear();
}

QIcon ImageList::Icon(int index) const {
    if (index < 0 || index >= Count()) return {};
    return pictures[images[static_cast<std::size_t>(index)]];
}
