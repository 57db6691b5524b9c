#include "app/mouse.h"

#include <cerrno>

#include "core/exception.h"
#include "core/format_string.h"

namespace tavelo {

namespace {

// Runs one step of the cursor source; on failure `code` is what the source left in errno, 0 when it
// set none (errno is cleared first, so a code left over from an earlier call is never carried).
template <typename Step>
bool runStep(Step step, uint32_t& code) {
    errno = 0;
    const bool ok = step();
    code = ok ? 0 : static_cast<uint32_t>(errno);
    return ok;
}

}  // namespace

void Mouse::update() {
    static constexpr const char* method = "tavelo::Mouse::update";
    Point cursor;
    uint32_t code = 0;
    if (!runStep([&] { return source_->cursorPosition(cursor); }, code)) {
        throw Win32Exception(formatString("GetCursorPos API failed in %s method.", method), code);
    }
    if (!runStep([&] { return source_->screenToClient(cursor); }, code)) {
        throw Win32Exception(formatString("ScreenToClient API failed in %s method.", method), code);
    }
    position = cursor;
}

}  // namespace tavelo
