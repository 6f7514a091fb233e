#include "window/form1.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace {

// Qt chooses the platform (-platform, QT_QPA_PLATFORM, else the session's displays) and,
// where it can open none, ends the program with a fatal message and an abort. While the
// application object is built, its messages are held back: should it fail, the user gets
// one line naming the displays Qt could not open, and status 1; else they go out as usual.
struct Message {
    QtMsgType type;
    std::string category;
    QString text;
};
std::vector<Message> heldBack;
std::mutex heldBackLock; // Qt's threads may have their say while the application is built
QtMessageHandler qtHandler = nullptr;
std::string platformAsked; // the -platform argument, or QT_QPA_PLATFORM, with its name

std::string Variable(const char *name)
{
    const char *value = std::getenv(name);
    return value ? value : "";
}

std::string Quoted(std::string_view text)
{
    return '"' + std::string(text) + '"';
}

// The display a platform Qt tried opens, and whether a variable of the user named it.
std::pair<std::string, bool> DisplayOf(std::string_view platform)
{
    if (platform == "xcb") {
        const std::string display = Variable("DISPLAY");
        if (display.empty())
            return {"X display (DISPLAY is not set)", false};
        return {"X display " + Quoted(display) + " (DISPLAY)", true};
    }
    if (platform.starts_with("wayland")) {
        // Without WAYLAND_DISPLAY libwayland looks for "wayland-0".
        const std::string display = Variable("WAYLAND_DISPLAY");
        if (display.empty())
            return {R"(Wayland display "wayland-0" (WAYLAND_DISPLAY is not set))", false};
        return {"Wayland display " + Quoted(display) + " (WAYLAND_DISPLAY)", true};
    }
    return {"the display of Qt's platform " + Quoted(platform), true};
}

// Qt names each platform it could not load in a message of the category "qt.qpa.plugin":
// Could not load the Qt platform plugin "xcb" in "" even though it was found.
std::string WhyNoDisplay()
{
    std::vector<std::string> named, unset;
    for (const Message &message : heldBack) {
        const std::string text = message.text.toStdString();
        const auto open = text.find('"');
        const auto close = text.find('"', open + 1);
        if (message.category != "qt.qpa.plugin" || close == std::string::npos)
            continue;
        const auto [display, set] = DisplayOf(std::string_view(text).substr(open + 1, close - open - 1));
        (set ? named : unset).push_back(display);
    }
    if (named.empty() && platformAsked.empty())
        return "set DISPLAY or WAYLAND_DISPLAY, or start it from a desktop session";
    // A display no variable named is one Qt only fell back to, unless it is all there was.
    if (named.empty())
        named = unset;
    if (named.empty())
        return "Qt could not start its platform" + platformAsked;
    std::string reason = "cannot open ";
    for (std::size_t i = 0; i < named.size(); ++i)
        reason += (i == 0 ? "" : " or ") + named[i];
    return reason + platformAsked;
}

void HoldBack(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    const std::lock_guard lock(heldBackLock);
    if (type != QtFatalMsg) {
        heldBack.push_back({type, context.category ? context.category : "", text});
        return;
    }
    std::fprintf(stderr, "bbtchart: no display: %s\n", WhyNoDisplay().c_str());
    // Not exit(): the half-built application object must not be torn down.
    std::_Exit(1);
}

std::string PlatformAsked(int argc, char **argv)
{
    std::string asked;
    if (const std::string variable = Variable("QT_QPA_PLATFORM"); !variable.empty())
        asked = "; QT_QPA_PLATFORM is " + Quoted(variable);
    // Qt reads "-platform" and "--platform"; the last one counts.
    for (int i = 1; i + 1 < argc; ++i)
        if (std::string_view(argv[i]) == "-platform" || std::string_view(argv[i]) == "--platform")
            asked = "; -platform is " + Quoted(argv[i + 1]);
    return asked;
}

} // namespace

int main(int argc, char *argv[])
{
    platformAsked = PlatformAsked(argc, argv);
    qtHandler = qInstallMessageHandler(HoldBack);
    QApplication application(argc, argv);
    qInstallMessageHandler(qtHandler);
    {
        const std::lock_guard lock(heldBackLock);
        for (const Message &message : heldBack)
            qtHandler(message.type, QMessageLogContext(nullptr, 0, nullptr, message.category.c_str()), message.text);
        heldBack.clear();
    }

    // Wayland compositors find the window's menu entry, and with it its icon, by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.example.bbtchart"));
    bbt::Form1 window(bbt::UserNumberLocale());
    window.show();
    return application.exec();
}
