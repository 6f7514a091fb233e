#pragma once

#include <optional>
#include <string>

struct wl_display;
struct xcb_connection_t;

namespace bbt {

// Qt aborts with a core dump when its platform cannot open a display, for instance when
// DISPLAY is left over from an ssh or sudo session and no X server answers there. So the
// program asks the display servers itself, before Qt is started: the X server DISPLAY
// names, the Wayland compositor WAYLAND_DISPLAY names, limited to what QT_QPA_PLATFORM
// asks for when it is set. A platform that needs no display server (offscreen, minimal,
// vnc, ...) is left to Qt.
//
// The connection that answered stays open until Close(), which is for once Qt has opened
// its own: an X server whose last client leaves starts over, and turns away whoever
// connects meanwhile, Qt included.
class DisplayCheck final {
public:
    DisplayCheck();
    ~DisplayCheck();
    DisplayCheck(const DisplayCheck &) = delete;
    DisplayCheck &operator=(const DisplayCheck &) = delete;

    void Close();

    // Why no display can be opened, or nothing when one can.
    const std::optional<std::string> &WhyNoDisplay() const
    {
        return m_whyNoDisplay;
    }

private:
    xcb_connection_t *m_x = nullptr;
    wl_display *m_wayland = nullptr;
    std::optional<std::string> m_whyNoDisplay;
};

} // namespace bbt
