// The program entry: the window with its scene, run until the window is destroyed.

#include <cstdio>
#include <exception>
#include <memory>

#include "app/benchmark_scene.h"
#include "app/display.h"
#include "app/resources/resource.h"
#include "app/window_procedure.h"
#include "core/com_initializer.h"
#include "platform/gtk_app_window.h"
#include "sound/sound_manager.h"

namespace {

constexpr int clientWidth = 1366;
constexpr int clientHeight = 768;

// Gives the desktop its mode back while the X connection still lives; never throws.
void releaseDisplay() noexcept {
    try {
        tavelo::Singleton<tavelo::Display>::releaseInstance();
    } catch (...) {
    }
}

// Runs the window; 0 when it ran and was closed, 1 when it could not start.
int runWindow(int& argc, char**& argv) {
    if (!tavelo::platform::initializeGui(argc, argv)) {
        std::fprintf(stderr, "velmora: cannot open the X display\n");
        return 1;
    }
    setSceneFactory([](tavelo::platform::ISceneWindow& window) -> std::shared_ptr<IScene> {
        return std::make_shared<BenchmarkScene>(window);
    });
    std::unique_ptr<tavelo::platform::GuiWindow> window = tavelo::platform::createGuiWindow(
        "Velmora", "Velmora class", clientWidth, clientHeight, loadMenu(), loadAccelerators(), &WndProc);
    tavelo::setDisplaySettings(window->displaySettings());
    int status = 0;
    if (window->create()) {
        window->show();
        window->run();
    } else {
        std::fprintf(stderr, "velmora: the window was not created\n");
        status = 1;
    }
    // The scene is gone with the window; the desktop mode comes back before the connection closes.
    currentScene.reset();
    releaseDisplay();
    window.reset();
    tavelo::setDisplaySettings(nullptr);
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    tavelo::platform::initializeThreads();
    int status = 1;
    try {
        [[maybe_unused]] tavelo::ComInitializer comInitializer;
        // The sound device, or silence, is chosen before any window exists.
        tavelo::Singleton<tavelo::SoundManager>::getInstance();
        // The system timer already ticks finely enough for the frame pacing: nothing to raise here.
        try {
            status = runWindow(argc, argv);
        } catch (const std::exception& error) {
            std::fprintf(stderr, "velmora: %s\n", error.what());
            releaseDisplay();
            status = 1;
        }
        // The same teardown on every path: the timer period (nothing to restore), the sound manager.
        tavelo::releaseSoundManager();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "velmora: %s\n", error.what());
        tavelo::releaseSoundManager();
        return 1;
    }
    return status;
}
