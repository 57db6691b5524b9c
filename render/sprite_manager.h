#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "render/sprite.h"

namespace tavelo {

struct SpriteEntry {
    uint32_t id;
    std::shared_ptr<ISprite> sprite;
};

// The sprites of one layer, in drawing order once sorted. Ids are labels for lookup and removal,
// not keys: several sprites may share one.
class SpriteManager {
public:
    virtual ~SpriteManager() = default;

    void add(std::shared_ptr<ISprite> sprite);
    // The first sprite in list order with this id, or an empty pointer.
    std::shared_ptr<ISprite> find(uint32_t id) const;
    // Drops every sprite with this id; a visible one is invalidated and hidden first, so its area is
    // redrawn without it.
    void removeMatching(uint32_t id);

    void requestSort() noexcept { sortNeeded_ = true; }
    // Orders the sprites by signed priority when asked to. Equal priorities keep their order, so
    // overlapping sprites of one priority never swap places between frames.
    void sortIfNeeded();

    // The entries themselves: their owner may walk them, and erase sprites it has hidden by the rules.
    std::vector<SpriteEntry>& getEntries() noexcept { return entries_; }
    const std::vector<SpriteEntry>& getEntries() const noexcept { return entries_; }

private:
    bool sortNeeded_ = false;
    std::vector<SpriteEntry> entries_;
};

}  // namespace tavelo
