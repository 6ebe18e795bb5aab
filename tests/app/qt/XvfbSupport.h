#pragma once
// An X server of the tests' own (Xvfb) and a driver that acts on it as a user
// and as the host program would: it creates the host's window, finds windows
// by name, types, presses keys and clicks through the XTEST extension. Nothing
// of Xlib shows here, so that Qt's headers and these can meet in one file.

#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vindeleo::test {

using XWindowId = unsigned long;

struct XGeometry {
    int x = 0;  // relative to the parent
    int y = 0;
    int width = 0;
    int height = 0;
    int rootX = 0;  // on the screen
    int rootY = 0;
};

class Xvfb {
public:
    // Starts a server on a free display; nothing (with the reason) when Xvfb
    // is not installed.
    static std::unique_ptr<Xvfb> Start(std::string& whyNot);
    ~Xvfb();
    Xvfb(const Xvfb&) = delete;
    Xvfb& operator=(const Xvfb&) = delete;

    const std::string& DisplayName() const { return displayName_; }
    int ScreenWidth() const;
    int ScreenHeight() const;

    // A plain top-level window, mapped, as the host's window.
    XWindowId CreateWindow(int x, int y, int width, int height);
    // A window id that names no window on the display.
    XWindowId UnusedWindowId() const;

    // The first viewable window of that name under the given one (the whole
    // screen when 0), waiting for it up to the timeout.
    std::optional<XWindowId> WaitForWindow(const std::string& name, std::chrono::milliseconds timeout,
                                           XWindowId under = 0);
    // True when no viewable window of that name is left, waiting up to the timeout.
    bool WaitUntilGone(const std::string& name, std::chrono::milliseconds timeout);
    // True once the keyboard focus is on that window or one of its
    // descendants, waiting up to the timeout: a window is shown before the
    // toolkit gives it the focus, and a key sent in between is lost.
    bool WaitForFocus(XWindowId window, std::chrono::milliseconds timeout);
    // The direct children of a window.
    std::vector<XWindowId> Children(XWindowId window);
    std::string Name(XWindowId window);
    XGeometry Geometry(XWindowId window);

    // Keyboard and mouse, as a user's.
    void Type(const std::string& text);
    void PressKey(const std::string& keyName);  // an X key name: "Return", "Escape"
    void Click(int rootX, int rootY);

    // The whole screen into a PNG file (for looking at, not for checks).
    void Screenshot(const std::filesystem::path& png) const;

private:
    Xvfb() = default;
    void KeyStroke(unsigned long keysym);

    int pid_ = -1;
    std::string displayName_;
    void* display_ = nullptr;  // Xlib's Display
};

// A program started with its own environment and working directory, its
// standard output and error going to files; killed when still running at the end.
class ChildProcess {
public:
    ChildProcess(const std::vector<std::string>& argv, const std::map<std::string, std::string>& environment,
                 const std::filesystem::path& workingDirectory, const std::filesystem::path& logFile);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // The exit status, or nothing when the program still runs after the timeout.
    std::optional<int> WaitForExit(std::chrono::milliseconds timeout);
    bool Running();

private:
    int pid_ = -1;
    std::optional<int> status_;
};

// Output of a command (e.g. xwininfo), standard error included.
std::string CommandOutput(const std::string& command);

}  // namespace vindeleo::test
