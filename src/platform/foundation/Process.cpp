#include <platform/foundation/Process.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace vd {

namespace {

// Closes a descriptor when the block ends.
struct Descriptor {
    int fd { -1 };
    ~Descriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
    void close()
    {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
};

// Writes everything it can; a program that stops reading early ends the writing, not this
// process: SIGPIPE is blocked meanwhile and any that was raised is taken back.
size_t writeAll(int fd, std::string_view data)
{
    sigset_t pipeSignal, previous;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSignal, &previous);
    size_t sent = 0;
    while (sent < data.size()) {
        const ssize_t n = ::write(fd, data.data() + sent, data.size() - sent);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        sent += static_cast<size_t>(n);
    }
    const timespec noWait {};
    while (sigtimedwait(&pipeSignal, nullptr, &noWait) == SIGPIPE) {
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    return sent;
}

}

Result<int> runProgram(const std::vector<std::string>& arguments, std::string_view input, double timeLimit)
{
    if (arguments.empty())
        return fail("program", "no program to run");
    const std::string& name = arguments.front();
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return fail(name, std::strerror(errno));
    Descriptor readEnd { fds[0] }, writeEnd { fds[1] };

    // Everything the child needs is prepared here, before it exists.
    std::vector<char*> argv;
    for (const auto& part : arguments)
        argv.push_back(const_cast<char*>(part.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, readEnd.fd, STDIN_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    pid_t child = -1;
    const int spawned = posix_spawn(&child, name.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return fail(name, std::string("cannot start it (") + std::strerror(spawned) + ")");
    readEnd.close();

    const size_t sent = writeAll(writeEnd.fd, input);
    writeEnd.close();

    // The kernel says when the child ends: one wait with a time limit, no polling.
    Descriptor exited { static_cast<int>(::syscall(SYS_pidfd_open, child, 0)) };
    if (exited.fd >= 0) {
        pollfd watch { exited.fd, POLLIN, 0 };
        int ready;
        do
            ready = ::poll(&watch, 1, static_cast<int>(timeLimit * 1000));
        while (ready < 0 && errno == EINTR);
        if (ready == 0) {
            ::kill(child, SIGKILL);
            ::waitpid(child, nullptr, 0);
            return fail(name, "did not finish within " + std::to_string(static_cast<int>(timeLimit)) + " seconds");
        }
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status))
        return fail(name, "ended by a signal");
    if (sent < input.size())
        return fail(name, "stopped reading its input");
    return WEXITSTATUS(status);
}

}
