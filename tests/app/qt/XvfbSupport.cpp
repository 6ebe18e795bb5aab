#include "app/qt/XvfbSupport.h"

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace vindeleo::test {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr auto kPollInterval = std::chrono::milliseconds(20);

Display* Dpy(void* display) { return static_cast<Display*>(display); }

// Windows come and go while the tests look at the tree; a request about one
// that has gone must not end the test program, as Xlib's own handler would.
int IgnoreXErrors(Display*, XErrorEvent*) { return 0; }

std::optional<fs::path> FindOnPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= dirs.size()) {
        const std::size_t colon = dirs.find(':', start);
        const fs::path candidate = fs::path(dirs.substr(start, colon - start)) / program;
        if (access(candidate.c_str(), X_OK) == 0) return candidate;
        if (colon == std::string::npos) break;
        start = colon + 1;
    }
    return std::nullopt;
}

// Waits for the child to end, up to the timeout; its status, or nothing.
std::optional<int> Reap(int pid, std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        int status = 0;
        const int done = waitpid(pid, &status, WNOHANG);
        if (done == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        if (done < 0) return -1;
        if (Clock::now() >= deadline) return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

void Stop(int pid) {
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    if (!Reap(pid, std::chrono::seconds(3))) {
        kill(pid, SIGKILL);
        Reap(pid, std::chrono::seconds(3));
    }
}

}  // namespace

std::unique_ptr<Xvfb> Xvfb::Start(std::string& whyNot) {
    const auto program = FindOnPath("Xvfb");
    if (!program) {
        whyNot = "Xvfb is not installed";
        return nullptr;
    }
    std::array<int, 2> pipeEnds{};
    if (pipe(pipeEnds.data()) != 0) throw std::runtime_error("pipe");
    const int pid = fork();
    if (pid == 0) {
        close(pipeEnds[0]);
        const int devNull = open("/dev/null", O_WRONLY);
        dup2(devNull, STDOUT_FILENO);
        dup2(devNull, STDERR_FILENO);
        const std::string fd = std::to_string(pipeEnds[1]);
        // -displayfd: the server picks a free display and writes its number when ready.
        execl(program->c_str(), "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24", "-nolisten", "tcp",
              "-noreset", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(pipeEnds[1]);
    std::unique_ptr<Xvfb> server(new Xvfb);
    server->pid_ = pid;

    std::string number;
    pollfd ready{pipeEnds[0], POLLIN, 0};
    const auto deadline = Clock::now() + std::chrono::seconds(20);
    while (number.find('\n') == std::string::npos && Clock::now() < deadline) {
        if (poll(&ready, 1, 100) <= 0) continue;
        char buffer[32];
        const ssize_t count = read(pipeEnds[0], buffer, sizeof buffer);
        if (count <= 0) break;
        number.append(buffer, static_cast<std::size_t>(count));
    }
    close(pipeEnds[0]);
    if (number.find('\n') == std::string::npos) throw std::runtime_error("Xvfb did not start");
    server->displayName_ = ":" + number.substr(0, number.find('\n'));

    XSetErrorHandler(IgnoreXErrors);
    server->display_ = XOpenDisplay(server->displayName_.c_str());
    if (!server->display_) throw std::runtime_error("cannot open display " + server->displayName_);
    int event, error, major, minor;
    if (!XTestQueryExtension(Dpy(server->display_), &event, &error, &major, &minor))
        throw std::runtime_error("the X server lacks XTEST");
    return server;
}

Xvfb::~Xvfb() {
    if (display_) XCloseDisplay(Dpy(display_));
    Stop(pid_);
}

int Xvfb::ScreenWidth() const { return DisplayWidth(Dpy(display_), DefaultScreen(Dpy(display_))); }
int Xvfb::ScreenHeight() const { return DisplayHeight(Dpy(display_), DefaultScreen(Dpy(display_))); }

XWindowId Xvfb::CreateWindow(int x, int y, int width, int height) {
    Display* d = Dpy(display_);
    const int screen = DefaultScreen(d);
    const Window window = XCreateSimpleWindow(d, RootWindow(d, screen), x, y, static_cast<unsigned>(width),
                                              static_cast<unsigned>(height), 0, BlackPixel(d, screen),
                                              0x406080);
    XStoreName(d, window, "Morvalen");
    XMapWindow(d, window);
    XSync(d, False);
    const auto deadline = Clock::now() + std::chrono::seconds(5);
    XWindowAttributes attributes{};
    while (XGetWindowAttributes(d, window, &attributes) && attributes.map_state != IsViewable &&
           Clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return window;
}

XWindowId Xvfb::UnusedWindowId() const {
    Display* d = Dpy(display_);
    const Window window = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 1, 1, 0, 0, 0);
    XDestroyWindow(d, window);
    XSync(d, False);
    return window;
}

std::string Xvfb::Name(XWindowId window) {
    Display* d = Dpy(display_);
    // The UTF-8 name that Qt sets, else the classic one.
    const Atom netName = XInternAtom(d, "_NET_WM_NAME", False);
    const Atom utf8 = XInternAtom(d, "UTF8_STRING", False);
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::string name;
    if (XGetWindowProperty(d, window, netName, 0, 1024, False, utf8, &type, &format, &count, &after, &data) ==
            Success &&
        data) {
        name.assign(reinterpret_cast<char*>(data), count);
        XFree(data);
        return name;
    }
    char* classic = nullptr;
    if (XFetchName(d, window, &classic) && classic) {
        name = classic;
        XFree(classic);
    }
    return name;
}

std::vector<XWindowId> Xvfb::Children(XWindowId window) {
    Display* d = Dpy(display_);
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    std::vector<XWindowId> result;
    if (XQueryTree(d, window, &root, &parent, &children, &count)) {
        result.assign(children, children + count);
        if (children) XFree(children);
    }
    return result;
}

XGeometry Xvfb::Geometry(XWindowId window) {
    Display* d = Dpy(display_);
    XWindowAttributes attributes{};
    XGeometry geometry;
    if (!XGetWindowAttributes(d, window, &attributes)) return geometry;
    geometry.x = attributes.x;
    geometry.y = attributes.y;
    geometry.width = attributes.width;
    geometry.height = attributes.height;
    Window child = 0;
    XTranslateCoordinates(d, window, DefaultRootWindow(d), 0, 0, &geometry.rootX, &geometry.rootY, &child);
    return geometry;
}

std::optional<XWindowId> Xvfb::WaitForWindow(const std::string& name, std::chrono::milliseconds timeout,
                                             XWindowId under) {
    Display* d = Dpy(display_);
    const XWindowId top = under ? under : DefaultRootWindow(d);
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        std::vector<XWindowId> pending = Children(top);
        while (!pending.empty()) {
            const XWindowId window = pending.back();
            pending.pop_back();
            XWindowAttributes attributes{};
            if (!XGetWindowAttributes(d, window, &attributes) || attributes.map_state != IsViewable) continue;
            if (attributes.width > 1 && Name(window) == name) return window;
            const auto children = Children(window);
            pending.insert(pending.end(), children.begin(), children.end());
        }
        if (Clock::now() >= deadline) return std::nullopt;
        std::this_thread::sleep_for(kPollInterval);
    }
}

bool Xvfb::WaitUntilGone(const std::string& name, std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        if (!WaitForWindow(name, std::chrono::milliseconds(0))) return true;
        if (Clock::now() >= deadline) return false;
        std::this_thread::sleep_for(kPollInterval);
    }
}

bool Xvfb::WaitForFocus(XWindowId window, std::chrono::milliseconds timeout) {
    Display* d = Dpy(display_);
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        Window focus = 0;
        int revertTo = 0;
        XGetInputFocus(d, &focus, &revertTo);
        // Up from the focused window to the root, looking for the given one.
        while (focus != None && focus != PointerRoot) {
            if (focus == window) return true;
            Window root = 0, parent = 0;
            Window* children = nullptr;
            unsigned int count = 0;
            if (!XQueryTree(d, focus, &root, &parent, &children, &count)) break;
            if (children) XFree(children);
            if (parent == root || parent == 0) break;
            focus = parent;
        }
        if (Clock::now() >= deadline) return false;
        std::this_thread::sleep_for(kPollInterval);
    }
}

