#include <platform/store/KeyedArchive.h>

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>
#include <random>

using namespace vd::store;

TEST(KeyedArchive, DoublesReadBackBitForBit)
{
    std::vector<double> values { 0.0, -0.0, 120.5, 0.1, 1.0 / 3.0, M_PI, -1e-310, std::numeric_limits<double>::denorm_min(),
        std::numeric_limits<double>::max(), std::numeric_limits<double>::lowest(), std::numeric_limits<double>::infinity(),
        -std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN(), 9007199254740993.0, 2.0 };
    std::mt19937_64 random(42);
    for (int i = 0; i < 2000; ++i)
        values.push_back(std::bit_cast<double>(random()));
    for (double value : values) {
        KeyedArchiver archiver("Thing");
        archiver.encodeDouble("value", value);
        auto root = archive::unarchivedRoot(archive::archivedData(archiver.encoded()), "test");
        ASSERT_TRUE(root);
        EXPECT_EQ(std::bit_cast<std::uint64_t>(KeyedUnarchiver(*root).decodeDouble("value").value_or(-1.5)), std::bit_cast<std::uint64_t>(value)) << value;
    }
}

TEST(KeyedArchive, IntegersStringsAndColoursKeepTheirKindsAndWhatIsNotAnArchiveIsRefused)
{
    KeyedArchiver archiver("Thing");
    archiver.encodeInteger("count", 2);
    archiver.encodeInteger("big", std::numeric_limits<std::int64_t>::min());
    archiver.encodeDouble("ratio", 2.0);
    archiver.encodeString("name", "Caffè \"Nero\"");
    archiver.encodeColor("tint", vd::Color::rgba(1.0, 0.5, 1.0 / 3.0, 0.25));
    auto root = archive::unarchivedRoot(archive::archivedData(archiver.encoded()), "test");
    ASSERT_TRUE(root);
    KeyedUnarchiver decoder(*root);
    EXPECT_EQ(std::tuple(decoder.className(), decoder.decodeInteger("count"), decoder.decodeInteger("big")), std::tuple(std::string("Thing"), std::optional<std::int64_t>(2), std::optional(std::numeric_limits<std::int64_t>::min())));
    EXPECT_TRUE(!decoder.decodeInteger("ratio") && !decoder.decodeDouble("count") && !decoder.decodeString("count")) << "each kind is only itself";
    EXPECT_EQ(std::tuple(decoder.decodeString("name"), decoder.decodeColor("tint")), std::tuple(std::optional<std::string>("Caffè \"Nero\""), std::optional(vd::Color::rgba(1.0, 0.5, 1.0 / 3.0, 0.25))));
    EXPECT_TRUE(!decoder.decodeColor("name") && !decoder.containsValueForKey("missing") && !decoder.containsValueForKey("$class"));

    // What is not an archive is refused, naming where it came from.
    auto bytesOf = [](const std::string& text) { return std::vector<std::uint8_t>(text.begin(), text.end()); };
    for (const char* text : { "", "bplist00\x01\x02", "{\"root\": 1}", "{\"$archiver\":\"VardenicoKeyedArchive\",\"$version\":9,\"root\":1}" })
        EXPECT_FALSE(archive::unarchivedRoot(bytesOf(text), "row 3")) << text;
    const std::string deep = "{\"$archiver\":\"VardenicoKeyedArchive\",\"$version\":1,\"root\":" + std::string(100000, '[') + std::string(100000, ']') + "}";
    auto refused = archive::unarchivedRoot(bytesOf(deep), "row 3");
    EXPECT_TRUE(!refused && refused.error().message.contains("row 3"));
    EXPECT_TRUE(archive::unarchivedRoot(bytesOf("{\"$archiver\":\"VardenicoKeyedArchive\",\"$version\":1,\"root\":\"x\"}"), "row 3"));
}
