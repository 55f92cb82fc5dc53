#include <services/ViewModel.h>
#include <platform/store/KeyedArchive.h>

namespace vd {

using store::KeyedArchiver;
using store::KeyedUnarchiver;

ViewModel::ViewModel(std::string nomeImg, double alpha, std::string type, Color tintColor, double largezza, double altezza, double centrox, double centroy,
    double rotazione, std::string testo, std::string fontName, double fontSize, Color textColor, std::int64_t textAllin)
    : nomeImg(std::move(nomeImg))
    , alpha(alpha)
    , type(std::move(type))
    , tintColor(tintColor)
    , largezza(largezza)
    , altezza(altezza)
    , centrox(centrox)
    , centroy(centroy)
    , rotazione(rotazione)
    , testo(std::move(testo))
    , fontName(std::move(fontName))
    , fontSize(fontSize)
    , textColor(textColor)
    , textAllin(textAllin)
{
}

void ViewModel::encodeWithCoder(KeyedArchiver& coder) const
{
    coder.encodeString("nomeImg", nomeImg);
    coder.encodeDouble("alpha", alpha);
    coder.encodeString("type", type);
    coder.encodeColor("tintColor", tintColor);
    coder.encodeDouble("larghezza", largezza);
    coder.encodeDouble("altezza", altezza);
    coder.encodeDouble("centrox", centrox);
    coder.encodeDouble("centroy", centroy);
    coder.encodeDouble("rotazione", rotazione);
    coder.encodeString("testo", testo);
    coder.encodeString("fontName", fontName);
    coder.encodeDouble("fontSize", fontSize);
    coder.encodeColor("textColor", textColor);
    coder.encodeInteger("textAllin", textAllin);
}

std::optional<ViewModel> ViewModel::initWithCoder(const KeyedUnarchiver& coder)
{
    if (coder.className() != kClassName)
        return std::nullopt;
    ViewModel record;
    auto string = [&](const char* key, std::string& field) {
        auto value = coder.decodeString(key);
        if (value)
            field = std::move(*value);
        return value.has_value();
    };
    auto number = [&](const char* key, double& field) {
        auto value = coder.decodeDouble(key);
        if (value)
            field = *value;
        return value.has_value();
    };
    auto colour = [&](const char* key, Color& field) {
        auto value = coder.decodeColor(key);
        if (value)
            field = *value;
        return value.has_value();
    };
    const bool complete = string("nomeImg", record.nomeImg) && number("alpha", record.alpha) && string("type", record.type) && colour("tintColor", record.tintColor)
        && number("larghezza", record.largezza) && number("altezza", record.altezza) && number("centrox", record.centrox) && number("centroy", record.centroy)
        && number("rotazione", record.rotazione) && string("testo", record.testo) && string("fontName", record.fontName) && number("fontSize", record.fontSize)
        && colour("textColor", record.textColor);
    if (!complete)
        return std::nullopt;
    if (coder.containsValueForKey("textAllin")) {
        auto alignment = coder.decodeInteger("textAllin");
        if (!alignment)
            return std::nullopt;
        record.textAllin = *alignment;
    }
    return record;
}

nlohmann::json archiveRootWithViewModels(const std::vector<ViewModel>& records)
{
    std::vector<nlohmann::json> items;
    items.reserve(records.size());
    for (const auto& record : records) {
        KeyedArchiver coder(ViewModel::kClassName);
        record.encodeWithCoder(coder);
        items.push_back(coder.take());
    }
    return store::archive::encodeArray(std::move(items));
}

std::vector<std::uint8_t> archivedDataWithViewModels(const std::vector<ViewModel>& records) { return store::archive::archivedData(archiveRootWithViewModels(records)); }

Result<std::vector<ViewModel>> viewModelsFromArchiveRoot(const nlohmann::json& root, const std::string& where)
{
    const nlohmann::json* items = store::archive::arrayItems(root);
    if (!items)
        return fail(where, "the layer archive does not hold a list");
    std::vector<ViewModel> records;
    records.reserve(items->size());
    for (size_t i = 0; i < items->size(); ++i) {
        auto record = ViewModel::initWithCoder(KeyedUnarchiver((*items)[i]));
        if (!record)
            return fail(where, "layer " + std::to_string(i) + " of the layer archive is not a complete layer record");
        records.push_back(std::move(*record));
    }
    return records;
}

Result<std::vector<ViewModel>> unarchiveViewModels(std::span<const std::uint8_t> bytes, const std::string& where)
{
    auto root = store::archive::unarchivedRoot(bytes, where);
    if (!root)
        return std::unexpected(root.error());
    return viewModelsFromArchiveRoot(*root, where);
}

std::vector<std::uint8_t> archivedDataWithColor(const Color& color) { return store::archive::archivedData(store::archive::encodeColor(color)); }

Result<Color> unarchiveColor(std::span<const std::uint8_t> bytes, const std::string& where)
{
    auto root = store::archive::unarchivedRoot(bytes, where);
    if (!root)
        return std::unexpected(root.error());
    auto color = store::archive::decodeColor(*root);
    if (!color)
        return fail(where, "the colour archive does not hold a colour");
    return *color;
}

}
