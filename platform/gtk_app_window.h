#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "platform/app_window.h"
#include "platform/display_settings.h"

namespace tavelo::platform {

// Makes the process a GTK 3 program on X11: Xlib ready for several threads, the X11 backend, one device
// pixel per pixel and "C" number formatting. False when no display can be opened.
void initializeThreads();
bool initializeGui(int& argc, char**& argv);

// The program's one top-level window in GTK 3: a menu bar over a client area of fixed size, the
// accelerators, modal message boxes, and the system's events turned into messages for the window
// procedure. Everything runs on the GUI thread except what the scene's threads reach through the
// presenter and the cursor sources.
class GuiWindow : public IAppWindow {
public:
    using Procedure = std::function<long(IAppWindow&, const WindowMessage&)>;

    // Builds the widgets and sends Create; false when the procedure refused the window, which is
    // then destroyed.
    bool create() { return createImpl(); }
    // Shows the window as its style says.
    void show() { showImpl(); }
    // Runs the message loop until the window is destroyed. SIGINT, SIGTERM and SIGHUP close the window
    // as its close box does.
    void run() { runImpl(); }
    // The display the window is on, switched on the toolkit's own connection.
    std::shared_ptr<IDisplaySettings> displaySettings() { return displaySettingsImpl(); }

protected:
    virtual bool createImpl() = 0;
    virtual void showImpl() = 0;
    virtual void runImpl() = 0;
    virtual std::shared_ptr<IDisplaySettings> displaySettingsImpl() = 0;
};

// A window titled `title` of class `windowClass` with a client area of width x height.
std::unique_ptr<GuiWindow> createGuiWindow(const char* title, const char* windowClass, int width, int height,
                                           const MenuTemplate& menu,
                                           const std::vector<AcceleratorTemplate>& accelerators,
                                           GuiWindow::Procedure procedure);

}  // namespace tavelo::platform