void Xvfb::KeyStroke(unsigned long keysym) {
    Display* d = Dpy(display_);
    const KeyCode code = XKeysymToKeycode(d, keysym);
    if (code == 0) throw std::runtime_error("no key for keysym " + std::to_string(keysym));
    // A key whose first level is another symbol is reached with Shift.
    const bool shifted = XkbKeycodeToKeysym(d, code, 0, 0) != keysym;
    const KeyCode shift = XKeysymToKeycode(d, XK_Shift_L);
    if (shifted) XTestFakeKeyEvent(d, shift, True, CurrentTime);
    XTestFakeKeyEvent(d, code, True, CurrentTime);
    XTestFakeKeyEvent(d, code, False, CurrentTime);
    if (shifted) XTestFakeKeyEvent(d, shift, False, CurrentTime);
    XSync(d, False);
}

void Xvfb::Type(const std::string& text) {
    // Printable ASCII characters are their own key symbols.
    for (const char c : text) KeyStroke(static_cast<unsigned char>(c));
}

void Xvfb::PressKey(const std::string& keyName) {
    const KeySym keysym = XStringToKeysym(keyName.c_str());
    if (keysym == NoSymbol) throw std::runtime_error("unknown key " + keyName);
    KeyStroke(keysym);
}

void Xvfb::Click(int rootX, int rootY) {
    Display* d = Dpy(display_);
    XTestFakeMotionEvent(d, -1, rootX, rootY, CurrentTime);
    XTestFakeButtonEvent(d, 1, True, CurrentTime);
    XTestFakeButtonEvent(d, 1, False, CurrentTime);
    XSync(d, False);
}

