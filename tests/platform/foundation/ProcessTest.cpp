#include <platform/foundation/Process.h>

#include <TestSupport.h>

#include <fstream>

using namespace vd;

TEST(Process, RunsAProgramWithItsInputAndAnswersItsExitStatusOrWhyNot)
{
    test::TemporaryFolder folder;
    const auto copy = folder / "copy.txt";
    auto status = runProgram({ "/bin/sh", "-c", "cat > '" + copy.string() + "'" }, "text for the clipboard", 5);
    ASSERT_TRUE(status) << status.error().message;
    EXPECT_EQ(*status, 0);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(std::ifstream(copy).rdbuf()), {}), "text for the clipboard");

    EXPECT_EQ(runProgram({ "/bin/sh", "-c", "exit 3" }, "", 5).value(), 3);

    // A missing program, or one that hangs, is reported, not awaited.
    auto missing = runProgram({ "/no/such/program" }, "x", 5);
    ASSERT_FALSE(missing);
    EXPECT_NE(missing.error().message.find("/no/such/program"), std::string::npos);

    auto hanging = runProgram({ "/bin/sleep", "30" }, "", 0.2);
    ASSERT_FALSE(hanging);
    EXPECT_NE(hanging.error().message.find("did not finish"), std::string::npos);

    // A program that reads nothing and exits does not take this process down with SIGPIPE.
    auto deaf = runProgram({ "/bin/true" }, std::string(1 << 20, 'x'), 5);
    ASSERT_FALSE(deaf);
    EXPECT_NE(deaf.error().message.find("stopped reading"), std::string::npos);
}
