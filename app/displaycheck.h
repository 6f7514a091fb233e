#pragma once

#include <optional>
#include <string>

namespace bbt {

// Qt aborts with a core dump when its platform cannot open a display, for instance when
// DISPLAY is left over from an ssh or sudo session and no X server answers there. So the
// program asks the display servers itself, before Qt is started: the X server DISPLAY
// names, the Wayland compositor WAYLAND_DISPLAY names, limited to what QT_QPA_PLATFORM
// asks for when it is set. A platform that needs no display server (offscreen, minimal,
// vnc, ...) is left to Qt. Returns why no display can be opened, or nothing when one can.
std::optional<std::string> WhyNoDisplay();

} // namespace bbt
