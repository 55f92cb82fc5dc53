#include <platform/graphics/Fonts.h>

#include <algorithm>
#include <fontconfig/fontconfig.h>
#include <memory>

namespace vd::fonts {

namespace {
struct PatternDeleter {
    void operator()(FcPattern* pattern) const { FcPatternDestroy(pattern); }
};
struct ObjectSetDeleter {
    void operator()(FcObjectSet* set) const { FcObjectSetDestroy(set); }
};
struct FontSetDeleter {
    void operator()(FcFontSet* set) const { FcFontSetDestroy(set); }
};
}

std::vector<std::string> installedFontNames()
{
    std::vector<std::string> names;
    if (!FcInit())
        return names;
    std::unique_ptr<FcPattern, PatternDeleter> pattern(FcPatternCreate());
    std::unique_ptr<FcObjectSet, ObjectSetDeleter> objects(FcObjectSetBuild(FC_POSTSCRIPT_NAME, nullptr));
    std::unique_ptr<FcFontSet, FontSetDeleter> fonts(FcFontList(nullptr, pattern.get(), objects.get()));
    if (!fonts)
        return names;
    for (int i = 0; i < fonts->nfont; ++i) {
        FcChar8* name = nullptr;
        if (FcPatternGetString(fonts->fonts[i], FC_POSTSCRIPT_NAME, 0, &name) == FcResultMatch && name && *name)
            names.emplace_back(reinterpret_cast<const char*>(name));
    }
    // std::string compares bytes as unsigned, which for UTF-8 is code point order.
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    return names;
}

}
