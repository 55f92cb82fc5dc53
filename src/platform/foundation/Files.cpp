#include <platform/foundation/Files.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace vd::files {

namespace fs = std::filesystem;

namespace {

std::string errnoText(int code) { return std::strerror(code); }

struct FileDescriptor {
    int fd { -1 };
    ~FileDescriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

std::string temporaryName(const fs::path& target)
{
    static thread_local std::mt19937_64 random { std::random_device {}() };
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, ".%d.%08llx.tmp", static_cast<int>(::getpid()), static_cast<unsigned long long>(random() & 0xffffffffu));
    return "." + target.filename().string() + suffix;
}

}

Result<std::vector<std::uint8_t>> readAll(const fs::path& path, std::uintmax_t maxBytes)
{
    FileDescriptor file { ::open(path.c_str(), O_RDONLY | O_CLOEXEC) };
    if (file.fd < 0)
        return fail(path.string(), errnoText(errno));
    struct stat info { };
    if (::fstat(file.fd, &info) != 0)
        return fail(path.string(), errnoText(errno));
    if (S_ISDIR(info.st_mode))
        return fail(path.string(), "is a folder, not a file");
    if (static_cast<std::uintmax_t>(info.st_size) > maxBytes)
        return fail(path.string(), "file too large (" + std::to_string(info.st_size) + " bytes)");
    std::vector<std::uint8_t> bytes;
    bytes.reserve(static_cast<size_t>(info.st_size));
    std::uint8_t buffer[1 << 16];
    for (;;) {
        const ssize_t got = ::read(file.fd, buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return fail(path.string(), errnoText(errno));
        }
        if (got == 0)
            break;
        if (bytes.size() + static_cast<size_t>(got) > maxBytes)
            return fail(path.string(), "file too large");
        bytes.insert(bytes.end(), buffer, buffer + got);
    }
    return bytes;
}

Result<void> writeAtomically(const fs::path& path, std::span<const std::uint8_t> bytes, Existing existing)
{
    const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
    const fs::path temporary = folder / temporaryName(path);
    {
        FileDescriptor file { ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644) };
        if (file.fd < 0)
            return fail(path.string(), errnoText(errno));
        size_t written = 0;
        while (written < bytes.size()) {
            const ssize_t put = ::write(file.fd, bytes.data() + written, bytes.size() - written);
            if (put < 0) {
                if (errno == EINTR)
                    continue;
                const int code = errno;
                ::unlink(temporary.c_str());
                return fail(path.string(), errnoText(code));
            }
            written += static_cast<size_t>(put);
        }
        if (::fsync(file.fd) != 0) {
            const int code = errno;
            ::unlink(temporary.c_str());
            return fail(path.string(), errnoText(code));
        }
    }
    if (existing == Existing::Keep) {
        // link() fails with EEXIST instead of replacing, which rename() would do silently.
        if (::link(temporary.c_str(), path.c_str()) != 0) {
            const int code = errno;
            ::unlink(temporary.c_str());
            return fail(path.string(), code == EEXIST ? "a file with this name already exists" : errnoText(code));
        }
        ::unlink(temporary.c_str());
    } else if (::rename(temporary.c_str(), path.c_str()) != 0) {
        const int code = errno;
        ::unlink(temporary.c_str());
        return fail(path.string(), errnoText(code));
    }
    // Make the new name durable too.
    FileDescriptor dir { ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC) };
    if (dir.fd >= 0)
        ::fsync(dir.fd);
    return {};
}

}
