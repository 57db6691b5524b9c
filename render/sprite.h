#pragma once

#include <cstdint>
#include <vector>

#include "render/draw_command.h"
#include "render/frame_resources.h"

namespace tavelo {

// One drawable object of a layer. The setters only store: whoever changes a visible sprite
// invalidates its area before a change that moves or hides it and after one that shows or moves it,
// and requests a sort after changing a priority, so the renderer redraws exactly what changed.
class ISprite {
public:
    virtual ~ISprite() = default;

    virtual uint32_t getId() const = 0;
    // Moves the sprite's top-left corner.
    virtual void setPosition(int32_t x, int32_t y) = 0;
    virtual int32_t getX() const = 0;
    virtual int32_t getY() const = 0;
    virtual void setPriority(uint32_t priority) = 0;
    // Lower priorities are drawn first, under higher ones; priorities compare as signed values.
    virtual uint32_t getPriority() const = 0;
    // Appends this sprite's commands to a frame, and what they point to to the frame's resources.
    virtual void draw(std::vector<DrawCommand>& commands, FrameResources& resources) const = 0;
    virtual void show() = 0;
    virtual void hide() = 0;
    virtual bool isVisible() const = 0;
    virtual void setBlendMode(BlendMode mode) = 0;
    virtual BlendMode getBlendMode() const = 0;
    virtual void setAlpha(uint8_t alpha) = 0;
    virtual uint8_t getAlpha() const = 0;
    // Marks the sprite's current area dirty in its layer.
    virtual void invalidate() = 0;
    // Tells the layer that the priority order must be rebuilt.
    virtual void requestSort() = 0;
};

}  // namespace tavelo
