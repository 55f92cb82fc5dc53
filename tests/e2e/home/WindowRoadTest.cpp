#include <E2ESupport.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <chrono>
#include <cstdio>
#include <thread>
#include <unistd.h>

namespace vd {
namespace {

using nlohmann::json;
namespace fs = std::filesystem;

bool haveTool(const std::string& name) { return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0; }

std::string output(const std::string& command)
{
    std::string text;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, pipe))
            text += buffer;
        ::pclose(pipe);
    }
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    return text;
}

void pause(double seconds) { std::this_thread::sleep_for(std::chrono::milliseconds(static_cast<int>(seconds * 1000))); }

// The centre of a named view in a dump, in window points.
std::pair<int, int> centreOf(const json& dump, const std::string& name)
{
    const json* node = test::findNamed(dump, name);
    if (!node)
        return { -1, -1 };
    const auto& f = (*node)["frame"];
    return { static_cast<int>(f[0].get<double>() + f[2].get<double>() / 2), static_cast<int>(f[1].get<double>() + f[3].get<double>() / 2) };
}

// An X server of its own for one test, and the program on it.
class XSession {
public:
    explicit XSession(const fs::path& folder)
        : m_folder(folder)
    {
        m_display = ":" + std::to_string(90 + ::getpid() % 400);
        m_server = output("Xvfb " + m_display + " -screen 0 1280x1024x24 -nolisten tcp >" + (folder / "xvfb.txt").string() + " 2>&1 & echo $!");
        for (int i = 0; i < 50 && !fs::exists("/tmp/.X11-unix/X" + m_display.substr(1)); ++i)
            pause(0.1);
    }
    ~XSession()
    {
        if (!m_program.empty())
            std::system(("kill -9 " + m_program + " 2>/dev/null").c_str());
        if (!m_server.empty())
            std::system(("kill " + m_server + " 2>/dev/null; sleep 0.2").c_str());
    }
    bool ready() const { return fs::exists("/tmp/.X11-unix/X" + m_display.substr(1)); }
    std::string x(const std::string& command) const { return output("DISPLAY=" + m_display + " " + command); }

    // Starts vardenico app in the environment; the window's id, or empty when none came up.
    std::string start(const std::string& environment)
    {
        m_program = output("env DISPLAY=" + m_display + " " + environment + " " + VARDENICO_BINARY + " app >" + (m_folder / "app.txt").string() + " 2>&1 & echo $!");
        return x("timeout 15 xdotool search --sync --onlyvisible --name '^Vardenico$' 2>/dev/null | head -n 1");
    }
    void click(const std::string& window, std::pair<int, int> at) const
    {
        x("xdotool mousemove --window " + window + " " + std::to_string(at.first) + " " + std::to_string(at.second) + " click 1");
        pause(0.9); // the program's animations run on the real clock here
    }
    // Ends the program the way a closing window does, and its exit status.
    int close()
    {
        const std::string pid = std::exchange(m_program, {});
        std::system(("kill -TERM " + pid).c_str());
        for (int i = 0; i < 100 && std::system(("kill -0 " + pid + " 2>/dev/null").c_str()) == 0; ++i)
            pause(0.1);
        return std::system(("kill -0 " + pid + " 2>/dev/null").c_str()) == 0 ? -1 : 0;
    }

private:
    fs::path m_folder;
    std::string m_display;
    std::string m_server;
    std::string m_program;
};

TEST(WindowRoad, RealClicksThroughTheTutorialAndHome)
{
    if (!haveTool("Xvfb") || !haveTool("xdotool"))
        GTEST_SKIP() << "Xvfb and xdotool are not installed";
    test::TemporaryFolder folder;
    const fs::path home = folder / "data", pictures = folder / "Pictures";
    fs::create_directories(home);
    fs::create_directories(pictures);
    fs::copy_file(fs::path(VARDENICO_RESOURCES_DIR) / "samples" / "sample-picture.png", pictures / "beach.png");

    // Where the controls are, from the same road taken headless on a scratch data folder.
    fs::create_directories(folder / "scratch");
    const std::string scratchEnvironment = "VARDENICO_HOME=" + (folder / "scratch").string() + " VARDENICO_PHOTOS=" + (folder / "scratchPictures").string();
    auto scratch = test::runApp("--headless --scale 1 --script " + std::string(VARDENICO_HOME_SCRIPTS) + "/first_launch.txt --out " + (folder / "dumps").string(), folder.path(), scratchEnvironment);
    ASSERT_EQ(scratch.status, 0) << scratch.errors;
    auto dump = [&](const std::string& name) { return test::readJson(folder / "dumps" / (name + ".json")); };

    XSession session(folder.path());
    ASSERT_TRUE(session.ready()) << "Xvfb did not start";
    const std::string window = session.start("VARDENICO_HOME=" + home.string() + " VARDENICO_PHOTOS=" + pictures.string());
    ASSERT_FALSE(window.empty()) << "no window titled Vardenico";
    EXPECT_EQ(session.x("xdotool getwindowname " + window), "Vardenico");
    pause(0.5);

    session.click(window, centreOf(dump("tutorial1"), "myButtonOk"));
    session.click(window, centreOf(dump("tutorial2"), "myButtonOk"));
    session.click(window, centreOf(dump("consent"), "alertAction1"));
    session.click(window, centreOf(dump("tutorial3"), "myButtonOk"));
    auto defaults = test::readJson(home / "defaults.json");
    EXPECT_EQ(defaults.value("avvioFatto", ""), "fatto") << "START was pressed";
    EXPECT_EQ(defaults.value("photoLibraryAuthorizationStatus", 0), 3) << "the consent dialog was answered";

    session.click(window, centreOf(dump("notice"), "alertAction0"));
    session.click(window, centreOf(dump("home"), "myButtonLogoNew"));
    session.x("import -window root " + (folder / "home.png").string() + " 2>/dev/null");
    if (const char* keep = std::getenv("VARDENICO_KEEP_SCREENSHOT"))
        fs::copy_file(folder / "home.png", keep, fs::copy_options::overwrite_existing);

    ASSERT_EQ(session.close(), 0) << "the program did not end when its window closed";
    defaults = test::readJson(home / "defaults.json");
    EXPECT_EQ(defaults.value("aggiornamento1", ""), "visualizzato");
    EXPECT_TRUE(fs::exists(home / "dictModel.sqlite"));
    EXPECT_TRUE(fs::is_directory(pictures / "Vardenico"));
    std::ifstream analytics(home / "analytics.jsonl");
    std::string text((std::istreambuf_iterator<char>(analytics)), {});
    EXPECT_NE(text.find("\"Home Appear\""), std::string::npos);
}

}
}