void Xvfb::Screenshot(const fs::path& png) const {
    const std::string command =
        "import -display '" + displayName_ + "' -window root '" + png.string() + "' >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0) std::fprintf(stderr, "screenshot failed: %s\n", png.c_str());
}

ChildProcess::ChildProcess(const std::vector<std::string>& argv, const std::map<std::string, std::string>& environment,
                           const fs::path& workingDirectory, const fs::path& logFile) {
    // The environment: this one's, with the given variables set.
    std::map<std::string, std::string> variables;
    for (char** entry = environ; *entry; ++entry) {
        const std::string text = *entry;
        const auto equals = text.find('=');
        if (equals != std::string::npos) variables[text.substr(0, equals)] = text.substr(equals + 1);
    }
    for (const auto& [name, value] : environment) variables[name] = value;
    std::vector<std::string> texts;
    for (const auto& [name, value] : variables) texts.push_back(name + "=" + value);
    std::vector<char*> envp;
    for (std::string& text : texts) envp.push_back(text.data());
    envp.push_back(nullptr);
    std::vector<std::string> args = argv;
    std::vector<char*> argp;
    for (std::string& arg : args) argp.push_back(arg.data());
    argp.push_back(nullptr);

    pid_ = fork();
    if (pid_ == 0) {
        const int log = open(logFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int devNull = open("/dev/null", O_RDONLY);
        dup2(devNull, STDIN_FILENO);
        dup2(log, STDOUT_FILENO);
        dup2(log, STDERR_FILENO);
        if (chdir(workingDirectory.c_str()) != 0) _exit(126);
        execve(argp[0], argp.data(), envp.data());
        _exit(127);
    }
    if (pid_ < 0) throw std::runtime_error("fork");
}

ChildProcess::~ChildProcess() {
    if (!status_) {
        kill(pid_, SIGKILL);
        Reap(pid_, std::chrono::seconds(5));
    }
}

std::optional<int> ChildProcess::WaitForExit(std::chrono::milliseconds timeout) {
    if (!status_) status_ = Reap(pid_, timeout);
    return status_;
}

bool ChildProcess::Running() { return !WaitForExit(std::chrono::milliseconds(0)); }

std::string CommandOutput(const std::string& command) {
    std::string output;
    if (std::FILE* pipe = popen((command + " 2>&1").c_str(), "r")) {
        char buffer[4096];
        std::size_t count;
        while ((count = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, count);
        pclose(pipe);
    }
    return output;
}

}  // namespace vindeleo::test
