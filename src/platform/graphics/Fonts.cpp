#include <platform/graphics/Fonts.h>

#include <algorithm>
#include <fontconfig/fontconfig.h>
#include <memory>
#include <mutex>
#include <unordered_map>

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
using PatternPtr = std::unique_ptr<FcPattern, PatternDeleter>;
using ObjectSetPtr = std::unique_ptr<FcObjectSet, ObjectSetDeleter>;
using FontSetPtr = std::unique_ptr<FcFontSet, FontSetDeleter>;

// The fonts installed under a PostScript name, with the properties asked for.
FontSetPtr fontsNamed(const std::string& postScriptName, ObjectSetPtr objects)
{
    PatternPtr pattern(FcPatternCreate());
    FcPatternAddString(pattern.get(), FC_POSTSCRIPT_NAME, reinterpret_cast<const FcChar8*>(postScriptName.c_str()));
    return FontSetPtr(FcFontList(nullptr, pattern.get(), objects.get()));
}

}

std::vector<std::string> installedFontNames()
{
    std::vector<std::string> names;
    if (!FcInit())
        return names;
    PatternPtr pattern(FcPatternCreate());
    ObjectSetPtr objects(FcObjectSetBuild(FC_POSTSCRIPT_NAME, nullptr));
    FontSetPtr fonts(FcFontList(nullptr, pattern.get(), objects.get()));
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

bool isInstalled(const std::string& postScriptName)
{
    static std::mutex mutex;
    static std::unordered_map<std::string, bool> known;
    std::lock_guard lock(mutex);
    if (auto it = known.find(postScriptName); it != known.end())
        return it->second;
    const FontSetPtr fonts = fontsNamed(postScriptName, ObjectSetPtr(FcObjectSetBuild(FC_FAMILY, nullptr)));
    return known[postScriptName] = fonts && fonts->nfont > 0;
}

std::optional<Face> faceForPostScriptName(const std::string& postScriptName)
{
    const FontSetPtr fonts = fontsNamed(postScriptName, ObjectSetPtr(FcObjectSetBuild(FC_FAMILY, FC_WEIGHT, FC_SLANT, FC_WIDTH, nullptr)));
    if (!fonts || fonts->nfont == 0)
        return std::nullopt;
    FcPattern* font = fonts->fonts[0];
    FcChar8* family = nullptr;
    int weight = FC_WEIGHT_REGULAR, slant = FC_SLANT_ROMAN;
    FcPatternGetString(font, FC_FAMILY, 0, &family);
    FcPatternGetInteger(font, FC_WEIGHT, 0, &weight);
    FcPatternGetInteger(font, FC_SLANT, 0, &slant);
    if (!family)
        return std::nullopt;
    Face face;
    face.family = reinterpret_cast<const char*>(family);
    face.weight = FcWeightToOpenType(weight);
    face.slant = slant == FC_SLANT_ITALIC ? Face::Slant::Italic : slant == FC_SLANT_OBLIQUE ? Face::Slant::Oblique : Face::Slant::Roman;
    return face;
}

}
