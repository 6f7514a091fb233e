#include "app/displaycheck.h"

#include <wayland-client.h>
#include <xcb/xcb.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace bbt {
namespace {

// The display servers a choice of Qt platforms can open a window on.
struct DisplayServers {
    bool x11 = false;
    bool wayland = false;
    // A platform that needs neither, or one this check does not know: Qt is left to it.
    bool other = false;
};

std::string_view Variable(const char *name)
{
    const char *value = std::getenv(name);
    return value ? value : "";
}

// QT_QPA_PLATFORM may name several platforms for Qt to try in turn ("wayland;xcb"), each
// with options after a colon ("vnc:size=800x600"); Qt's Wayland platforms are "wayland",
// "wayland-egl" and the like.
DisplayServers ServersOfPlatforms(std::string_view platforms)
{
    DisplayServers servers;
    while (!platforms.empty()) {
        const auto end = platforms.find(';');
        const auto platform = platforms.substr(0, end);
        const auto name = platform.substr(0, platform.find(':'));
        if (name == "xcb")
            servers.x11 = true;
        else if (name.starts_with("wayland"))
            servers.wayland = true;
        else if (!name.empty())
            servers.other = true;
        platforms = end == std::string_view::npos ? std::string_view() : platforms.substr(end + 1);
    }
    return servers;
}

// Without QT_QPA_PLATFORM, Qt tries Wayland when WAYLAND_DISPLAY is set and X when DISPLAY
// is; either one that opens will do.
DisplayServers ServersToTry()
{
    const auto platforms = Variable("QT_QPA_PLATFORM");
    if (!platforms.empty())
        return ServersOfPlatforms(platforms);
    return {.x11 = !Variable("DISPLAY").empty(), .wayland = !Variable("WAYLAND_DISPLAY").empty()};
}

// Null when no X server answers.
xcb_connection_t *ConnectToX()
{
    // xcb_connect never returns null: a failed connection is an object in an error state,
    // and is disconnected like any other.
    xcb_connection_t *connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection) == 0)
        return connection;
    xcb_disconnect(connection);
    return nullptr;
}

void Silence(const char *, va_list) {}

// What libwayland does with its messages when nobody has asked otherwise.
void ToStandardError(const char *format, va_list arguments)
{
    std::vfprintf(stderr, format, arguments);
}

// A compositor that starts the program itself may hand over one connected socket in
// WAYLAND_SOCKET; connecting here would use it up and leave Qt without one.
bool WaylandSocketHandedOver()
{
    return !Variable("WAYLAND_SOCKET").empty();
}

// Null when no Wayland compositor answers.
wl_display *ConnectToWayland()
{
    // libwayland would add a line of its own to the one the user gets from the program.
    wl_log_set_handler_client(Silence);
    wl_display *display = wl_display_connect(nullptr);
    // A socket that takes the connection is not yet a compositor that answers.
    if (display != nullptr && wl_display_roundtrip(display) == -1) {
        wl_display_disconnect(display);
        display = nullptr;
    }
    wl_log_set_handler_client(ToStandardError);
    return display;
}

std::string Quoted(std::string_view text)
{
    return '"' + std::string(text) + '"';
}

std::string XDisplayName()
{
    const auto display = Variable("DISPLAY");
    return display.empty() ? "X display (DISPLAY is not set)" : "X display " + Quoted(display) + " (DISPLAY)";
}

std::string WaylandDisplayName()
{
    // Without WAYLAND_DISPLAY libwayland looks for "wayland-0".
    const auto display = Variable("WAYLAND_DISPLAY");
    return display.empty() ? R"(Wayland display "wayland-0" (WAYLAND_DISPLAY is not set))"
                           : "Wayland display " + Quoted(display) + " (WAYLAND_DISPLAY)";
}

std::string Reason(const DisplayServers &tried)
{
    if (!tried.x11 && !tried.wayland)
        return "set DISPLAY or WAYLAND_DISPLAY, or start it from a desktop session";
    std::string reason = "cannot open ";
    if (tried.x11)
        reason += XDisplayName();
    if (tried.x11 && tried.wayland)
        reason += " or ";
    if (tried.wayland)
        reason += WaylandDisplayName();
    const auto platforms = Variable("QT_QPA_PLATFORM");
    if (!platforms.empty())
        reason += "; QT_QPA_PLATFORM is " + Quoted(platforms);
    return reason;
}

} // namespace

DisplayCheck::DisplayCheck()
{
    const DisplayServers servers = ServersToTry();
    if (servers.other || (servers.wayland && WaylandSocketHandedOver()))
        return;
    // Qt tries Wayland first when it may use both.
    if (servers.wayland)
        m_wayland = ConnectToWayland();
    if (m_wayland == nullptr && servers.x11)
        m_x = ConnectToX();
    if (m_wayland == nullptr && m_x == nullptr)
        m_whyNoDisplay = Reason(servers);
}

DisplayCheck::~DisplayCheck()
{
    Close();
}

void DisplayCheck::Close()
{
    if (m_x != nullptr)
        xcb_disconnect(m_x);
    if (m_wayland != nullptr)
        wl_display_disconnect(m_wayland);
    m_x = nullptr;
    m_wayland = nullptr;
}

} // namespace bbt
