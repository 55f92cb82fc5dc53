#include <platform/photos/PendingFile.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <chrono>
#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace vd {

namespace {

constexpr const char* kTemporaryPrefix = ".vardenico-writing-";

// When this process started, as near as the program can tell: the first use of this file.
const std::filesystem::file_time_type g_processStart = std::filesystem::file_time_type::clock::now();

}

std::size_t PendingFile::removeAbandoned(const std::filesystem::path& folder)
{
    std::size_t removed = 0;
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error); !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (!name.starts_with(kTemporaryPrefix))
            continue;
        std::error_code ignored;
        if (!it->is_regular_file(ignored) || it->last_write_time(ignored) >= g_processStart || ignored)
            continue;
        // A writer holds a lock on its file for as long as it writes; a killed one holds none.
        const int fd = ::open(it->path().c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        if (fd < 0)
            continue;
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::unlink(it->path().c_str()) == 0)
            ++removed;
        ::close(fd);
    }
    return removed;
}

Result<PendingFile> PendingFile::create(const std::filesystem::path& folder)
{
    (void)g_processStart; // made before the first file, so never newer than it
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error)
        return fail(folder.string(), "cannot create the folder (" + error.message() + ")");
    std::string pattern;
    int fd = -1;
    for (int attempt = 0; fd < 0; ++attempt) {
        pattern = (folder / (std::string(kTemporaryPrefix) + "XXXXXX")).string();
        fd = ::mkostemp(pattern.data(), O_CLOEXEC);
        if (fd < 0)
            return fail(folder.string(), std::string("cannot create a file there (") + std::strerror(errno) + ")");
        ::flock(fd, LOCK_EX); // tells a cleaning process the file is still being written
        // Until the lock is taken, another run cleaning the folder may take the new file for one
        // a killed run left and remove it: then it is made again.
        struct stat opened {}, named {};
        if (::fstat(fd, &opened) != 0 || ::stat(pattern.c_str(), &named) != 0 || opened.st_ino != named.st_ino || opened.st_dev != named.st_dev) {
            ::close(fd);
            fd = -1;
            if (attempt == 100)
                return fail(folder.string(), "cannot create a file there (another program keeps removing it)");
        }
    }
    ::fchmod(fd, 0644); // mkstemp makes 0600; a photo is as readable as any other
    std::FILE* stream = ::fdopen(fd, "wb");
    if (!stream) {
        ::close(fd);
        ::unlink(pattern.c_str());
        return fail(folder.string(), std::string("cannot open a file there (") + std::strerror(errno) + ")");
    }
    // Large writes go straight through; the encoder already buffers its output.
    std::setvbuf(stream, nullptr, _IOFBF, 1 << 16);
    PendingFile file;
    file.m_folder = folder;
    file.m_temporary = pattern;
    file.m_stream = stream;
    return file;
}

PendingFile::PendingFile(PendingFile&& other) noexcept
    : m_folder(std::move(other.m_folder))
    , m_temporary(std::move(other.m_temporary))
    , m_stream(std::exchange(other.m_stream, nullptr))
{
    other.m_temporary.clear();
}

PendingFile& PendingFile::operator=(PendingFile&& other) noexcept
{
    if (this != &other) {
        discard();
        m_folder = std::move(other.m_folder);
        m_temporary = std::move(other.m_temporary);
        m_stream = std::exchange(other.m_stream, nullptr);
        other.m_temporary.clear();
    }
    return *this;
}

PendingFile::~PendingFile()
{
    discard();
}

void PendingFile::discard()
{
    if (m_stream) {
        std::fclose(m_stream);
        m_stream = nullptr;
    }
    if (!m_temporary.empty()) {
        ::unlink(m_temporary.c_str());
        m_temporary.clear();
    }
}

Result<std::filesystem::path> PendingFile::commit(const std::string& stem, const std::string& extension, int firstAttempt)
{
    if (!m_stream || m_temporary.empty())
        return fail(m_folder.string(), "nothing to save");
    const std::string where = (m_folder / (stem + extension)).string();
    // The file stays open, and so locked, until it has its name: closed before, another run
    // cleaning the folder would take it for one a killed run left and remove it.
    // A write that failed earlier leaves the error flag even when a later flush has nothing left
    // to write: such a file misses bytes.
    errno = 0;
    if (std::fflush(m_stream) != 0 || std::ferror(m_stream) || ::fsync(::fileno(m_stream)) != 0) {
        const std::string reason = std::strerror(errno ? errno : EIO);
        discard();
        return fail(where, "cannot write the file (" + reason + ")");
    }
    for (int attempt = std::max(1, firstAttempt); attempt < 100000; ++attempt) {
        const std::string name = numberedFileName(stem, extension, attempt);
        const std::filesystem::path target = m_folder / name;
        // renameat2 with RENAME_NOREPLACE fails instead of replacing; where the file system does not
        // offer it, a hard link does the same.
        int result = ::renameat2(AT_FDCWD, m_temporary.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE);
        if (result != 0 && (errno == EINVAL || errno == ENOSYS)) {
            result = ::link(m_temporary.c_str(), target.c_str());
            if (result == 0)
                ::unlink(m_temporary.c_str());
        }
        if (result == 0) {
            m_temporary.clear();
            std::fclose(std::exchange(m_stream, nullptr)); // written and synced above
            if (const int dir = ::open(m_folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dir >= 0) {
                ::fsync(dir);
                ::close(dir);
            }
            return target;
        }
        if (errno != EEXIST) {
            const std::string reason = std::strerror(errno);
            discard();
            return fail(target.string(), "cannot save the file (" + reason + ")");
        }
    }
    discard();
    return fail(where, "no free name");
}

std::string numberedFileName(const std::string& stem, const std::string& extension, int attempt)
{
    return attempt <= 1 ? stem + extension : stem + "_" + std::to_string(attempt) + extension;
}

std::string stampedFileStem(const std::filesystem::path& source)
{
    std::string stem = source.stem().string();
    if (stem.empty() || stem.front() == '.')
        stem = "photo" + stem;
    return stem + "_vardenico";
}

}
