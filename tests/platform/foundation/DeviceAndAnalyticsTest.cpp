#include <platform/foundation/Analytics.h>
#include <platform/foundation/Files.h>

#include "TestSupport.h"

#include <fstream>

using namespace vd;

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

    std::ifstream lines(folder / "analytics.jsonl");
    std::vector<nlohmann::json> events;
    for (std::string line; std::getline(lines, line);)
        events.push_back(nlohmann::json::parse(line));
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(std::pair(events[0]["event"], events[1]["event"]), std::pair(nlohmann::json("Session Start"), nlohmann::json("Home Appear")));
    EXPECT_EQ(std::tuple(events[1]["attributes"]["Autorizazzione Foto"], events[2]["attributes"]["N° foto"]), std::tuple(nlohmann::json("true"), nlohmann::json(12)));
    EXPECT_TRUE(events[3]["event"] == "Logo Maker Appear" && events[3]["attributes"].empty());
    const std::string time = events[3]["time"];
    EXPECT_TRUE(time.size() == 24u && time.back() == 'Z') << time;

    // An unwritable file is reported once and ignored.
    AnalyticsSink lost(folder / "missing-folder" / "analytics.jsonl");
    testing::internal::CaptureStderr();
    lost.logEvent("A");
    lost.logEvent("B");
    const std::string diagnostics = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(diagnostics.contains("analytics.jsonl") && diagnostics.find("analytics.jsonl") == diagnostics.rfind("analytics.jsonl")) << diagnostics;
}
