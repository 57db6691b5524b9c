#include "app/window_procedure.h"

#include <exception>

#include "app/display.h"
#include "app/resources/resource.h"

using tavelo::platform::IAppWindow;
using tavelo::platform::MessageKind;
using tavelo::platform::WindowMessage;

std::shared_ptr<IScene> currentScene;

namespace {

SceneFactory sceneFactory;

}  // namespace

void setSceneFactory(SceneFactory factory) {
    sceneFactory = std::move(factory);
}

long WndProc(IAppWindow& window, const WindowMessage& message) {
    try {
        if (const long result = tavelo::handleDisplayMessage(window, message)) {
            return result;
        }
        switch (message.kind) {
            case MessageKind::Create:
                currentScene = sceneFactory ? sceneFactory(window.sceneWindow()) : nullptr;
                return 0;
            case MessageKind::Destroy: {
                // The scene stops its threads and lets go of its Screen before the loop ends.
                std::shared_ptr<IScene> scene = std::move(currentScene);
                currentScene.reset();
                scene.reset();
                window.postQuitMessage();
                return 0;
            }
            case MessageKind::Paint:
                if (!currentScene) {
                    return window.defaultProcedure(message);
                }
                currentScene->onPaint();
                return 0;
            case MessageKind::EraseBackground:
                return 0;
            case MessageKind::Command:
                if (message.command == IDM_EXIT) {
                    window.close();
                }
                return 0;
            case MessageKind::LeftButtonDown:
                if (currentScene) {
                    currentScene->onClick(message.x, message.y);
                }
                return 0;
            default:
                return window.defaultProcedure(message);
        }
    } catch (const std::exception& error) {
        // A box with no caption of its own shows the system's default one.
        window.messageBox(error.what(), "Error");
        return 0;
    }
}
