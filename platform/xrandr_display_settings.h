#pragma once

#include <functional>
#include <memory>

#include "platform/display_settings.h"

namespace tavelo::platform {

// The primary output of the toolkit's X display, switched with RandR on the toolkit's own connection
// (GUI thread only). The mode the output has when this is made is the one a restore gives back. A
// missing mode of the asked size is created at the current refresh rate and removed again when this
// object goes.
//
// A change is all or nothing: when the server refuses one of its steps, the steps before it are undone.
//
// Refusal codes: badMode when RandR is missing or no output is lit; the RandR status of a refused
// configuration (1 to 3); 256 plus the X error code of a request the server rejected.
//
// For tests that need the server to refuse a step: `refuse`, when given, is asked before each step of a
// change (not before those that undo a refused one), and true makes the server refuse that step.
enum class RandrStep { ScreenSize, Crtc };
std::shared_ptr<IDisplaySettings> createXrandrDisplaySettings(std::function<bool(RandrStep)> refuse = {});

}  // namespace tavelo::platform
