#pragma once

namespace tavelo {

// Initialises the component runtime for the calling thread. Nothing on this platform needs it, so it
// always succeeds; it keeps its place at the start of the program entry.
class ComInitializer {
public:
    ComInitializer() = default;
};

}  // namespace tavelo
