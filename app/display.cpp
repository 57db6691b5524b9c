#include "app/display.h"

#include <exception>

#include "app/resources/resource.h"
#include "core/exception.h"
#include "core/format_string.h"

namespace tavelo {

using platform::IAppWindow;
using platform::IDisplaySettings;
using platform::MessageKind;
using platform::WindowMessage;
using platform::WindowStyle;

namespace {

std::shared_ptr<IDisplaySettings> currentSettings;

// Cleared for good when creation imposes full screen or refuses the display.
uint8_t modeSwitchAllowed = 1;
// True while the menu bar is detached in full screen.
bool menuDetached = false;

void changeDisplaySettings(const std::shared_ptr<IDisplaySettings>& settings, const DisplayMode* mode,
                           uint32_t /*flags*/) {
    int32_t result = IDisplaySettings::failed;
    if (settings) {
        if (mode) {
            const IDisplaySettings::Size size{mode->pelsWidth, mode->pelsHeight};
            result = settings->changeMode(&size);
        } else {
            result = settings->changeMode(nullptr);
        }
    }
    if (result != 0) {
        throw DisplayException(formatString("ChangeDisplaySettings API failed in %s method.",
                                            "tavelo::`anonymous-namespace'::changeDisplaySettings"),
                               result);
    }
}

void changeDisplaySettings(const DisplayMode* mode, uint32_t flags) {
    changeDisplaySettings(currentSettings, mode, flags);
}

void switchToFullScreen(IAppWindow& window, bool atCreation) {
    Display* display = Singleton<Display>::getInstance();
    try {
        display->changeResolution(1366);
    } catch (const std::exception&) {
        display->changeResolution(1360);
    }
    if (atCreation) {
        window.enableMenuItem(IDM_WINDOW, false);
        window.enableMenuItem(IDM_FULL_SCREEN, false);
    } else {
        window.enableMenuItem(IDM_WINDOW, true);
        window.enableMenuItem(IDM_FULL_SCREEN, false);
    }
    window.checkMenuRadioItem(IDM_FULL_SCREEN);
    if (!menuDetached) {
        menuDetached = true;
        window.setMenu(false);
    }
    window.setStyle(atCreation ? WindowStyle::Popup : WindowStyle::VisiblePopup);
    fitWindowToClientSize(window, true);
}

void switchToWindow(IAppWindow& window) {
    Display* display = Singleton<Display>::getInstance();
    changeDisplaySettings(nullptr, 0);
    display->fullScreen = false;
    if (menuDetached) {
        window.setMenu(true);
        menuDetached = false;
    }
    window.enableMenuItem(IDM_WINDOW, false);
    window.enableMenuItem(IDM_FULL_SCREEN, true);
    window.checkMenuRadioItem(IDM_WINDOW);
    window.setStyle(WindowStyle::Captioned);
    fitWindowToClientSize(window, false);
}

long handleCreate(IAppWindow& window) {
    const IDisplaySettings::Size desktop =
        currentSettings ? currentSettings->desktopSize() : IDisplaySettings::Size{};
    const uint32_t cx = desktop.width;
    const uint32_t cy = desktop.height;
    if ((cx == 1366 || cx == 1360) && cy == 768) {
        modeSwitchAllowed = 0;
        switchToFullScreen(window, true);
        return 0;
    }
    if (cx >= 1366 && cy >= 768) {
        window.checkMenuRadioItem(IDM_WINDOW);
        return 0;
    }
    modeSwitchAllowed = 0;
    showErrorMessage(window, IDS_RESOLUTION_INSUFFICIENT);
    return -1;
}

void handleCommand(IAppWindow& window, int command) {
    if (!modeSwitchAllowed) {
        return;
    }
    const bool fullScreen = Singleton<Display>::getInstance()->fullScreen;
    switch (command) {
        case IDM_FULL_SCREEN:
            if (!fullScreen) {
                switchToFullScreen(window, false);
            }
            break;
        case IDM_WINDOW:
            if (fullScreen) {
                switchToWindow(window);
            }
            break;
        case IDM_TOGGLE_SCREEN_MODE:
            if (fullScreen) {
                switchToWindow(window);
            } else {
                switchToFullScreen(window, false);
            }
            break;
        default:
            break;
    }
}

}  // namespace

// The destructor may run at exit, after the program's own globals: it keeps the display it was made for.
Display::Display() : settings_(currentSettings) {}

Display::~Display() {
    if (fullScreen) {
        try {
            changeDisplaySettings(settings_, nullptr, 0);
            fullScreen = false;
        } catch (const std::exception&) {
        }
    }
}

void Display::changeResolution(uint32_t width) {
    if (fullScreen) {
        changeDisplaySettings(nullptr, 0);
        fullScreen = false;
    }
    mode.pelsWidth = width;
    mode.pelsHeight = 768;
    mode.fields = DM_PELSWIDTH | DM_PELSHEIGHT;
    changeDisplaySettings(&mode, CDS_FULLSCREEN);
    fullScreen = true;
}

void setDisplaySettings(std::shared_ptr<IDisplaySettings> settings) {
    currentSettings = std::move(settings);
}

void resetDisplayMessageState() {
    modeSwitchAllowed = 1;
    menuDetached = false;
}

long handleDisplayMessage(IAppWindow& window, const WindowMessage& message) {
    try {
        switch (message.kind) {
            case MessageKind::Create:
                return handleCreate(window);
            case MessageKind::Command:
                handleCommand(window, message.command);
                return 0;
            case MessageKind::KillFocus: {
                Display* display = Singleton<Display>::getInstance();
                if (display->fullScreen && display->modeApplied) {
                    changeDisplaySettings(nullptr, 0);
                    display->modeApplied = false;
                }
                if (display->fullScreen) {
                    window.minimize();
                }
                return 0;
            }
            case MessageKind::SetFocus: {
                Display* display = Singleton<Display>::getInstance();
                if (display->fullScreen && !display->modeApplied) {
                    changeDisplaySettings(&display->mode, CDS_FULLSCREEN);
                    display->modeApplied = true;
                }
                return 0;
            }
            case MessageKind::MouseMove:
                if (Singleton<Display>::getInstance()->fullScreen) {
                    const int y = static_cast<int16_t>(message.y);
                    if (y >= 50 && !menuDetached) {
                        menuDetached = true;
                        window.setMenu(false);
                    } else if (y < 50 && menuDetached) {
                        window.setMenu(true);
                        menuDetached = false;
                    }
                }
                return 0;
            case MessageKind::Destroy:
                if (menuDetached) {
                    window.setMenu(true);
                    menuDetached = false;
                }
                return 0;
            default:
                return 0;
        }
    } catch (const DisplayException&) {
        showErrorMessage(window, IDS_DISPLAY_CHANGE_FAILED);
        return 0;
    }
}

void fitWindowToClientSize(IAppWindow& window, bool topmost) {
    // The window's size follows from its style and menu: the client area stays the scene's size.
    window.setPosition(0, 0, topmost);
}

void showErrorMessage(IAppWindow& window, int stringId) {
    const char* text = stringId >= 0 ? loadString(stringId) : nullptr;
    window.messageBox(text, loadString(IDS_CAPTION));
}

}  // namespace tavelo
