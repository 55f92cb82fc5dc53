#pragma once

#include <compare>
#include <string>

namespace vd {

// The address of an item (or a row) in a sectioned list.
struct IndexPath {
    long section { 0 };
    long item { 0 };

    static IndexPath forItem(long item, long section) { return { section, item }; }
    static IndexPath forRow(long row, long section) { return { section, row }; }
    long row() const { return item; }
    friend auto operator<=>(const IndexPath&, const IndexPath&) = default;
    std::string text() const { return std::to_string(section) + "." + std::to_string(item); } // "section.item"
};

}
