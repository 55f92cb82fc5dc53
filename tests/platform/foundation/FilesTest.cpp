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
    EXPECT_TRUE(!kept && kept.error().message.contains("out.bin") && *files::readAll(target) == first);
    ASSERT_TRUE(files::writeAtomically(target, second, files::Existing::Replace));
    EXPECT_EQ(*files::readAll(target), second);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1) << "no temporary file left";

    auto missing = files::readAll(folder / "nothing.png");
    EXPECT_TRUE(!missing && missing.error().message.contains("nothing.png")) << "read errors name the file";
    EXPECT_FALSE(files::readAll(folder.path()));
    ASSERT_TRUE(files::writeAtomically(folder / "big", std::vector<std::uint8_t>(100)));
    EXPECT_FALSE(files::readAll(folder / "big", 10));
}
