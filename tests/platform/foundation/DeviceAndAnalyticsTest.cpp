#include <platform/foundation/Analytics.h>
#include <platform/foundation/Device.h>
#include <platform/foundation/Files.h>

#include "TestSupport.h"

#include <gtest/gtest.h>
#include <sstream>

using namespace vd;

TEST(Device, FreeSpaceOfAFolderAndNothingForAMissingOne)
{
    vd::test::TemporaryFolder folder;
    auto free = Device::freeSpace(folder.path());
    ASSERT_TRUE(free);
    EXPECT_GT(*free, 0);
    EXPECT_FALSE(Device::freeSpace(folder / "missing"));
}

TEST(Analytics, EventsAreAppendedOneJsonObjectALineAndAnUnwritableFileIsReportedOnce)
{
    vd::test::TemporaryFolder folder;
    AnalyticsSink sink(folder / "analytics.jsonl");
    sink.start();
    sink.start(); // once per run
    sink.logEvent("Home Appear", { { "Autorizazzione Foto", "true" } });
    sink.logEvent("Quintara Applico a foto", { { "N° foto", 12 } });
    AnalyticsSink later(folder / "analytics.jsonl");
    later.logEvent("Logo Maker Appear");

    auto bytes = files::readAll(folder / "analytics.jsonl");
    ASSERT_TRUE(bytes);
    std::istringstream lines(std::string(bytes->begin(), bytes->end()));
    std::vector<nlohmann::json> events;
    for (std::string line; std::getline(lines, line);)
        events.push_back(nlohmann::json::parse(line));
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[0]["event"], "Session Start");
    EXPECT_EQ(events[1]["event"], "Home Appear");
    EXPECT_EQ(events[1]["attributes"]["Autorizazzione Foto"], "true");
    EXPECT_EQ(events[2]["attributes"]["N° foto"], 12);
    EXPECT_EQ(events[3]["event"], "Logo Maker Appear");
    EXPECT_TRUE(events[3]["attributes"].empty());
    const std::string time = events[3]["time"];
    EXPECT_EQ(time.size(), 24u);
    EXPECT_EQ(time.back(), 'Z');

    // An unwritable file is reported once and ignored.
    AnalyticsSink lost(folder / "missing-folder" / "analytics.jsonl");
    testing::internal::CaptureStderr();
    lost.logEvent("A");
    lost.logEvent("B");
    const std::string diagnostics = testing::internal::GetCapturedStderr();
    EXPECT_NE(diagnostics.find("analytics.jsonl"), std::string::npos);
    EXPECT_EQ(diagnostics.find("analytics.jsonl"), diagnostics.rfind("analytics.jsonl"));
}
