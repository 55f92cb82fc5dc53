#include <cli/ProgressReporter.h>

#include <sys/ioctl.h>
#include <unistd.h>

namespace vd::cli {

ProgressReporter::ProgressReporter(std::string verb, std::FILE* terminal)
    : m_verb(std::move(verb))
    , m_stream(terminal)
    , m_terminal(::isatty(::fileno(terminal)) == 1)
{
}

ProgressReporter::~ProgressReporter()
{
    finish();
}

void ProgressReporter::drawBar(std::size_t done, std::size_t count, int percent, const std::string& item)
{
    int columns = 80;
    winsize size {};
    if (::ioctl(::fileno(m_stream), TIOCGWINSZ, &size) == 0 && size.ws_col > 20)
        columns = size.ws_col;
    const int barWidth = columns >= 100 ? 40 : 20;
    const int filled = barWidth * percent / 100;
    std::string bar(static_cast<size_t>(filled), '#');
    bar.append(static_cast<size_t>(barWidth - filled), '.');
    char counts[64];
    if (count)
        std::snprintf(counts, sizeof counts, " %3d%% %zu/%zu ", percent, done, count);
    else // a list read as it goes: how long it is is not known
        std::snprintf(counts, sizeof counts, " %zu ", done);
    std::string line = m_verb + " [" + bar + "]" + counts;
    const int room = columns - 1 - static_cast<int>(line.size());
    if (room > 3) {
        std::string name = item;
        if (static_cast<int>(name.size()) > room)
            name = "…" + name.substr(name.size() - static_cast<size_t>(room - 1));
        line += name;
    }
    std::fprintf(m_stream, "\r\033[K%s", line.c_str());
    std::fflush(m_stream);
    m_barShown = true;
}

void ProgressReporter::itemFinished(std::size_t done, std::size_t count, int percent, const std::string& item, const std::string& result, bool failed)
{
    if (m_terminal) {
        if (failed) {
            // Errors stay on screen above the bar.
            std::fprintf(m_stream, "\r\033[K%s\n", result.c_str());
        }
        drawBar(done, count, percent, item);
        return;
    }
    if (count == 0 && failed)
        std::fprintf(stderr, "[%zu] failed: %s\n", done, result.c_str());
    else if (count == 0)
        std::fprintf(stdout, "[%zu] %s -> %s\n", done, item.c_str(), result.c_str());
    else if (failed)
        std::fprintf(stderr, "[%zu/%zu] failed: %s\n", done, count, result.c_str());
    else
        std::fprintf(stdout, "[%zu/%zu] %d%% %s -> %s\n", done, count, percent, item.c_str(), result.c_str());
    std::fflush(stdout);
}

void ProgressReporter::finish()
{
    if (m_barShown) {
        std::fputc('\n', m_stream);
        std::fflush(m_stream);
        m_barShown = false;
    }
}

}
