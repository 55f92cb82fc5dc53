#include <library/singleFontList.h>
#include <platform/graphics/Fonts.h>

namespace vd {

singleFontList& singleFontList::sharedInstance()
{
    static singleFontList list;
    return list;
}

std::vector<std::string> singleFontList::printFonts() const { return fonts::installedFontNames(); }

}
