#include <platform/foundation/ContentHash.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <glib.h>
#include <unistd.h>
#include <vector>

namespace vd {

ContentHash::ContentHash()
    : m_state(g_checksum_new(G_CHECKSUM_SHA256))
{
}

ContentHash::~ContentHash()
{
    if (m_state)
        g_checksum_free(static_cast<GChecksum*>(m_state));
}

void ContentHash::add(std::span<const std::uint8_t> bytes)
{
    if (!bytes.empty())
        g_checksum_update(static_cast<GChecksum*>(m_state), bytes.data(), static_cast<gssize>(bytes.size()));
}

void ContentHash::add(std::string_view text)
{
    add(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

std::string ContentHash::finish()
{
    return g_checksum_get_string(static_cast<GChecksum*>(m_state));
}

std::string ContentHash::ofBytes(std::span<const std::uint8_t> bytes)
{
    ContentHash hash;
    hash.add(bytes);
    return hash.finish();
}

Result<std::string> ContentHash::ofFile(const std::filesystem::path& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return fail(path.string(), std::string("cannot be read (") + std::strerror(errno) + ")");
    ContentHash hash;
    std::vector<std::uint8_t> block(1 << 18);
    for (;;) {
        const ssize_t got = ::read(fd, block.data(), block.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            const int error = errno;
            ::close(fd);
            return fail(path.string(), std::string("cannot be read (") + std::strerror(error) + ")");
        }
        if (got == 0)
            break;
        hash.add(std::span(block.data(), static_cast<size_t>(got)));
    }
    ::close(fd);
    return hash.finish();
}

}
