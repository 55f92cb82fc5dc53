#include <platform/ui/presentation/ShareSheet.h>

#include <platform/foundation/Files.h>
#include <platform/foundation/Paths.h>
#include <platform/photos/LibraryLocation.h>
#include <platform/ui/presentation/AlertController.h>
#include <platform/ui/controls/Label.h>
#include <platform/ui/presentation/Popover.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <pthread.h>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/wait.h>
#include <thread>
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
    int input[2];
    if (::pipe2(input, O_CLOEXEC) != 0)
        return fail("clipboard", std::strerror(errno));
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(input[0]);
        ::close(input[1]);
        return fail("clipboard", std::strerror(errno));
    }
    if (child == 0) {
        ::dup2(input[0], STDIN_FILENO);
        const int null = ::open("/dev/null", O_WRONLY);
        if (null >= 0) {
            ::dup2(null, STDOUT_FILENO);
            ::dup2(null, STDERR_FILENO);
        }
        std::vector<char*> argv;
        for (const auto& part : command)
            argv.push_back(const_cast<char*>(part.c_str()));
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(input[0]);
    // The clipboard programs read everything, then leave a helper serving the selection and exit.
    // One that quits early must not kill this process with SIGPIPE: block it while writing and
    // take back any that was raised.
    sigset_t pipeSignal, previous;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSignal, &previous);
    size_t sent = 0;
    while (sent < text.size()) {
        const ssize_t n = ::write(input[1], text.data() + sent, text.size() - sent);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        sent += static_cast<size_t>(n);
    }
    ::close(input[1]);
    const timespec noWait {};
    while (sigtimedwait(&pipeSignal, nullptr, &noWait) == SIGPIPE) {
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    int status = 0;
    for (int waited = 0;; ++waited) {
        const pid_t done = ::waitpid(child, &status, WNOHANG);
        if (done == child)
            break;
        if (waited >= 300) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            return fail(command[0], "did not finish within 3 seconds");
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || sent < text.size())
        return fail(command[0], "could not take the text (exit status " + std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1) + ")");
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
