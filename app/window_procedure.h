#pragma once

#include <functional>
#include <memory>

#include "app/scene.h"
#include "platform/app_window.h"

// The one scene, alive as long as the window.
extern std::shared_ptr<IScene> currentScene;

// Makes the scene for a window being created.
using SceneFactory = std::function<std::shared_ptr<IScene>(tavelo::platform::ISceneWindow& window)>;
void setSceneFactory(SceneFactory factory);

// The window procedure: the display-mode handler first, then creation and destruction of the scene,
// exposures, Exit and left clicks. A std::exception from any of it is shown in a box and the message
// is answered with 0.
long WndProc(tavelo::platform::IAppWindow& window, const tavelo::platform::WindowMessage& message);
