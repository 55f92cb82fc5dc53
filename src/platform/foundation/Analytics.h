#pragma once

#include <filesystem>
#include <map>
#include <mutex>
#include <nlohmann/json.hpp>
#include <string>

namespace vd {

// Named usage events kept on this machine: one JSON object a line,
// {"event": NAME, "attributes": {...}, "time": "2026-05-01T10:00:00.000Z"}, appended to
// analytics.jsonl in the documents folder. Nothing is ever sent anywhere.
class AnalyticsSink {
public:
    static AnalyticsSink& shared(); // writes to the documents folder's analytics.jsonl

    explicit AnalyticsSink(std::filesystem::path file);

    void start(); // marks the start of a run with the event "Session Start"
    bool isStarted() const { return m_started; }
    // Attribute values are strings or numbers. A failed write is reported once and then ignored.
    void logEvent(const std::string& name, const std::map<std::string, nlohmann::json>& attributes = {});

    const std::filesystem::path& file() const { return m_file; }

private:
    std::filesystem::path m_file;
    std::mutex m_mutex;
    bool m_started { false };
    bool m_warned { false };
};

}
