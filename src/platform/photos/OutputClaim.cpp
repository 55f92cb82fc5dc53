#include <platform/photos/OutputClaim.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <signal.h>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace vd {

namespace {

constexpr const char* kClaimSuffix = ".vardenico-claim";

// Host name and pid namespace: two containers may share a host name but not a pid namespace.
const std::string& thisHost()
{
    static const std::string host = [] {
        char name[256] = {};
        ::gethostname(name, sizeof name - 1);
        char ns[64] = {};
        const ssize_t length = ::readlink("/proc/self/ns/pid", ns, sizeof ns - 1);
        return std::string(name) + (length > 0 ? "/" + std::string(ns, static_cast<size_t>(length)) : "");
    }();
    return host;
}

// A process's start time in clock ticks since boot (field 22 of /proc/PID/stat); empty if gone.
std::string processStart(long pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const size_t end = text.rfind(')'); // the command name may hold spaces
    if (end == std::string::npos)
        return {};
    std::istringstream fields(text.substr(end + 1));
    std::string field;
    for (int number = 3; number <= 22 && fields >> field; ++number)
        if (number == 22)
            return field;
    return {};
}

const std::string& thisProcessStart()
{
    static const std::string start = processStart(::getpid());
    return start;
}

// One line per field: host, pid, process start, item (which may hold anything but a line break).
std::string describe(const OutputClaim::Holder& holder)
{
    std::string item = holder.item;
    for (char& c : item)
        if (c == '\n')
            c = ' ';
    return holder.host + "\n" + std::to_string(holder.pid) + "\n" + holder.process + "\n" + item + "\n";
}

std::optional<OutputClaim::Holder> readHolder(const std::filesystem::path& path)
{
    std::ifstream in(path);
    OutputClaim::Holder holder;
    std::string pid;
    if (!std::getline(in, holder.host) || !std::getline(in, pid) || !std::getline(in, holder.process) || !std::getline(in, holder.item))
        return std::nullopt; // not written yet, or not a claim
    holder.pid = std::strtol(pid.c_str(), nullptr, 10);
    return holder;
}

bool isStale(const std::optional<OutputClaim::Holder>& holder, const struct stat& facts, std::chrono::seconds staleAfter)
{
    if (holder && holder->host == thisHost() && holder->pid > 0) {
        if (::kill(static_cast<pid_t>(holder->pid), 0) != 0 && errno == ESRCH)
            return true;
        return processStart(holder->pid) != holder->process; // the pid now belongs to another process
    }
    // Another machine's holder cannot be asked; its claim lasts for staleAfter. A claim with no
    // holder written into it a few seconds after it was made belongs to a run killed in between.
    const auto modified = std::chrono::system_clock::time_point(std::chrono::seconds(facts.st_mtim.tv_sec));
    return std::chrono::system_clock::now() - modified > (holder ? staleAfter : std::chrono::seconds(5));
}

// Removes a claim judged stale (facts: the file judged). It is first moved aside and checked to be
// that file, as another run may have taken it over and claimed afresh in between; a fresh claim
// moved by mistake is put back. True when the stale claim is gone.
bool removeStaleClaim(const std::filesystem::path& path, const struct stat& facts)
{
    const std::filesystem::path aside = path.string() + "." + std::to_string(::getpid()) + ".stale";
    if (::rename(path.c_str(), aside.c_str()) != 0)
        return false;
    struct stat moved {};
    const bool same = ::lstat(aside.c_str(), &moved) == 0 && moved.st_dev == facts.st_dev && moved.st_ino == facts.st_ino;
    // Should a third run have claimed in the meantime, the link fails and two runs believe they
    // hold the output: it is still written once, as saving never replaces a file.
    if (!same)
        (void)::link(aside.c_str(), path.c_str());
    ::unlink(aside.c_str());
    return same;
}

}

std::filesystem::path OutputClaim::claimPath(const std::filesystem::path& output)
{
    return output.parent_path() / ("." + output.filename().string() + kClaimSuffix);
}

bool OutputClaim::isClaimFile(const std::string& fileName)
{
    return fileName.starts_with(".") && fileName.ends_with(kClaimSuffix);
}

Result<std::optional<OutputClaim>> OutputClaim::tryClaim(const std::filesystem::path& output, const std::string& item, std::chrono::seconds staleAfter, Holder* holder)
{
    const std::filesystem::path path = claimPath(output);
    for (int attempt = 0; attempt < 8; ++attempt) {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd >= 0) {
            const std::string text = describe({ thisHost(), long(::getpid()), thisProcessStart(), item });
            const bool written = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
            struct stat facts {};
            ::fstat(fd, &facts);
            ::close(fd);
            OutputClaim claim;
            claim.m_path = path;
            claim.m_device = facts.st_dev;
            claim.m_inode = facts.st_ino;
            if (!written)
                return fail(path.string(), std::string("cannot write the claim file (") + std::strerror(errno) + ")");
            return std::optional<OutputClaim>(std::move(claim));
        }
        if (errno != EEXIST)
            return fail(output.parent_path().string(), std::string("cannot create a file there (") + std::strerror(errno) + ")");
        struct stat facts {};
        if (::lstat(path.c_str(), &facts) != 0)
            continue; // released meanwhile
        const auto current = readHolder(path);
        if (!isStale(current, facts, staleAfter)) {
            if (holder && current)
                *holder = *current;
            return std::optional<OutputClaim>();
        }
        if (!removeStaleClaim(path, facts))
            return std::optional<OutputClaim>();
    }
    return std::optional<OutputClaim>();
}

OutputClaim::OutputClaim(OutputClaim&& other) noexcept
    : m_path(std::exchange(other.m_path, {}))
    , m_device(other.m_device)
    , m_inode(other.m_inode)
{
}

OutputClaim& OutputClaim::operator=(OutputClaim&& other) noexcept
{
    if (this != &other) {
        release();
        m_path = std::exchange(other.m_path, {});
        m_device = other.m_device;
        m_inode = other.m_inode;
    }
    return *this;
}

void OutputClaim::release()
{
    if (m_path.empty())
        return;
    struct stat facts {};
    if (::lstat(m_path.c_str(), &facts) == 0 && facts.st_dev == m_device && facts.st_ino == m_inode)
        ::unlink(m_path.c_str());
    m_path.clear();
}

std::size_t OutputClaim::removeStale(const std::filesystem::path& folder, std::chrono::seconds staleAfter)
{
    std::size_t removed = 0;
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error); !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
        if (!isClaimFile(it->path().filename().string()))
            continue;
        struct stat facts {};
        if (::lstat(it->path().c_str(), &facts) == 0 && isStale(readHolder(it->path()), facts, staleAfter) && removeStaleClaim(it->path(), facts))
            ++removed;
    }
    return removed;
}

}
