#include "platform/xrandr_display_settings.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include "app/display.h"
#include "app/resources/resource.h"
#include "platform/gtk_app_window.h"
#include "tests/app/fakes.h"

// Last: Xlib's macros (None, Bool, Status) would rename what the headers above declare.
#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

namespace velmora::test {
namespace {

using tavelo::Display;
using tavelo::Singleton;
using tavelo::platform::MessageKind;
using tavelo::platform::RandrStep;
using tavelo::platform::WindowMessage;

// What the X server shows: the primary output's CRTC and the screen's size, read on a connection of the
// test's own.
struct ShownDisplay {
    RRMode mode = None;
    int x = 0;
    int y = 0;
    unsigned width = 0;
    unsigned height = 0;
    int screenWidth = 0;
    int screenHeight = 0;

    bool operator==(const ShownDisplay&) const = default;
    friend std::ostream& operator<<(std::ostream& out, const ShownDisplay& shown) {
        return out << "mode " << shown.mode << " " << shown.width << "x" << shown.height << "+" << shown.x
                   << "+" << shown.y << " on a " << shown.screenWidth << "x" << shown.screenHeight
                   << " screen";
    }
};

ShownDisplay shownDisplay() {
    ::Display* connection = XOpenDisplay(nullptr);
    if (!connection) {
        ADD_FAILURE() << "no X display";
        return {};
    }
    const Window root = DefaultRootWindow(connection);
    ShownDisplay shown;
    XRRScreenResources* resources = XRRGetScreenResourcesCurrent(connection, root);
    RROutput output = XRRGetOutputPrimary(connection, root);
    if (output == None && resources->noutput > 0) {
        output = resources->outputs[0];
    }
    XRROutputInfo* outputInfo = XRRGetOutputInfo(connection, resources, output);
    XRRCrtcInfo* crtc = XRRGetCrtcInfo(connection, resources, outputInfo->crtc);
    shown.mode = crtc->mode;
    shown.x = crtc->x;
    shown.y = crtc->y;
    shown.width = crtc->width;
    shown.height = crtc->height;
    XRRFreeCrtcInfo(crtc);
    XRRFreeOutputInfo(outputInfo);
    XRRFreeScreenResources(resources);
    // A new connection learns the screen's size as it is now.
    shown.screenWidth = DisplayWidth(connection, DefaultScreen(connection));
    shown.screenHeight = DisplayHeight(connection, DefaultScreen(connection));
    XCloseDisplay(connection);
    return shown;
}

// The display modes on a real X server (a 1920x1080 Xvfb), with the server made to refuse one step.
class XrandrDisplaySettingsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        int argc = 0;
        char** argv = nullptr;
        ASSERT_TRUE(tavelo::platform::initializeGui(argc, argv));
    }

    void SetUp() override {
        tavelo::resetDisplayMessageState();
        settings =
            tavelo::platform::createXrandrDisplaySettings([this](RandrStep step) { return refused == step; });
        tavelo::setDisplaySettings(settings);
    }
    void TearDown() override {
        refused.reset();
        Singleton<Display>::releaseInstance();
        settings->changeMode(nullptr);
        tavelo::setDisplaySettings(nullptr);
    }

    long send(MessageKind kind, int command = 0) {
        return tavelo::handleDisplayMessage(window, WindowMessage{kind, command, 0, 0});
    }
    bool fullScreen() { return Singleton<Display>::getInstance()->fullScreen; }

    // `command` with each step of its change refused in turn: the display stays `shown`, the mode stays
    // full screen or not, and the change-failed message comes once each time.
    void expectEveryRefusalKeeps(int command, const ShownDisplay& shown, bool wasFullScreen) {
        for (RandrStep step : {RandrStep::ScreenSize, RandrStep::Crtc}) {
            SCOPED_TRACE(step == RandrStep::ScreenSize ? "screen size refused" : "CRTC refused");
            const size_t boxes = window.boxes.size();
            refused = step;
            send(MessageKind::Command, command);
            EXPECT_EQ(shownDisplay(), shown);
            EXPECT_EQ(fullScreen(), wasFullScreen);
            ASSERT_EQ(window.boxes.size(), boxes + 1);
            EXPECT_EQ(window.boxes.back().text, loadString(IDS_DISPLAY_CHANGE_FAILED));
        }
        refused.reset();
    }

    std::optional<RandrStep> refused;
    std::shared_ptr<tavelo::platform::IDisplaySettings> settings;
    FakeWindow window;
};

TEST_F(XrandrDisplaySettingsTest, ARefusedStepLeavesTheDisplayAsItWas) {
    const ShownDisplay desktop = shownDisplay();
    ASSERT_EQ(desktop.screenWidth, 1920);
    ASSERT_EQ(send(MessageKind::Create), 0);
    ASSERT_FALSE(fullScreen());

    // Into full screen: the CRTC takes 1366x768, then the screen shrinks to it.
    expectEveryRefusalKeeps(IDM_FULL_SCREEN, desktop, false);
    send(MessageKind::Command, IDM_FULL_SCREEN);
    ASSERT_TRUE(fullScreen());
    const ShownDisplay full = shownDisplay();
    EXPECT_EQ(full.width, 1366u);
    EXPECT_EQ(full.screenWidth, 1366);
    EXPECT_EQ(full.screenHeight, 768);

    // Back to the desktop: the screen grows first, then the CRTC takes its old mode.
    expectEveryRefusalKeeps(IDM_WINDOW, full, true);
    send(MessageKind::Command, IDM_WINDOW);
    EXPECT_FALSE(fullScreen());
    EXPECT_EQ(shownDisplay(), desktop);
}

}  // namespace
}  // namespace velmora::test
