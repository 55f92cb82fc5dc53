#pragma once

#include <platform/foundation/Error.h>

#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

namespace vd::files {

// Reads a whole file; refuses files larger than maxBytes before reading them.
Result<std::vector<std::uint8_t>> readAll(const std::filesystem::path& path, std::uintmax_t maxBytes = std::uintmax_t(1) << 31);

enum class Existing { Replace, Keep };

// Writes bytes to a temporary name in the target's folder, flushes it to disk and renames it into
// place, so a reader never sees a partial file. With Existing::Keep an existing target is never
// replaced: the write fails instead.
Result<void> writeAtomically(const std::filesystem::path& path, std::span<const std::uint8_t> bytes, Existing existing = Existing::Replace);

}
