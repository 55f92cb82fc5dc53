#pragma once

#include <platform/foundation/Error.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <sys/types.h>

namespace vd {

// A claim on an output file that is about to be written, for runs (processes, machines sharing a
// folder) that write into one folder at once: a hidden file beside the output, created with
// O_EXCL, that names its holder (host, process, what it writes). Whoever creates it owns the
// output until release; the others see it busy. A claim whose holder is gone (a dead process on
// this host, or a claim older than staleAfter from elsewhere) is taken over.
class OutputClaim {
public:
    struct Holder {
        std::string host;    // host name and process namespace: where the pid means something
        long pid { 0 };
        std::string process; // the holder's start time, so a reused pid is not taken for it
        std::string item;    // what the holder writes (for a batch: the source's name)
    };

    // The claim on output, or none when a live holder has it (holder, when given, tells who).
    // Fails only when the claim file cannot be made (a folder nobody may write).
    static Result<std::optional<OutputClaim>> tryClaim(const std::filesystem::path& output, const std::string& item, std::chrono::seconds staleAfter, Holder* holder = nullptr);

    OutputClaim(OutputClaim&& other) noexcept;
    OutputClaim& operator=(OutputClaim&& other) noexcept;
    OutputClaim(const OutputClaim&) = delete;
    OutputClaim& operator=(const OutputClaim&) = delete;
    ~OutputClaim() { release(); }

    // Removes the claim file, unless another run took it over meanwhile.
    void release();

    static std::filesystem::path claimPath(const std::filesystem::path& output);
    static bool isClaimFile(const std::string& fileName);
    // Removes the claims in folder whose holders are gone; returns how many.
    static std::size_t removeStale(const std::filesystem::path& folder, std::chrono::seconds staleAfter);

private:
    OutputClaim() = default;
    std::filesystem::path m_path;
    dev_t m_device { 0 };
    ino_t m_inode { 0 };
};

}
