#include "browser/image_list.h"

CImageList::CImageList(QSize iconSize, int initialCapacity, int growBy)
    : iconSize(iconSize), growBy(static_cast<std::size_t>(growBy)) {
    icons.reserve(static_cast<std::size_t>(initialCapacity));
}

int CImageList::Add(const QIcon& icon) {
    if (icon.isNull()) return -1;
    // Grow in large steps: a listing appends one image per file.
    if (icons.size() == icons.capacity()) icons.reserve(icons.capacity() + growBy);
    icons.push_back(icon);
    return Count() - 1;
}

void CImageList::RemoveAll() { icons.clear(); }

QIcon CImageList::Icon(int index) const {
    if (index < 0 || index >= Count()) return {};
    return icons[static_cast<std::size_t>(index)];
}
