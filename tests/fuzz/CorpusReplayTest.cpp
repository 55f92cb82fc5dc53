#include "FuzzTargets.h"

#include <platform/foundation/Files.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <set>

// Every committed input of every fuzz target goes through the target again: the seeds and every
// input that ever made a reader crash, so a fixed fault stays fixed. Under ./test.sh --sanitize
// a fault in a reader fails here with the sanitizer's report.
namespace vd::fuzz {
namespace {

namespace fs = std::filesystem;

const fs::path kCorpus = VARDENICO_FUZZ_CORPUS;

class CorpusReplay : public ::testing::TestWithParam<Target> { };

TEST_P(CorpusReplay, EveryCommittedInputIsReadWithoutFault)
{
    const fs::path folder = kCorpus / GetParam().name;
    ASSERT_TRUE(fs::is_directory(folder)) << folder << " holds this target's inputs";
    std::set<fs::path> inputs;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.is_regular_file())
            inputs.insert(entry.path());
    EXPECT_GE(inputs.size(), 3u) << "a few seeds at least, that the reader accepts and refuses";
    for (const fs::path& input : inputs) {
        SCOPED_TRACE(input.string());
        const std::vector<std::uint8_t> bytes = files::readAll(input).value();
        EXPECT_EQ(GetParam().run(bytes.data(), bytes.size()), 0);
    }
    // The empty input too: every reader meets an empty file sooner or later.
    EXPECT_EQ(GetParam().run(nullptr, 0), 0);
}

TEST(CorpusReplay, EveryCorpusFolderBelongsToATarget)
{
    std::set<std::string> names;
    std::ranges::transform(targets(), std::inserter(names, names.end()), &Target::name);
    for (const auto& entry : fs::directory_iterator(kCorpus))
        EXPECT_TRUE(names.contains(entry.path().filename().string())) << entry.path() << " is read by no target";
}

INSTANTIATE_TEST_SUITE_P(Fuzz, CorpusReplay, ::testing::ValuesIn(targets()),
    [](const ::testing::TestParamInfo<Target>& info) { return std::string(info.param.name); });

}
}
