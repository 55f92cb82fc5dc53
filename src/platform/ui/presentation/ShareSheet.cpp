#include <platform/ui/presentation/ShareSheet.h>

#include <platform/foundation/Files.h>
#include <platform/foundation/Paths.h>
#include <platform/foundation/Process.h>
#include <platform/photos/LibraryLocation.h>
#include <platform/ui/presentation/AlertController.h>
#include <platform/ui/controls/Label.h>
#include <platform/ui/presentation/Popover.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <unistd.h>

namespace vd {

namespace {

std::optional<std::filesystem::path> findProgram(const std::string& name)
{
    const char* path = std::getenv("PATH");
    std::string folders = path ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= folders.size()) {
        const size_t end = folders.find(':', start);
        const std::string folder = folders.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!folder.empty()) {
            const auto candidate = std::filesystem::path(folder) / name;
            if (::access(candidate.c_str(), X_OK) == 0)
                return candidate;
        }
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return std::nullopt;
}

std::string timestamp()
{
    const std::time_t now = std::time(nullptr);
    std::tm local {};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H.%M.%S", &local);
    return text;
}

}

std::string ShareOutcome::summary() const
{
    std::string text;
    if (savedPicture)
        text += "The picture was saved as " + savedPicture->string() + ".";
    if (textCopied)
        text += std::string(text.empty() ? "" : "\n") + "The text was copied to the clipboard.";
    for (const auto& problem : problems)
        text += std::string(text.empty() ? "" : "\n") + problem;
    return text.empty() ? "Nothing to share." : text;
}

std::filesystem::path ShareSheet::picturesFolder()
{
    return photoLibraryFolder();
}

Result<std::filesystem::path> ShareSheet::savePicture(std::span<const std::uint8_t> png, const std::filesystem::path& folder, const std::string& baseName)
{
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error)
        return fail(folder.string(), "cannot create the folder: " + error.message());
    const std::string stem = baseName + " " + timestamp();
    for (int attempt = 1; attempt < 10000; ++attempt) {
        const auto path = folder / (stem + (attempt > 1 ? " " + std::to_string(attempt) : std::string()) + ".png");
        if (std::filesystem::exists(path, error))
            continue;
        auto written = files::writeAtomically(path, png, files::Existing::Keep);
        if (written)
            return path;
        // Someone took the name between the look and the write: try the next one.
        if (std::filesystem::exists(path, error))
            continue;
        return std::unexpected(written.error());
    }
    return fail(folder.string(), "no free file name for " + stem);
}

std::vector<std::string> ShareSheet::clipboardCommand()
{
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    const char* display = std::getenv("DISPLAY");
    if (wayland && *wayland)
        if (auto program = findProgram("wl-copy"))
            return { program->string() };
    if (display && *display) {
        if (auto program = findProgram("xclip"))
            return { program->string(), "-selection", "clipboard" };
        if (auto program = findProgram("xsel"))
            return { program->string(), "--clipboard", "--input" };
    }
    return {};
}

Result<void> ShareSheet::copyToClipboard(const std::string& text)
{
    const auto command = clipboardCommand();
    if (command.empty())
        return fail("clipboard", "no clipboard program for this session (wl-copy under Wayland, xclip or xsel under X11)");
    // The clipboard programs read everything, then leave a helper serving the selection and exit.
    auto status = runProgram(command, text, 3);
    if (!status)
        return std::unexpected(status.error());
    if (*status != 0)
        return fail(command[0], "could not take the text (exit status " + std::to_string(*status) + ")");
    return {};
}

ShareOutcome ShareSheet::share(const ShareItems& items)
{
    ShareOutcome outcome;
    if (!items.pngData.empty()) {
        auto saved = savePicture(items.pngData, picturesFolder());
        if (saved)
            outcome.savedPicture = *saved;
        else
            outcome.problems.push_back("The picture was not saved: " + saved.error().message);
    }
    if (!items.text.empty()) {
        auto copied = copyToClipboard(items.text);
        if (copied) {
            outcome.textCopied = true;
            outcome.clipboardTool = std::filesystem::path(clipboardCommand().front()).filename().string();
        } else {
            outcome.problems.push_back("The text \"" + items.text + "\" was not copied: " + copied.error().message);
        }
    }
    return outcome;
}

void ShareSheet::present(View& host, const ShareItems& items, const std::shared_ptr<View>& anchor, std::function<void(const ShareOutcome&)> completion)
{
    const ShareOutcome outcome = share(items);
    if (anchor) {
        auto content = View::make();
        content->setBackgroundColor(Color::whiteColor());
        auto label = View::make<Label>();
        label->setName("shareResult");
        label->setNumberOfLines(0);
        label->setFont("Helvetica", 14);
        label->setText(outcome.summary());
        const Size size = label->sizeThatFits({ 280, 0 });
        label->setFrame({ 16, 12, 280, size.height });
        content->addSubview(label);
        auto popover = View::make<Popover>(content);
        popover->setName("shareSheet");
        popover->setPreferredContentSize({ 312, size.height + 24 });
        popover->setSourceView(anchor);
        popover->setSourceRect(anchor->bounds());
        popover->setPermittedArrowDirections(Popover::ArrowAny);
        popover->setOnDismiss([completion, outcome] {
            if (completion)
                completion(outcome);
        });
        popover->present(host);
        return;
    }
    auto alert = AlertController::make("Vardenico", outcome.summary());
    alert->setName("shareSheet");
    alert->addAction("OK", AlertController::ActionStyle::Default, [completion, outcome] {
        if (completion)
            completion(outcome);
    });
    alert->present(host);
}

}
