#pragma once

#include <platform/foundation/Error.h>

#include <cstdio>
#include <filesystem>
#include <string>

namespace vd {

// A new file being written in a folder under a hidden temporary name. commit() flushes it to disk
// and gives it the first free name of the form <stem><suffix><extension>, <stem><suffix>_2<extension>…
// without ever replacing an existing file; a pending file that is never committed is removed.
// A process killed while writing leaves at most a hidden temporary file, never a partial file
// under a final name.
class PendingFile {
public:
    static Result<PendingFile> create(const std::filesystem::path& folder);

    PendingFile(PendingFile&& other) noexcept;
    PendingFile& operator=(PendingFile&& other) noexcept;
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;
    ~PendingFile();

    std::FILE* stream() const { return m_stream; } // valid until commit() or discard()
    const std::filesystem::path& temporaryPath() const { return m_temporary; }

    // Removes the hidden temporary files a killed process left in folder: those made before this
    // process started and not held by a process still writing them. Returns how many went.
    static std::size_t removeAbandoned(const std::filesystem::path& folder);

    // Names the file; the final path on success. The pending file is gone either way. Names are
    // tried from the firstAttempt-th (1: <stem><extension>, 2: <stem>_2<extension>…) on.
    Result<std::filesystem::path> commit(const std::string& stem, const std::string& extension, int firstAttempt = 1);
    void discard();

private:
    PendingFile() = default;
    std::filesystem::path m_folder;
    std::filesystem::path m_temporary;
    std::FILE* m_stream { nullptr };
};

// "<stem>_vardenico" for a source photo path, the name stamped copies are saved under.
std::string stampedFileStem(const std::filesystem::path& source);
// The attempt-th name commit() tries: <stem><extension>, then <stem>_2<extension>…
std::string numberedFileName(const std::string& stem, const std::string& extension, int attempt);

}
