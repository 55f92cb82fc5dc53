#include <TestSupport.h>

#include <hosts/AutomationScript.h>
#include <hosts/HeadlessHost.h>
#include <hosts/Host.h>

namespace vd {
namespace {

using Journal = std::vector<std::string>;

// Records every callback the hosts deliver; the application's own hooks are put back at the end.
struct Recorder {
    Journal journal;
    bool idleFlag { false };
    Recorder()
    {
        setApplicationLifecycle({
            [this] { journal.push_back("active"); idleFlag = true; },
            [this] { journal.push_back("resign"); idleFlag = false; },
            [this] { journal.push_back("background"); },
            [this] { journal.push_back("foreground"); },
            [this] { journal.push_back("terminate"); },
            [this] { return idleFlag; },
        });
    }
    ~Recorder() { setApplicationLifecycle({}); }
    Journal take() { return std::exchange(journal, {}); }
};

TEST(Lifecycle, EventsArriveInTheApplicationsOrderWhateverTheHostSees)
{
    Recorder recorder;
    LifecycleDriver driver;
    EXPECT_FALSE(driver.idleTimerDisabled());
    driver.becomeActive();
    driver.becomeActive();
    EXPECT_EQ(recorder.take(), (Journal { "active" })) << "a repeated focus is one activation";
    EXPECT_TRUE(driver.idleTimerDisabled());

    driver.resignActive();
    driver.becomeActive();
    EXPECT_EQ(recorder.take(), (Journal { "resign", "active" })) << "losing focus is not going to the background";

    driver.enterBackground();
    driver.enterBackground();
    driver.resignActive();
    EXPECT_EQ(recorder.take(), (Journal { "resign", "background" }));
    EXPECT_FALSE(driver.idleTimerDisabled());

    driver.becomeActive(); // a focus while minimised brings the program back first
    driver.enterForeground();
    EXPECT_EQ(recorder.take(), (Journal { "foreground", "active" })) << "one return per stay in the background";

    driver.terminate();
    driver.terminate();
    driver.becomeActive();
    EXPECT_EQ(recorder.take(), (Journal { "resign", "background", "terminate" })) << "terminate once, nothing after";
}

TEST(Lifecycle, HeadlessScriptsSendTheProgramToTheBackgroundAndBack)
{
    test::TemporaryFolder folder;
    RunLoop::main().setClock(RunLoop::Clock::Virtual);
    Recorder recorder;
    HeadlessHost host(*parseAutomationScript("background\nforeground\nbackground\nforeground\n", "s.txt"), "s.txt", folder.path(), 1);
    EXPECT_EQ(host.run(std::make_shared<Window>(Size { 100, 100 })), 0);
    EXPECT_EQ(recorder.take(), (Journal { "active", "resign", "background", "foreground", "active", "resign", "background", "foreground", "active", "resign", "background", "terminate" }));
}

}
}
