#pragma once

#include <cstdint>
#include <memory>

#include "core/singleton.h"
#include "platform/app_window.h"
#include "platform/display_settings.h"

namespace tavelo {

// The fields of a display mode that a change sets.
constexpr uint32_t DM_PELSWIDTH = 0x00080000;
constexpr uint32_t DM_PELSHEIGHT = 0x00100000;
// A temporary change, until the desktop mode is restored.
constexpr uint32_t CDS_FULLSCREEN = 4;

// A display mode to switch to; only the fields named in `fields` count.
struct DisplayMode {
    uint32_t fields = 0;
    uint32_t pelsWidth = 0;
    uint32_t pelsHeight = 0;
};

// Owns the full-screen display mode: the one to apply, whether one is in effect, and whether it has
// been given back while the window is in the background.
class Display : public Singleton<Display> {
public:
    Display();
    // Gives the desktop its mode back if a full-screen mode is in effect; a refusal is ignored.
    ~Display() override;

    // Switches the display to width x 768 (first back to the desktop mode if full screen already).
    // Throws DisplayException when the display refuses either change.
    void changeResolution(uint32_t width);

    DisplayMode mode;
    bool fullScreen = false;
    bool modeApplied = true;

private:
    std::shared_ptr<platform::IDisplaySettings> settings_;
};

// The display every later Display and display-mode change uses; set before the window is created.
void setDisplaySettings(std::shared_ptr<platform::IDisplaySettings> settings);

// Handles what the window's display mode depends on: the display decision at creation, the View
// commands and Alt+Enter, focus loss and regain, the menu bar in full screen. Returns 0, or -1 to refuse
// the window's creation. DisplayException never leaves it: the change-failed message is shown instead.
long handleDisplayMessage(platform::IAppWindow& window, const platform::WindowMessage& message);

// Places the window at the screen's origin with a client area of the scene's size, topmost or not.
void fitWindowToClientSize(platform::IAppWindow& window, bool topmost);

// Shows string `stringId` (none when negative) in a warning box captioned with the program's name.
void showErrorMessage(platform::IAppWindow& window, int stringId);

// Starts the display-message state afresh, as for the first window of a process.
void resetDisplayMessageState();

}  // namespace tavelo
