#include "render/sprite_manager.h"

#include <algorithm>
#include <utility>

namespace tavelo {

void SpriteManager::add(std::shared_ptr<ISprite> sprite) {
    const uint32_t id = sprite->getId();
    entries_.push_back({id, std::move(sprite)});
    sortNeeded_ = true;
}

std::shared_ptr<ISprite> SpriteManager::find(uint32_t id) const {
    const auto entry = std::find_if(entries_.begin(), entries_.end(),
                                    [id](const SpriteEntry& candidate) { return candidate.id == id; });
    return entry == entries_.end() ? nullptr : entry->sprite;
}

void SpriteManager::removeMatching(uint32_t id) {
    std::erase_if(entries_, [id](const SpriteEntry& entry) {
        if (entry.id != id) {
            return false;
        }
        ISprite& sprite = *entry.sprite;
        if (sprite.isVisible()) {
            if (sprite.getAlpha() != 0) {
                sprite.invalidate();
            }
            sprite.hide();
        }
        return true;
    });
}

void SpriteManager::sortIfNeeded() {
    if (!sortNeeded_) {
        return;
    }
    const auto drawnBefore = [](const SpriteEntry& a, const SpriteEntry& b) {
        return static_cast<int32_t>(a.sprite->getPriority()) < static_cast<int32_t>(b.sprite->getPriority());
    };
    // Binary insertion: stable, allocation-free, and it moves only what is out of place. From frame to
    // frame the list is nearly sorted (new sprites arrive at its end).
    for (auto next = entries_.begin(); next != entries_.end(); ++next) {
        if (next != entries_.begin() && drawnBefore(*next, *(next - 1))) {
            const auto place = std::upper_bound(entries_.begin(), next, *next, drawnBefore);
            std::rotate(place, next, next + 1);
        }
    }
    sortNeeded_ = false;
}

}  // namespace tavelo
