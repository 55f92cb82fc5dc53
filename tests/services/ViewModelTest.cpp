#include <services/ViewModel.h>
#include <platform/store/KeyedArchive.h>

#include <gtest/gtest.h>

#include <cmath>

using vd::Color;
using vd::ViewModel;

namespace {

ViewModel textLayer()
{
    return ViewModel("testo", 0.85, "text", Color::clear(), 120.5, 44.25, 150.125, 149.875, -std::atan2(0.5, 0.8660254037844387), "Caffè Nero", "GilliusADF-Bold",
        33.333333333333336, Color::rgba(1.0, 127.0 / 255.0, 0.0, 1.0), 2);
}

ViewModel imageLayer(const std::string& type = "image")
{
    return ViewModel("c1b", 1.0, type, Color::rgba(0.1, 0.2, 0.3, 0.4), 80.0, 80.0, 10.0 / 3.0, 0.1 + 0.2, M_PI / 7, "", "", 0, Color::clear(), 0);
}

std::string archiveText(const std::vector<ViewModel>& records)
{
    const auto bytes = vd::archivedDataWithViewModels(records);
    return std::string(bytes.begin(), bytes.end());
}

}

TEST(ViewModelArchive, ListOfRecordsReadsBackBitForBitInOrderWithEachFieldUnderItsKeyAndAnOldOneLeftAligned)
{
    const std::vector<ViewModel> records { imageLayer(), textLayer(), imageLayer("shape") };
    auto decoded = vd::unarchiveViewModels(vd::archivedDataWithViewModels(records), "test");
    ASSERT_TRUE(decoded) << decoded.error().message;
    EXPECT_EQ(*decoded, records) << "every field exactly, and a type that is neither \"image\" nor \"text\" as it is";
    EXPECT_TRUE(vd::unarchiveViewModels(vd::archivedDataWithViewModels({}), "test").value().empty()) << "an empty list stays an empty list";
    // An archive written before the alignment was kept reads as left-aligned.
    auto root = vd::archiveRootWithViewModels({ textLayer() });
    root["items"][0].erase("textAllin");
    ViewModel leftAligned = textLayer();
    leftAligned.textAllin = 0;
    EXPECT_EQ(vd::unarchiveViewModels(vd::store::archive::archivedData(root), "test").value(), std::vector { leftAligned });

    // The width is stored under "larghezza", beside every other field's own key.
    const std::string text = archiveText({ textLayer() });
    EXPECT_EQ(text.find("\"largezza\""), std::string::npos);
    for (const char* key : { "larghezza", "nomeImg", "alpha", "type", "tintColor", "altezza", "centrox", "centroy", "rotazione", "testo", "fontName", "fontSize", "textColor", "textAllin" })
        EXPECT_NE(text.find(std::string("\"") + key + "\""), std::string::npos) << key;
}

TEST(ViewModelArchive, RecordMissingARequiredKeyOrHoldingAnotherKindIsRefused)
{
    for (const char* key : { "larghezza", "nomeImg", "alpha", "tintColor", "textColor" }) {
        auto root = vd::archiveRootWithViewModels({ imageLayer(), textLayer() });
        root["items"][1].erase(key);
        auto decoded = vd::unarchiveViewModels(vd::store::archive::archivedData(root), "row 4 layers");
        EXPECT_TRUE(!decoded && decoded.error().message.contains("row 4 layers") && decoded.error().message.contains("layer 1")) << key;
    }
    // A string where a number belongs, a double where the alignment's integer belongs; a colour
    // archive for a layer list, and the other way round.
    for (auto [key, value] : { std::pair { "alpha", nlohmann::json("opaque") }, { "textAllin", vd::store::archive::encodeDouble(1.0) } }) {
        auto root = vd::archiveRootWithViewModels({ imageLayer() });
        root["items"][0][key] = value;
        EXPECT_FALSE(vd::unarchiveViewModels(vd::store::archive::archivedData(root), "test")) << key;
    }
    EXPECT_FALSE(vd::unarchiveViewModels(vd::archivedDataWithColor(Color::whiteColor()), "test"));
    EXPECT_FALSE(vd::unarchiveColor(vd::archivedDataWithViewModels({ imageLayer() }), "test"));
    EXPECT_EQ(vd::unarchiveColor(vd::archivedDataWithColor(Color::rgba(0.2, 0.4, 0.6, 0.8)), "test").value(), Color::rgba(0.2, 0.4, 0.6, 0.8));
}
