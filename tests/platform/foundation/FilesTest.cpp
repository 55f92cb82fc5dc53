#include <platform/foundation/Files.h>

#include "TestSupport.h"

namespace files = vd::files;

TEST(Files, AtomicWriteReplacesOrKeepsAndLeavesNoTemporaryFilesAndErrorsNameTheFile)
{
    vd::test::TemporaryFolder folder;
    const auto target = folder / "out.bin";
    const std::vector<std::uint8_t> first { 1, 2, 3 }, second { 9 };
    ASSERT_TRUE(files::writeAtomically(target, first));
    auto kept = files::writeAtomically(target, second, files::Existing::Keep);
    ASSERT_FALSE(kept);
    EXPECT_NE(kept.error().message.find("out.bin"), std::string::npos);
    EXPECT_EQ(*files::readAll(target), first);
    ASSERT_TRUE(files::writeAtomically(target, second, files::Existing::Replace));
    EXPECT_EQ(*files::readAll(target), second);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1) << "no temporary file left";

    // Read errors name the file.
    auto missing = files::readAll(folder / "nothing.png");
    ASSERT_FALSE(missing);
    EXPECT_NE(missing.error().message.find("nothing.png"), std::string::npos);
    EXPECT_FALSE(files::readAll(folder.path()));
    ASSERT_TRUE(files::writeAtomically(folder / "big", std::vector<std::uint8_t>(100)));
    EXPECT_FALSE(files::readAll(folder / "big", 10));
}
