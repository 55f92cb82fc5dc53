#include <platform/foundation/Analytics.h>
#include <platform/foundation/Log.h>
#include <platform/foundation/Paths.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <unistd.h>

namespace vd {

namespace {
std::string utcNow()
{
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto millis = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm parts;
    gmtime_r(&seconds, &parts);
    char text[96];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec, static_cast<int>(millis));
    return text;
}
}

AnalyticsSink& AnalyticsSink::shared()
{
    static AnalyticsSink sink(paths::documentsDirectory() / "analytics.jsonl");
    return sink;
}

AnalyticsSink::AnalyticsSink(std::filesystem::path file)
    : m_file(std::move(file))
{
}

void AnalyticsSink::start()
{
    if (m_started)
        return;
    m_started = true;
    logEvent("Session Start");
}

void AnalyticsSink::logEvent(const std::string& name, const std::map<std::string, nlohmann::json>& attributes)
{
    nlohmann::json line { { "event", name }, { "attributes", nlohmann::json::object() }, { "time", utcNow() } };
    for (const auto& [key, value] : attributes)
        line["attributes"][key] = value;
    const std::string text = line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
    std::lock_guard lock(m_mutex);
    // One write of a whole line to a file opened for appending keeps lines whole.
    const int fd = ::open(m_file.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    bool written = false;
    if (fd >= 0) {
        written = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
        ::close(fd);
    }
    if (!written && !m_warned) {
        m_warned = true;
        log::warning(m_file.string() + ": usage events cannot be written (" + std::strerror(errno) + ")");
    }
}

}
