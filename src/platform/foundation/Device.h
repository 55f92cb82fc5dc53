#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace vd {

// Facts about the machine the program runs on.
class Device {
public:
    enum class Kind { Phone, Tablet };

    static Device& current();

    std::string machineIdentifier() const; // uname's machine field, e.g. "x86_64"
    Kind kind() const { return m_kind; }   // phone unless the host says otherwise
    void setKind(Kind kind) { m_kind = kind; }
    bool isTablet() const { return m_kind == Kind::Tablet; }

    // Free bytes for an unprivileged user on the volume holding path; nothing when it cannot be read.
    static std::optional<std::int64_t> freeSpace(const std::filesystem::path& path);

private:
    Kind m_kind { Kind::Phone };
};

}
