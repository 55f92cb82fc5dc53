#pragma once

#include <platform/foundation/Error.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vd {

class View;

// What a screen shares: an encoded picture (PNG) and a text, either may be empty.
struct ShareItems {
    std::vector<std::uint8_t> pngData;
    std::string text;
};

// What sharing did on this machine.
struct ShareOutcome {
    std::optional<std::filesystem::path> savedPicture;
    bool textCopied { false };
    std::string clipboardTool;         // the program that took the text, when one did
    std::vector<std::string> problems; // sentences a person can read
    std::string summary() const;       // one line per result, for the panel that reports them
};

// Sharing on Linux: the picture is saved into the photo library's folder (the user's Pictures
// folder unless the settings page or VARDENICO_PHOTOS name another) under a new name, never over
// an existing file; the text goes to the clipboard through wl-copy, xclip or xsel, whichever the
// session can use. present() does that and shows what happened, in a popover anchored to the
// given view (as on tablets) or in an alert.
class ShareSheet {
public:
    static ShareOutcome share(const ShareItems& items);
    static void present(View& host, const ShareItems& items, const std::shared_ptr<View>& anchor = nullptr, std::function<void(const ShareOutcome&)> completion = {});

    static std::filesystem::path picturesFolder();
    // Writes bytes as "<baseName> <date time>.png" in folder, adding " 2", " 3"… while the name is taken.
    static Result<std::filesystem::path> savePicture(std::span<const std::uint8_t> png, const std::filesystem::path& folder, const std::string& baseName = "Vardenico");
    // The clipboard program this session can use, e.g. {"xclip", "-selection", "clipboard"}; empty if none.
    static std::vector<std::string> clipboardCommand();
    static Result<void> copyToClipboard(const std::string& text);
};

}
