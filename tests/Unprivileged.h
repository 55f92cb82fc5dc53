#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vd::test {

// The identity of the unprivileged user every Debian system has.
inline constexpr uid_t kNobody = 65534;

// Runs body in a child process that has given up root for the user "nobody", so that tests of
// unreadable files and folders mean the same whoever runs the suite (CI runs it as root, which
// reads everything). The child's failed expectations are printed by the child; the call returns
// whether body passed. Files body needs must be reachable by nobody.
inline bool passesAsUnprivilegedUser(const std::function<void()>& body)
{
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child < 0)
        return false;
    if (child == 0) {
        if (::geteuid() == 0 && (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0))
            ::_exit(3);
        body();
        std::fflush(nullptr);
        ::_exit(::testing::Test::HasFailure() ? 1 : 0);
    }
    int status = 0;
    if (::waitpid(child, &status, 0) != child)
        return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}
