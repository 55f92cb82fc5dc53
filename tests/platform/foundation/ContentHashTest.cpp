#include <platform/foundation/ContentHash.h>
#include <platform/foundation/Files.h>

#include "TestSupport.h"

// The digests are SHA-256's, as every other tool computes them: stamped photos carry them, and
// photos stamped by an earlier version must still be recognised.
TEST(ContentHash, DigestsAreSha256InLowerCaseHexadecimalForBytesAndFiles)
{
    EXPECT_EQ(vd::ContentHash::ofBytes({}), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    vd::ContentHash pieces;
    pieces.add("a");
    pieces.add(std::string_view("bc"));
    EXPECT_EQ(pieces.finish(), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    const std::string million(1'000'000, 'a');
    EXPECT_EQ(vd::ContentHash::ofBytes(std::span(reinterpret_cast<const std::uint8_t*>(million.data()), million.size())),
        "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");

    // A file hashes as its bytes at sizes around the blocks it is read in; a missing one is named.
    vd::test::TemporaryFolder folder;
    for (const std::size_t size : { std::size_t { 0 }, std::size_t { 1 }, std::size_t { 1 } << 18, (std::size_t { 1 } << 18) + 1, std::size_t { 700'001 } }) {
        std::vector<std::uint8_t> bytes(size);
        for (std::size_t i = 0; i < size; ++i)
            bytes[i] = static_cast<std::uint8_t>(i * 31 + i / 251);
        ASSERT_TRUE(vd::files::writeAtomically(folder / "photo.jpg", bytes, vd::files::Existing::Replace));
        EXPECT_EQ(vd::ContentHash::ofFile(folder / "photo.jpg").value(), vd::ContentHash::ofBytes(bytes)) << size << " bytes";
    }
    auto missing = vd::ContentHash::ofFile(folder / "gone.jpg");
    EXPECT_TRUE(!missing && missing.error().message.contains("gone.jpg"));
}
