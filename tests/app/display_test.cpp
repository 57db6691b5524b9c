#include "app/display.h"

#include <gtest/gtest.h>

#include <memory>

#include "app/resources/resource.h"
#include "core/exception.h"
#include "tests/app/fakes.h"

namespace velmora::test {
namespace {

using tavelo::Display;
using tavelo::Singleton;
using tavelo::platform::MessageKind;
using tavelo::platform::WindowMessage;
using tavelo::platform::WindowStyle;

const std::string changeFailedText = loadString(IDS_DISPLAY_CHANGE_FAILED);
const std::string insufficientText = loadString(IDS_RESOLUTION_INSUFFICIENT);
const std::string caption = "Velmora - ヴェルモラ";

class DisplayTest : public ::testing::Test {
protected:
    void SetUp() override {
        tavelo::resetDisplayMessageState();
        tavelo::setDisplaySettings(settings);
    }
    void TearDown() override {
        Singleton<Display>::releaseInstance();
        tavelo::setDisplaySettings(nullptr);
    }

    long send(MessageKind kind, int command = 0, int y = 0) {
        return tavelo::handleDisplayMessage(window, WindowMessage{kind, command, 0, y});
    }
    long command(int id) { return send(MessageKind::Command, id); }
    Display& display() { return *Singleton<Display>::getInstance(); }

