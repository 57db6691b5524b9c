#include "render/rect.h"

#include <algorithm>

namespace tavelo {

Rect uniteRect(const Rect& a, const Rect& b) noexcept {
    if (a.isEmpty()) {
        return b;
    }
    if (b.isEmpty()) {
        return a;
    }
    return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
            std::max(a.bottom, b.bottom)};
}

Rect intersectRect(const Rect& a, const Rect& b) noexcept {
    if (a.isEmpty() || b.isEmpty()) {
        return {};
    }
    if (a.left > b.right || a.right < b.left || a.top > b.bottom || a.bottom < b.top) {
        return {};
    }
    return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
            std::min(a.bottom, b.bottom)};
}

}  // namespace tavelo
