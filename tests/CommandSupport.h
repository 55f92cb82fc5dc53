#pragma once

// Runs the real vardenico program as a user would, for the command-line and fault tests.

#include "Unprivileged.h"

#include <platform/foundation/Files.h>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace vd::test {

struct CommandOutcome {
    int status { -1 };  // the exit status; -1 when ended by a signal
    int signal { 0 };   // the signal that ended it
    std::string output; // stdout
    std::string errors; // stderr
};

struct CommandOptions {
    std::filesystem::path home;    // VARDENICO_HOME: the documents folder with the logo store
    std::filesystem::path photos;  // VARDENICO_PHOTOS, when not empty
    bool asNobody { false };       // run as the unprivileged user
    std::optional<rlim_t> fileSizeLimit; // bytes any one file may grow to (a full disk)
};

// A started program; finish() waits for it and collects what it printed.
class RunningCommand {
public:
    RunningCommand(const std::vector<std::string>& arguments, const CommandOptions& options, const std::filesystem::path& scratch)
        : m_outPath(scratch.string() + ".out")
        , m_errPath(scratch.string() + ".err")
    {
        std::fflush(nullptr);
        m_pid = ::fork();
        if (m_pid != 0)
            return;
        const int out = ::open(m_outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
        const int err = ::open(m_errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
        if (out < 0 || err < 0)
            ::_exit(120);
        ::dup2(out, 1);
        ::dup2(err, 2);
        if (!options.home.empty())
            ::setenv("VARDENICO_HOME", options.home.c_str(), 1);
        if (!options.photos.empty())
            ::setenv("VARDENICO_PHOTOS", options.photos.c_str(), 1);
        ::setenv("HOME", options.home.empty() ? "/nonexistent" : options.home.c_str(), 1);
        if (options.fileSizeLimit) {
            // Writes past the limit fail with EFBIG instead of ending the program.
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit { *options.fileSizeLimit, *options.fileSizeLimit };
            ::setrlimit(RLIMIT_FSIZE, &limit);
        }
        if (options.asNobody && ::geteuid() == 0 && (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0))
            ::_exit(121);
        std::vector<char*> argv;
        static std::string program = VARDENICO_BINARY;
        argv.push_back(program.data());
        std::vector<std::string> copies = arguments;
        for (auto& argument : copies)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        ::execv(program.c_str(), argv.data());
        ::_exit(122);
    }

    pid_t pid() const { return m_pid; }

    CommandOutcome finish()
    {
        CommandOutcome outcome;
        int status = 0;
        if (m_pid <= 0 || ::waitpid(m_pid, &status, 0) != m_pid)
            return outcome;
        outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        outcome.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
        outcome.output = text(m_outPath);
        outcome.errors = text(m_errPath);
        std::filesystem::remove(m_outPath);
        std::filesystem::remove(m_errPath);
        m_pid = -1;
        return outcome;
    }

    ~RunningCommand()
    {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            finish();
        }
    }

private:
    static std::string text(const std::string& path)
    {
        auto bytes = files::readAll(path);
        return bytes ? std::string(bytes->begin(), bytes->end()) : std::string();
    }

    std::string m_outPath;
    std::string m_errPath;
    pid_t m_pid { -1 };
};

inline CommandOutcome runVardenico(const std::vector<std::string>& arguments, const CommandOptions& options, const std::filesystem::path& scratch)
{
    RunningCommand command(arguments, options, scratch);
    return command.finish();
}

// The number of lines of text, the last one counted even without its line break.
inline std::size_t lineCount(const std::string& text)
{
    std::size_t lines = 0;
    for (char c : text)
        lines += c == '\n';
    return lines + (!text.empty() && text.back() != '\n');
}

// The whole contents of a file as text; empty when it cannot be read.
inline std::string fileText(const std::filesystem::path& path)
{
    auto bytes = files::readAll(path);
    return bytes ? std::string(bytes->begin(), bytes->end()) : std::string();
}

// Runs a command line through the shell; the outcome's output holds stdout and stderr together.
inline CommandOutcome runShell(const std::string& command)
{
    CommandOutcome outcome;
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (!pipe)
        return outcome;
    char buffer[4096];
    while (size_t count = std::fread(buffer, 1, sizeof buffer, pipe))
        outcome.output.append(buffer, count);
    const int status = ::pclose(pipe);
    outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return outcome;
}

}
