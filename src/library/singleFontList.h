#pragma once

#include <string>
#include <vector>

namespace vd {

// The installed fonts, for the editor's font list.
class singleFontList {
public:
    static singleFontList& sharedInstance();
    std::vector<std::string> printFonts() const; // every font's PostScript name, sorted by code point
};

}
