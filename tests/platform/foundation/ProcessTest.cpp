#include <platform/foundation/Process.h>

#include <TestSupport.h>

#include <fstream>

using namespace vd;

TEST(Process, RunsAProgramWithItsInputAndAnswersItsExitStatusOrWhyNot)
{
    test::TemporaryFolder folder;
    const auto copy = folder / "copy.txt";
    auto status = runProgram({ "/bin/sh", "-c", "cat > '" + copy.string() + "'" }, "text for the clipboard", 5);
    ASSERT_TRUE(status && *status == 0) << (status ? "" : status.error().message);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(std::ifstream(copy).rdbuf()), {}), "text for the clipboard");

    EXPECT_EQ(runProgram({ "/bin/sh", "-c", "exit 3" }, "", 5).value(), 3);

    // A missing program, or one that hangs, is reported, not awaited.
    auto missing = runProgram({ "/no/such/program" }, "x", 5);
    EXPECT_TRUE(!missing && missing.error().message.contains("/no/such/program"));
    auto hanging = runProgram({ "/bin/sleep", "30" }, "", 0.2);
    EXPECT_TRUE(!hanging && hanging.error().message.contains("did not finish"));

    // A program that reads nothing and exits does not take this process down with SIGPIPE.
    auto deaf = runProgram({ "/bin/true" }, std::string(1 << 20, 'x'), 5);
    EXPECT_TRUE(!deaf && deaf.error().message.contains("stopped reading"));
}
