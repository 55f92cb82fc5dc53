#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

namespace vd::cli {

// Progress of long work: a bar redrawn in place when stderr is a terminal, one plain line per
// item otherwise (for logs and scripts).
class ProgressReporter {
public:
    explicit ProgressReporter(std::string verb, std::FILE* terminal = stderr);
    ~ProgressReporter();

    bool isTerminal() const { return m_terminal; }
    // After each item: its position done of count (0: not known), its name, and an error when it
    // failed.
    void itemFinished(std::size_t done, std::size_t count, int percent, const std::string& item, const std::string& result, bool failed);
    void finish(); // ends the bar's line

private:
    void drawBar(std::size_t done, std::size_t count, int percent, const std::string& item);

    std::string m_verb;
    std::FILE* m_stream;
    bool m_terminal { false };
    bool m_barShown { false };
};

}
