#include <platform/foundation/ContentHash.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <openssl/evp.h>
#include <unistd.h>
#include <vector>

namespace vd {

// OpenSSL's SHA-256 uses the processor's SHA instructions where it has them: hashing every photo
// of a batch costs a few milliseconds instead of a tenth of a second each.
ContentHash::ContentHash()
    : m_state(EVP_MD_CTX_new())
{
    if (m_state && EVP_DigestInit_ex(static_cast<EVP_MD_CTX*>(m_state), EVP_sha256(), nullptr) != 1) {
        EVP_MD_CTX_free(static_cast<EVP_MD_CTX*>(m_state));
        m_state = nullptr;
    }
}

ContentHash::~ContentHash()
{
    EVP_MD_CTX_free(static_cast<EVP_MD_CTX*>(m_state));
}

void ContentHash::add(std::span<const std::uint8_t> bytes)
{
    if (m_state && !bytes.empty())
        EVP_DigestUpdate(static_cast<EVP_MD_CTX*>(m_state), bytes.data(), bytes.size());
}

void ContentHash::add(std::string_view text)
{
    add(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

std::string ContentHash::finish()
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (!m_state || EVP_DigestFinal_ex(static_cast<EVP_MD_CTX*>(m_state), digest, &length) != 1)
        std::abort(); // only an allocation failure gets here: there is no digest to give
    static constexpr char kHex[] = "0123456789abcdef";
    std::string text(length * 2, '0');
    for (unsigned int i = 0; i < length; ++i) {
        text[i * 2] = kHex[digest[i] >> 4];
        text[i * 2 + 1] = kHex[digest[i] & 15];
    }
    return text;
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
