#pragma once

#include <expected>
#include <string>
#include <utility>

namespace vd {

// A failure a user can read: which file or input, and why.
struct Error {
    std::string message;

    static Error at(const std::string& where, const std::string& reason) { return Error { where + ": " + reason }; }
};

template<typename T>
using Result = std::expected<T, Error>;

inline std::unexpected<Error> fail(std::string message) { return std::unexpected(Error { std::move(message) }); }
inline std::unexpected<Error> fail(const std::string& where, const std::string& reason) { return std::unexpected(Error::at(where, reason)); }

}