    std::shared_ptr<FakeDisplaySettings> settings = std::make_shared<FakeDisplaySettings>();
    FakeWindow window;
};

TEST_F(DisplayTest, CreationDecidesTheModeFromTheDesktopSize) {
    struct Case {
        uint32_t width, height;
        std::set<uint32_t> accepted;
        long result;
        bool fullScreen;
        std::vector<std::string> changes;
    };
    const Case cases[] = {
        {1366, 768, {1366, 1360}, 0, true, {"1366x768"}},
        {1360, 768, {1360}, 0, true, {"1366x768", "1360x768"}},
        {1920, 1080, {1366, 1360}, 0, false, {}},
        {1366, 1024, {1366, 1360}, 0, false, {}},
        {1280, 1024, {1366, 1360}, -1, false, {}},
        {1400, 700, {1366, 1360}, -1, false, {}},
        {1360, 1024, {1366, 1360}, -1, false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        TearDown();
        settings = std::make_shared<FakeDisplaySettings>();
        settings->desktop = {c.width, c.height};
        settings->acceptedWidths = c.accepted;
        window = FakeWindow{};
        SetUp();

        EXPECT_EQ(send(MessageKind::Create), c.result);
        EXPECT_EQ(settings->changes, c.changes);
        EXPECT_EQ(display().fullScreen, c.fullScreen);
        if (c.fullScreen) {
            // Full screen for good: both View items greyed, no menu bar, a hidden popup at the origin on top.
            EXPECT_FALSE(window.enabled[IDM_FULL_SCREEN]);
            EXPECT_FALSE(window.enabled[IDM_WINDOW]);
            EXPECT_EQ(window.radio, IDM_FULL_SCREEN);
            EXPECT_FALSE(window.menu);
            EXPECT_EQ(window.windowStyle, WindowStyle::Popup);
            EXPECT_EQ(window.positions, 1);
            EXPECT_TRUE(window.topmost);
            EXPECT_TRUE(window.boxes.empty());
        } else if (c.result == 0) {
            EXPECT_EQ(window.radio, IDM_WINDOW);
            EXPECT_TRUE(window.enabled[IDM_FULL_SCREEN]);
            EXPECT_FALSE(window.enabled[IDM_WINDOW]);
            EXPECT_TRUE(window.menu);
            EXPECT_EQ(window.windowStyle, WindowStyle::Captioned);
            EXPECT_TRUE(window.boxes.empty());
        } else {
            ASSERT_EQ(window.boxes.size(), 1u);
            EXPECT_EQ(window.boxes[0].text, insufficientText);
            EXPECT_EQ(window.boxes[0].caption, caption);
        }
        // Once creation forced full screen or refused the display, no command switches any more.
        const size_t before = settings->changes.size();
        command(IDM_TOGGLE_SCREEN_MODE);
        command(IDM_WINDOW);
        command(IDM_FULL_SCREEN);
        EXPECT_EQ(settings->changes.size() == before, c.fullScreen || c.result == -1);
    }
}

TEST_F(DisplayTest, CommandsFollowTheStateTheyFind) {
    ASSERT_EQ(send(MessageKind::Create), 0);

    // Window: Window and an unknown command do nothing.
    EXPECT_EQ(command(IDM_WINDOW), 0);
    EXPECT_EQ(command(12345), 0);
    EXPECT_TRUE(settings->changes.empty());

    // Full screen by command: Window enabled, Full screen greyed and marked, a visible topmost popup.
    EXPECT_EQ(command(IDM_FULL_SCREEN), 0);
    EXPECT_EQ(settings->changes, (std::vector<std::string>{"1366x768"}));
    EXPECT_TRUE(display().fullScreen);
    EXPECT_TRUE(window.enabled[IDM_WINDOW]);
    EXPECT_FALSE(window.enabled[IDM_FULL_SCREEN]);
    EXPECT_EQ(window.radio, IDM_FULL_SCREEN);
    EXPECT_FALSE(window.menu);
    EXPECT_EQ(window.windowStyle, WindowStyle::VisiblePopup);
    EXPECT_TRUE(window.topmost);

    // Full screen again does nothing.
    command(IDM_FULL_SCREEN);
    EXPECT_EQ(settings->changes.size(), 1u);

    // Back to the window: the desktop mode, the menu bar, the items, the caption, not topmost.
    command(IDM_WINDOW);
    EXPECT_EQ(settings->changes.back(), "restore");
    EXPECT_FALSE(display().fullScreen);
    EXPECT_TRUE(window.menu);
    EXPECT_FALSE(window.enabled[IDM_WINDOW]);
    EXPECT_TRUE(window.enabled[IDM_FULL_SCREEN]);
    EXPECT_EQ(window.radio, IDM_WINDOW);
    EXPECT_EQ(window.windowStyle, WindowStyle::Captioned);
    EXPECT_FALSE(window.topmost);
    EXPECT_EQ(window.positions, 2);

    // Alt+Enter toggles, falling back to 1360 where 1366 is refused.
    settings->acceptedWidths = {1360};
    command(IDM_TOGGLE_SCREEN_MODE);
    EXPECT_TRUE(display().fullScreen);
    EXPECT_EQ(settings->current.width, 1360u);
    command(IDM_TOGGLE_SCREEN_MODE);
    EXPECT_FALSE(display().fullScreen);
    EXPECT_EQ(settings->changes,
              (std::vector<std::string>{"1366x768", "restore", "1366x768", "1360x768", "restore"}));
    EXPECT_TRUE(window.boxes.empty());
}

TEST_F(DisplayTest, FocusLossGivesTheDesktopModeBackAndRegainReappliesIt) {
    ASSERT_EQ(send(MessageKind::Create), 0);
    // In window mode focus changes nothing.
    send(MessageKind::KillFocus);
    send(MessageKind::SetFocus);
    EXPECT_TRUE(settings->changes.empty());
    EXPECT_EQ(window.minimized, 0);

    settings->acceptedWidths = {1360};
    command(IDM_FULL_SCREEN);
    settings->changes.clear();
    send(MessageKind::KillFocus);
    EXPECT_EQ(settings->changes, (std::vector<std::string>{"restore"}));
    EXPECT_TRUE(display().fullScreen);
    EXPECT_FALSE(display().modeApplied);
    EXPECT_EQ(window.minimized, 1);
    // A second loss restores nothing more, but minimises again.
    send(MessageKind::KillFocus);
    EXPECT_EQ(settings->changes.size(), 1u);
    EXPECT_EQ(window.minimized, 2);

    // The mode that succeeded last comes back.
    send(MessageKind::SetFocus);
    EXPECT_EQ(settings->changes.back(), "1360x768");
    EXPECT_TRUE(display().modeApplied);
    send(MessageKind::SetFocus);
    EXPECT_EQ(settings->changes.size(), 2u);

    // A refused re-apply shows the change-failed message and leaves the mode given back.
    send(MessageKind::KillFocus);
    settings->acceptedWidths.clear();
    EXPECT_EQ(send(MessageKind::SetFocus), 0);
    EXPECT_FALSE(display().modeApplied);
    ASSERT_EQ(window.boxes.size(), 1u);
    EXPECT_EQ(window.boxes[0].text, changeFailedText);
}

TEST_F(DisplayTest, TheMenuBarShowsOnlyInTheTopFiftyRowsOfTheFullScreen) {
    ASSERT_EQ(send(MessageKind::Create), 0);
    send(MessageKind::MouseMove, 0, 10);
    send(MessageKind::MouseMove, 0, 300);
    EXPECT_TRUE(window.menu);

    command(IDM_FULL_SCREEN);
    EXPECT_FALSE(window.menu);
    send(MessageKind::MouseMove, 0, 49);
    EXPECT_TRUE(window.menu);
    send(MessageKind::MouseMove, 0, 50);
    EXPECT_FALSE(window.menu);
    // Rows above the client area (negative) count as the top too.
    send(MessageKind::MouseMove, 0, -3);
    EXPECT_TRUE(window.menu);

    // Destruction attaches a detached menu again, so that it goes with the window.
    send(MessageKind::MouseMove, 0, 400);
    EXPECT_FALSE(window.menu);
    send(MessageKind::Destroy);
    EXPECT_TRUE(window.menu);
}

TEST_F(DisplayTest, ARefusedChangeShowsItsMessageAndLeavesTheStateWhereItStopped) {
    // By command: nothing of the window changes.
    ASSERT_EQ(send(MessageKind::Create), 0);
    settings->acceptedWidths.clear();
    EXPECT_EQ(command(IDM_TOGGLE_SCREEN_MODE), 0);
    EXPECT_EQ(settings->changes, (std::vector<std::string>{"1366x768", "1360x768"}));
    ASSERT_EQ(window.boxes.size(), 1u);
    EXPECT_EQ(window.boxes[0].text, changeFailedText);
    EXPECT_EQ(window.boxes[0].caption, caption);
    EXPECT_FALSE(display().fullScreen);
    EXPECT_TRUE(window.menu);
    EXPECT_EQ(window.windowStyle, WindowStyle::Captioned);
    EXPECT_TRUE(window.enabled[IDM_FULL_SCREEN]);
    EXPECT_FALSE(window.enabled[IDM_WINDOW]);
    // The command still works once the display accepts.
    settings->acceptedWidths = {1366};
    command(IDM_TOGGLE_SCREEN_MODE);
    EXPECT_TRUE(display().fullScreen);

    // A refused restore keeps the full screen as it was.
    settings->restoreRefused = true;
    command(IDM_WINDOW);
    EXPECT_EQ(window.boxes.size(), 2u);
    EXPECT_TRUE(display().fullScreen);
    EXPECT_FALSE(window.menu);
    EXPECT_EQ(window.windowStyle, WindowStyle::VisiblePopup);
}

TEST_F(DisplayTest, ARefusedChangeAtCreationKeepsTheWindowAndEndsSwitching) {
    settings->desktop = {1366, 768};
    settings->acceptedWidths.clear();
    EXPECT_EQ(send(MessageKind::Create), 0);
    ASSERT_EQ(window.boxes.size(), 1u);
    EXPECT_EQ(window.boxes[0].text, changeFailedText);
    EXPECT_FALSE(display().fullScreen);
    EXPECT_TRUE(window.menu);
    EXPECT_EQ(window.windowStyle, WindowStyle::Captioned);
    settings->acceptedWidths = {1366};
    command(IDM_TOGGLE_SCREEN_MODE);
    command(IDM_FULL_SCREEN);
    EXPECT_FALSE(display().fullScreen);
}

TEST_F(DisplayTest, ChangeResolutionThrowsTheDisplayMessageWithTheRefusalCode) {
    settings->acceptedWidths.clear();
    try {
        display().changeResolution(1366);
        FAIL() << "the refused change did not throw";
    } catch (const tavelo::DisplayException& error) {
        EXPECT_STREQ(
            error.what(),
            "ChangeDisplaySettings API failed in tavelo::`anonymous-namespace'::changeDisplaySettings "
            "method.");
        EXPECT_EQ(static_cast<int32_t>(error.code()), tavelo::platform::IDisplaySettings::badMode);
    }
    EXPECT_FALSE(display().fullScreen);
}

TEST_F(DisplayTest, TheDestructorGivesTheDesktopModeBackAndSwallowsARefusal) {
    display().changeResolution(1366);
    Singleton<Display>::releaseInstance();
    EXPECT_EQ(settings->changes, (std::vector<std::string>{"1366x768", "restore"}));

    settings->changes.clear();
    display().changeResolution(1366);
    settings->restoreRefused = true;
    EXPECT_NO_THROW(Singleton<Display>::releaseInstance());
    EXPECT_EQ(settings->changes, (std::vector<std::string>{"1366x768", "restore"}));

    // Nothing to give back in window mode.
    settings->changes.clear();
    display();
    Singleton<Display>::releaseInstance();
    EXPECT_TRUE(settings->changes.empty());
}

}  // namespace
}  // namespace velmora::test
