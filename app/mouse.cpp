#include "app/mouse.h"

#include <cerrno>

#include "core/exception.h"
#include "core/format_string.h"

namespace tavelo {

void Mouse::update() {
    static constexpr const char* method = "tavelo::Mouse::update";
    Point cursor;
    if (!source_->cursorPosition(cursor)) {
        throw Win32Exception(formatString("GetCursorPos API failed in %s method.", method),
                             static_cast<uint32_t>(errno));
    }
    if (!source_->screenToClient(cursor)) {
        throw Win32Exception(formatString("ScreenToClient API failed in %s method.", method),
                             static_cast<uint32_t>(errno));
    }
    position = cursor;
}

}  // namespace tavelo
