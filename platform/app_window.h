#pragma once

#include <cstdint>
#include <vector>

#include "platform/scene_window.h"

namespace tavelo::platform {

// What reaches the program's window procedure, in the order the window system delivers it.
enum class MessageKind {
    Create,           // the window exists, not yet shown; a result of -1 refuses it
    Destroy,          // the window is going away
    Paint,            // the window was exposed by the system (mapped, restored, its mode switched)
    EraseBackground,  // the system would clear the client area
    Command,          // a menu item or an accelerator: `command`
    LeftButtonDown,   // a press of the left button at (x, y) in client coordinates
    MouseMove,        // the pointer moved to (x, y) in client coordinates
    KillFocus,        // the window lost the keyboard focus to another program
    SetFocus,         // the window got the keyboard focus back
    Close,            // the close box, or a request to close
};

struct WindowMessage {
    MessageKind kind = MessageKind::Paint;
    int command = 0;
    int x = 0;
    int y = 0;
};

// How the window is framed: captioned with its menu, or a bare popup (not yet shown, or shown).
enum class WindowStyle { Captioned, Popup, VisiblePopup };

// One item of a drop-down menu; a command of 0 is never sent.
struct MenuItemTemplate {
    int command = 0;
    const char* label = nullptr;  // UTF-8, with '_' before the mnemonic
    const char* hint = nullptr;   // the accelerator shown after the label, or null
    bool greyed = false;
    bool radio = false;  // drawn with a radio mark when checked
};

struct MenuTemplate {
    struct Popup {
        const char* label = nullptr;
        std::vector<MenuItemTemplate> items;
    };
    std::vector<Popup> popups;
};

// A key with modifiers that sends a command whatever the menu's state.
struct AcceleratorTemplate {
    enum class Key { Q, Return, KeypadEnter };
    enum Modifier : unsigned { Control = 1, Alt = 2 };
    Key key = Key::Q;
    unsigned modifiers = 0;
    int command = 0;
};

// The program's one top-level window as its window procedure drives it.
class IAppWindow {
public:
    virtual ~IAppWindow() = default;

    // Greys or enables the menu item carrying `command`.
    void enableMenuItem(int command, bool enabled) { enableMenuItemImpl(command, enabled); }
    // Puts the radio mark on `command` and takes it off every other radio item.
    void checkMenuRadioItem(int command) { checkMenuRadioItemImpl(command); }
    // Whether the menu bar is attached (shown).
    bool hasMenu() const { return hasMenuImpl(); }
    // Attaches or detaches the menu bar; a detached menu is kept, not destroyed.
    void setMenu(bool attached) { setMenuImpl(attached); }
    void setStyle(WindowStyle style) { setStyleImpl(style); }
    WindowStyle style() const { return styleImpl(); }
    // Moves the window to (x, y) of the screen, sized for a client area of the scene's size with the
    // current style and menu, above every other window or in the normal order.
    void setPosition(int x, int y, bool topmost) { setPositionImpl(x, y, topmost); }
    // Minimises the window.
    void minimize() { minimizeImpl(); }
    // A modal box with a warning mark, owned by the window while it is shown; also written to stderr.
    // A null text or caption shows as empty.
    void messageBox(const char* text, const char* caption) { messageBoxImpl(text, caption); }
    // Asks the window to close, as its close box does.
    void close() { closeImpl(); }
    // What the system does with a message the program leaves: a close destroys the window; nothing else
    // needs anything.
    long defaultProcedure(const WindowMessage& message) { return defaultProcedureImpl(message); }
    // Ends the message loop once the current message is handled.
    void postQuitMessage() { postQuitMessageImpl(); }
    // The scene's view of the window.
    ISceneWindow& sceneWindow() { return sceneWindowImpl(); }

protected:
    virtual void enableMenuItemImpl(int command, bool enabled) = 0;
    virtual void checkMenuRadioItemImpl(int command) = 0;
    virtual bool hasMenuImpl() const = 0;
    virtual void setMenuImpl(bool attached) = 0;
    virtual void setStyleImpl(WindowStyle style) = 0;
    virtual WindowStyle styleImpl() const = 0;
    virtual void setPositionImpl(int x, int y, bool topmost) = 0;
    virtual void minimizeImpl() = 0;
    virtual void messageBoxImpl(const char* text, const char* caption) = 0;
    virtual void closeImpl() = 0;
    virtual long defaultProcedureImpl(const WindowMessage& message) = 0;
    virtual void postQuitMessageImpl() = 0;
    virtual ISceneWindow& sceneWindowImpl() = 0;
};

}  // namespace tavelo::platform
