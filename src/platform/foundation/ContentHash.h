#pragma once

#include <platform/foundation/Error.h>

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

namespace vd {

// SHA-256 digests as 64 lower-case hexadecimal digits: the identity of a file's content.
class ContentHash {
public:
    ContentHash();
    ~ContentHash();
    ContentHash(const ContentHash&) = delete;
    ContentHash& operator=(const ContentHash&) = delete;

    void add(std::span<const std::uint8_t> bytes);
    void add(std::string_view text);
    std::string finish(); // the digest of everything added; the hash is spent

    static std::string ofBytes(std::span<const std::uint8_t> bytes);
    // The digest of a file's bytes, read in blocks; fails naming the file when it cannot be read.
    static Result<std::string> ofFile(const std::filesystem::path& path);

private:
    void* m_state { nullptr };
};

}
