#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/app_window.h"
#include "platform/display_settings.h"

namespace velmora::test {

// A display that accepts the widths it is told to (always 768 high) and records every change.
class FakeDisplaySettings : public tavelo::platform::IDisplaySettings {
public:
    Size desktop{1920, 1080};
    std::set<uint32_t> acceptedWidths{1366, 1360};
    bool restoreRefused = false;
    std::vector<std::string> changes;  // "1366x768", "restore"
    Size current{0, 0};                // the mode in effect; 0 x 0 for the desktop's

protected:
    Size desktopSizeImpl() override { return desktop; }
    int32_t changeModeImpl(const Size* size) override {
        if (!size) {
            changes.push_back("restore");
            if (restoreRefused) {
                return failed;
            }
            current = Size{};
            return 0;
        }
        changes.push_back(std::to_string(size->width) + "x" + std::to_string(size->height));
        if (!acceptedWidths.count(size->width) || size->height != 768) {
            return badMode;
        }
        current = *size;
        return 0;
    }
};

// A window that keeps what was done to it.
class FakeWindow : public tavelo::platform::IAppWindow, public tavelo::platform::ISceneWindow {
public:
    struct Box {
        std::string text;
        std::string caption;
    };

    std::map<int, bool> enabled{{40000, true}, {40002, true}, {40004, false}};
    int radio = 0;
    bool menu = true;
    tavelo::platform::WindowStyle windowStyle = tavelo::platform::WindowStyle::Captioned;
    int positions = 0;
    bool topmost = false;
    int minimized = 0;
    std::vector<Box> boxes;
    int closes = 0;
    int quits = 0;
    std::vector<tavelo::platform::MessageKind> defaulted;

protected:
    void enableMenuItemImpl(int command, bool on) override { enabled[command] = on; }
    void checkMenuRadioItemImpl(int command) override { radio = command; }
    bool hasMenuImpl() const override { return menu; }
    void setMenuImpl(bool attached) override { menu = attached; }
    void setStyleImpl(tavelo::platform::WindowStyle style) override { windowStyle = style; }
    tavelo::platform::WindowStyle styleImpl() const override { return windowStyle; }
    void setPositionImpl(int x, int y, bool above) override {
        if (x == 0 && y == 0) {
            ++positions;
        }
        topmost = above;
    }
    void minimizeImpl() override { ++minimized; }
    void messageBoxImpl(const char* text, const char* caption) override {
        boxes.push_back(Box{text ? text : "(null)", caption ? caption : "(null)"});
    }
    void closeImpl() override { ++closes; }
    long defaultProcedureImpl(const tavelo::platform::WindowMessage& message) override {
        defaulted.push_back(message.kind);
        return 0;
    }
    void postQuitMessageImpl() override { ++quits; }
    tavelo::platform::ISceneWindow& sceneWindowImpl() override { return *this; }

    std::shared_ptr<tavelo::platform::IPresenter> presenterImpl() override { return nullptr; }
    tavelo::Rect clientRectImpl() const override { return tavelo::Rect{0, 0, 1366, 768}; }
    std::shared_ptr<tavelo::platform::ICursorSource> cursorSourceImpl() override { return nullptr; }
};

}  // namespace velmora::test
