#pragma once

// The tag at the start of the data of every site-tree item and every list item.
// Readers look at it before using the rest of the data.
enum class ItemKind : int {
    None = 0,
    File = 1,
    Directory = 3,
    Site = 5,
    Group = 6,
};
