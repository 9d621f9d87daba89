#include "harness.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <set>
#include <sstream>
#include <thread>

#ifndef GRAPH_EDITOR_PROGRAM
#error "GRAPH_EDITOR_PROGRAM must name the program under test"
#endif
#ifndef XVFB_PROGRAM
#define XVFB_PROGRAM "Xvfb"
#endif

extern char** environ;

namespace window_test {
namespace {

namespace fs = std::filesystem;

constexpr auto kPoll = 20ms;
constexpr const char* kMenuWindowName = "freeglut menu";

// The program's context menu: the sub-menus of the top menu and their entries, top down.
struct SubMenu {
    std::string_view name;
    std::vector<std::string_view> entries;
};
const std::vector<SubMenu>& contextMenu() {
    static const std::vector<SubMenu> menu{
        {"Node", {"Remove Node"}},
        {"Graph", {"Pause/Unpause", "Open graph.txt", "Save graph.txt", "Quit"}},
    };
    return menu;
}
// freeglut draws a 2-pixel frame around every menu.
constexpr int kMenuBorder = 2;

// Windows come and go while we look at them (menus are destroyed on exit, say); a request
// about a vanished window must not end the test binary, so X errors are only counted.
int xErrors = 0;
int countXError(Display*, XErrorEvent*) {
    ++xErrors;
    return 0;
}

void sleepFor(Clock::duration d) { std::this_thread::sleep_for(d); }

std::string errnoText(const std::string& what) { return what + ": " + std::strerror(errno); }

// Ends a child we started: politely, then firmly. Never waits unbounded on a live child.
void endChild(pid_t pid, std::optional<int>* statusOut = nullptr) {
    if (pid <= 0) return;
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == pid) {
        if (statusOut) *statusOut = status;
        return;
    }
    kill(pid, SIGTERM);
    const auto deadline = Clock::now() + 2s;
    while (Clock::now() < deadline) {
        if (waitpid(pid, &status, WNOHANG) == pid) {
            if (statusOut) *statusOut = status;
            return;
        }
        sleepFor(10ms);
    }
    kill(pid, SIGKILL);
    if (waitpid(pid, &status, 0) == pid && statusOut) *statusOut = status;
}

// In a freshly forked child: die with the test binary, even if it crashes.
void dieWithParent(pid_t parent, int signal) {
    prctl(PR_SET_PDEATHSIG, signal);
    if (getppid() != parent) _exit(127);
}

// One Xvfb per test binary, started on first use and ended (by PID) at exit. A fresh
// display number is picked by the server itself (-displayfd), so test binaries can run
// side by side.
class XServer {
  public:
    static XServer& get() {
        static XServer server;
        return server;
    }
    Display* display() const { return display_; }
    const std::string& name() const { return name_; }

    ~XServer() {
        if (display_) XCloseDisplay(display_);
        endChild(pid_);
    }

  private:
    XServer() {
        int pipeFds[2];
        if (pipe2(pipeFds, O_CLOEXEC) != 0) throw HarnessError(errnoText("pipe"));
        const pid_t parent = getpid();
        pid_ = fork();
        if (pid_ < 0) throw HarnessError(errnoText("fork"));
        if (pid_ == 0) {
            dieWithParent(parent, SIGTERM);
            // The server writes its display number to fd 3.
            if (pipeFds[1] == 3) {
                fcntl(3, F_SETFD, 0);
            } else {
                dup2(pipeFds[1], 3);
            }
            const int devNull = open("/dev/null", O_RDWR);
            dup2(devNull, 0);
            dup2(devNull, 1);
            dup2(devNull, 2);
            const char* argv[] = {XVFB_PROGRAM, "-displayfd", "3", "-screen", "0", "1024x768x24",
                                  "-nolisten", "tcp", nullptr};
            execvp(argv[0], const_cast<char**>(argv));
            _exit(127);
        }
        close(pipeFds[1]);
        std::string number;
        const auto deadline = Clock::now() + 10s;
        while (number.empty() || number.back() != '\n') {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            pollfd pfd{pipeFds[0], POLLIN, 0};
            if (left.count() <= 0 || poll(&pfd, 1, static_cast<int>(left.count())) <= 0) break;
            char buffer[32];
            const ssize_t got = read(pipeFds[0], buffer, sizeof buffer);
            if (got <= 0) break;
            number.append(buffer, static_cast<std::size_t>(got));
        }
        close(pipeFds[0]);
        if (number.empty() || number.back() != '\n') {
            endChild(pid_);
            throw HarnessError(std::string("Xvfb (") + XVFB_PROGRAM +
                               ") did not report a display within 10 s; is it installed?");
        }
        number.pop_back();
        name_ = ":" + number;
        XSetErrorHandler(countXError);
        display_ = XOpenDisplay(name_.c_str());
        if (!display_) {
            endChild(pid_);
            throw HarnessError("cannot connect to Xvfb on display " + name_);
        }
        int event = 0, error = 0, major = 0, minor = 0;
        if (!XTestQueryExtension(display_, &event, &error, &major, &minor)) {
            throw HarnessError("Xvfb on " + name_ + " has no XTEST extension");
        }
    }

    pid_t pid_ = -1;
    std::string name_;
    Display* display_ = nullptr;
};

Display* dpy() { return XServer::get().display(); }

std::string windowName(Window w) {
    char* name = nullptr;
    std::string result;
    if (XFetchName(dpy(), w, &name) && name) {
        result = name;
        XFree(name);
    }
    return result;
}

// Top-level windows that are shown, bottom of the stack first.
std::vector<Window> viewableTopLevels() {
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    std::vector<Window> result;
    if (!XQueryTree(dpy(), DefaultRootWindow(dpy()), &root, &parent, &children, &count)) return result;
    for (unsigned i = 0; i < count; ++i) {
        XWindowAttributes attributes;
        if (XGetWindowAttributes(dpy(), children[i], &attributes) && attributes.map_state == IsViewable) {
            result.push_back(children[i]);
        }
    }
    if (children) XFree(children);
    return result;
}

// The screen position of a window's top-left pixel.
Pixel screenOrigin(Window w) {
    int x = 0, y = 0;
    Window child = 0;
    XTranslateCoordinates(dpy(), w, DefaultRootWindow(dpy()), 0, 0, &x, &y, &child);
    return {x, y};
}

Pixel pointerOnScreen() {
    Window root = 0, child = 0;
    int rootX = 0, rootY = 0, winX = 0, winY = 0;
    unsigned mask = 0;
    XQueryPointer(dpy(), DefaultRootWindow(dpy()), &root, &child, &rootX, &rootY, &winX, &winY, &mask);
    return {rootX, rootY};
}

int channel(unsigned long pixel, unsigned long mask) {
    if (mask == 0) return 0;
    int shift = 0;
    while (!((mask >> shift) & 1)) ++shift;
    const unsigned long bits = mask >> shift;
    const unsigned long value = (pixel & mask) >> shift;
    return static_cast<int>((value * 255 + bits / 2) / bits);
}

std::vector<Rgb> decode(XImage* image) {
    std::vector<Rgb> pixels(static_cast<std::size_t>(image->width) * image->height);
    for (int y = 0; y < image->height; ++y) {
        for (int x = 0; x < image->width; ++x) {
            const unsigned long p = XGetPixel(image, x, y);
            pixels[static_cast<std::size_t>(y) * image->width + x] = {
                channel(p, image->red_mask), channel(p, image->green_mask), channel(p, image->blue_mask)};
        }
    }
    return pixels;
}

std::string readFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string describeStatus(int status) {
    if (WIFEXITED(status)) return "exited with status " + std::to_string(WEXITSTATUS(status));
    if (WIFSIGNALED(status)) return "was killed by signal " + std::to_string(WTERMSIG(status));
    return "stopped";
}

}  // namespace

// ---- colours, points, waiting ----

std::ostream& operator<<(std::ostream& out, const Rgb& c) { return out << describe(c); }

std::string describe(const Rgb& c) {
    return "rgb(" + std::to_string(c.r) + "," + std::to_string(c.g) + "," + std::to_string(c.b) + ")";
}

bool near(const Rgb& a, const Rgb& b, int tolerance) {
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
           std::abs(a.b - b.b) <= tolerance;
}

Rgb grey(double level) {
    const int v = static_cast<int>(std::lround(level * 255.0));
    return {v, v, v};
}

std::ostream& operator<<(std::ostream& out, const Pixel& p) {
    return out << "(" << p.x << "," << p.y << ")";
}

::testing::AssertionResult waitUntil(const std::function<bool()>& condition, std::string_view what,
                                     Clock::duration timeout) {
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        if (condition()) return ::testing::AssertionSuccess();
        if (Clock::now() >= deadline) break;
        sleepFor(kPoll);
    }
    return ::testing::AssertionFailure()
           << "still not " << what << " after "
           << std::chrono::duration_cast<std::chrono::milliseconds>(timeout).count() << " ms";
}

// ---- snapshots ----

Snapshot::Snapshot(int width, int height, std::vector<Rgb> pixels)
    : width_(width), height_(height), pixels_(std::move(pixels)) {}

Rgb Snapshot::at(Pixel p) const {
    if (!contains(p)) {
        throw HarnessError("pixel " + std::to_string(p.x) + "," + std::to_string(p.y) +
                           " lies outside the " + std::to_string(width_) + "x" +
                           std::to_string(height_) + " window");
    }
    return pixels_[static_cast<std::size_t>(p.y) * width_ + p.x];
}

int Snapshot::distinctColours() const {
    std::set<std::array<int, 3>> seen;
    for (const Rgb& c : pixels_) seen.insert({c.r, c.g, c.b});
    return static_cast<int>(seen.size());
}

void Snapshot::savePpm(const fs::path& file) const {
    std::ofstream out(file, std::ios::binary);
    out << "P6\n" << width_ << " " << height_ << "\n255\n";
    for (const Rgb& c : pixels_) {
        out.put(static_cast<char>(c.r)).put(static_cast<char>(c.g)).put(static_cast<char>(c.b));
    }
}

// ---- the program ----

Editor::Editor(const LaunchOptions& options) {
    XServer::get();  // before the install tree, so a missing Xvfb leaves nothing behind
    launch(options);
    try {
        findWindow();
        moveWindowToOrigin();
        waitForFirstFrame();
    } catch (...) {
        stop();
        throw;
    }
}

Editor::~Editor() {
    stop();
    if (root_.empty()) return;
    if (::testing::Test::HasFailure()) {
        std::cerr << "window test: kept the program's files in " << root_ << "\n";
    } else {
        std::error_code ignored;
        fs::remove_all(root_, ignored);
    }
}

void Editor::launch(const LaunchOptions& options) {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/graph-editor-window-XXXXXX";
    if (!mkdtemp(pattern.data())) throw HarnessError(errnoText("mkdtemp " + pattern));
    root_ = pattern;
    fs::create_directories(root_ / "bin");
    fs::create_directories(root_ / "Resources");
    fs::create_directories(root_ / "elsewhere");
    const fs::path program = root_ / "bin" / "graph-editor";
    fs::copy_file(GRAPH_EDITOR_PROGRAM, program);
    fs::permissions(program, fs::perms::owner_all, fs::perm_options::add);

    invokedAs_ = options.invokedAs.empty() ? program.string() : options.invokedAs;
    const fs::path workingDirectory =
        options.workingDirectory.empty() ? root_ / "elsewhere" : root_ / options.workingDirectory;

    // Everything the child needs is prepared before the fork.
    std::vector<std::string> environment;
    for (char** e = environ; *e; ++e) {
        if (std::strncmp(*e, "DISPLAY=", 8) != 0) environment.emplace_back(*e);
    }
    environment.push_back("DISPLAY=" + XServer::get().name());
    std::vector<char*> envp;
    for (std::string& e : environment) envp.push_back(e.data());
    envp.push_back(nullptr);
    std::string argv0 = invokedAs_;
    char* argv[] = {argv0.data(), nullptr};
    const std::string programPath = program.string();
    const std::string directory = workingDirectory.string();
    const std::string logPath = (root_ / "program.log").string();

    const pid_t parent = getpid();
    pid_ = fork();
    if (pid_ < 0) throw HarnessError(errnoText("fork"));
    if (pid_ == 0) {
        dieWithParent(parent, SIGKILL);
        const int devNull = open("/dev/null", O_RDONLY);
        const int log = open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(devNull, 0);
        dup2(log, 1);
        dup2(log, 2);
        if (chdir(directory.c_str()) != 0) _exit(126);
        execve(programPath.c_str(), argv, envp.data());
        _exit(127);
    }
}

void Editor::fail(const std::string& message) const {
    std::string text = message;
    const std::string output = log();
    if (!output.empty()) text += "\nprogram output:\n" + output;
    throw HarnessError(text);
}

std::string Editor::log() const { return readFile(root_ / "program.log"); }

void Editor::findWindow() {
    const auto deadline = Clock::now() + kWait;
    while (Clock::now() < deadline) {
        if (!running()) fail("the program " + describeStatus(*exitStatus_) + " before showing its window");
        for (Window w : viewableTopLevels()) {
            if (windowName(w) == invokedAs_) {
                window_ = w;
                return;
            }
        }
        sleepFor(kPoll);
    }
    fail("no window titled \"" + invokedAs_ + "\" appeared within 5 s");
}

void Editor::moveWindowToOrigin() {
    // With no window manager the window opens at (-1, -1), one row and column off screen.
    XMoveWindow(dpy(), window_, 0, 0);
    XSync(dpy(), False);
    if (!waitUntil([&] { return screenOrigin(window_) == Pixel{0, 0}; }, "moved to 0,0")) {
        fail("the window did not move to the screen's top-left corner");
    }
    // Keys go to the focused window whatever the pointer does.
    XSetInputFocus(dpy(), window_, RevertToPointerRoot, CurrentTime);
    XSync(dpy(), False);
}

void Editor::waitForFirstFrame() {
    // The window shows one flat colour until the program has drawn into it.
    if (!waitUntil([&] { return snapshot().distinctColours() > 1; }, "drawn")) {
        fail("the window stayed one flat colour: the program drew no frame");
    }
}

int Editor::width() const {
    XWindowAttributes attributes;
    XGetWindowAttributes(dpy(), window_, &attributes);
    return attributes.width;
}

int Editor::height() const {
    XWindowAttributes attributes;
    XGetWindowAttributes(dpy(), window_, &attributes);
    return attributes.height;
}

void Editor::resize(int w, int h) {
    XResizeWindow(dpy(), window_, static_cast<unsigned>(w), static_cast<unsigned>(h));
    XSync(dpy(), False);
    if (!waitUntil([&] { return width() == w && height() == h; }, "resized")) {
        fail("the window did not take the size " + std::to_string(w) + "x" + std::to_string(h));
    }
}

ScenePoint Editor::sceneOf(Pixel p) const {
    const int w = width();
    const int h = height();
    // As the program computes it: the row count in integers, both quotients in float.
    return {static_cast<float>(p.x) / static_cast<float>(w),
            static_cast<float>(h - p.y - 1) / static_cast<float>(h)};
}

Pixel Editor::pixelOf(ScenePoint s) const {
    const int w = width();
    const int h = height();
    return {static_cast<int>(std::lround(s.x * static_cast<float>(w))),
            h - 1 - static_cast<int>(std::lround(s.y * static_cast<float>(h)))};
}

// ---- input ----

void Editor::pointerTo(Pixel p) {
    const Pixel origin = screenOrigin(window_);
    XTestFakeMotionEvent(dpy(), -1, origin.x + p.x, origin.y + p.y, CurrentTime);
    XSync(dpy(), False);
}

void Editor::moveTo(Pixel p) {
    const Pixel origin = screenOrigin(window_);
    // A move to where the pointer already is reports nothing: step aside first, so the
    // program always hears of the position.
    if (pointerOnScreen() == Pixel{origin.x + p.x, origin.y + p.y}) pointerTo({p.x + 1, p.y});
    pointerTo(p);
}

void Editor::press(Pixel p, Button button) {
    pointerTo(p);
    XTestFakeButtonEvent(dpy(), static_cast<unsigned>(button), True, CurrentTime);
    XSync(dpy(), False);
}

void Editor::release(Pixel p, Button button) {
    pointerTo(p);
    XTestFakeButtonEvent(dpy(), static_cast<unsigned>(button), False, CurrentTime);
    XSync(dpy(), False);
}

void Editor::click(Pixel p, Button button) {
    press(p, button);
    release(p, button);
}

void Editor::drag(Pixel from, Pixel to, Button button, int steps) {
    moveTo(from);
    press(from, button);
    for (int i = 1; i < steps; ++i) {
        pointerTo({from.x + (to.x - from.x) * i / steps, from.y + (to.y - from.y) * i / steps});
    }
    pointerTo(to);
    release(to, button);
}

void Editor::typeChar(char c) {
    KeySym keysym = static_cast<KeySym>(static_cast<unsigned char>(c));
    switch (c) {
        case 27: keysym = XK_Escape; break;
        case '\r': keysym = XK_Return; break;
        case '\t': keysym = XK_Tab; break;
        case '\b': keysym = XK_BackSpace; break;
        default: break;
    }
    const KeyCode code = XKeysymToKeycode(dpy(), keysym);
    if (code == 0) fail(std::string("the keyboard map has no key for '") + c + "'");
    // A character that is not on the key's first level needs Shift.
    const bool shifted = XkbKeycodeToKeysym(dpy(), code, 0, 0) != keysym;
    const KeyCode shift = XKeysymToKeycode(dpy(), XK_Shift_L);
    XSetInputFocus(dpy(), window_, RevertToPointerRoot, CurrentTime);
    if (shifted) XTestFakeKeyEvent(dpy(), shift, True, CurrentTime);
    XTestFakeKeyEvent(dpy(), code, True, CurrentTime);
    XTestFakeKeyEvent(dpy(), code, False, CurrentTime);
    if (shifted) XTestFakeKeyEvent(dpy(), shift, False, CurrentTime);
    XSync(dpy(), False);
}

// ---- the context menu ----

std::vector<MenuWindow> Editor::visibleMenus() const {
    std::vector<MenuWindow> menus;
    for (Window w : viewableTopLevels()) {
        if (windowName(w) != kMenuWindowName) continue;
        XWindowAttributes attributes;
        if (!XGetWindowAttributes(dpy(), w, &attributes)) continue;
        const Pixel origin = screenOrigin(w);
        menus.push_back({w, origin.x, origin.y, attributes.width, attributes.height});
    }
    return menus;
}

int Editor::menuEntryHeight() const {
    // Entries are equally high in every menu: take the height from the top menu.
    return (topMenu_.height - 2 * kMenuBorder) / static_cast<int>(contextMenu().size());
}

int Editor::menuEntries(const MenuWindow& menu) const {
    const int step = menuEntryHeight();
    return step > 0 ? (menu.height - 2 * kMenuBorder) / step : 0;
}

MenuWindow Editor::openMenu(Pixel at) {
    if (!waitUntil([&] { return visibleMenus().empty(); }, "without menus")) {
        fail("a menu was still open before opening the context menu");
    }
    moveTo(at);
    click(at, Button::Right);
    std::vector<MenuWindow> menus;
    if (!waitUntil([&] { return (menus = visibleMenus()).size() == 1; }, "showing the menu")) {
        fail("the right button did not open the context menu (menus shown: " +
             std::to_string(menus.size()) + ")");
    }
    topMenu_ = menus.front();
    return topMenu_;
}

MenuWindow Editor::hoverMenuEntry(const MenuWindow& menu, int index) {
    const std::vector<MenuWindow> before = visibleMenus();
    const int step = menuEntryHeight();
    const Pixel origin = screenOrigin(window_);
    const Pixel target{menu.x + menu.width / 2 - origin.x,
                       menu.y + kMenuBorder + step * index + step / 2 - origin.y};
    moveTo(target);
    // The sub-menu that opens is the one menu that was not shown before.
    std::optional<MenuWindow> opened;
    const auto isNew = [&] {
        const std::vector<MenuWindow> now = visibleMenus();
        if (now.size() != 2) return false;
        for (const MenuWindow& m : now) {
            bool seen = false;
            for (const MenuWindow& b : before) seen = seen || b.id == m.id;
            if (!seen) opened = m;
        }
        return opened.has_value();
    };
    if (!waitUntil(isNew, "showing a sub-menu")) {
        fail("pointing at entry " + std::to_string(index) + " of the menu opened no sub-menu");
    }
    return *opened;
}

void Editor::clickMenuEntry(const MenuWindow& menu, int index) {
    const int step = menuEntryHeight();
    const Pixel origin = screenOrigin(window_);
    const Pixel target{menu.x + menu.width / 2 - origin.x,
                       menu.y + kMenuBorder + step * index + step / 2 - origin.y};
    moveTo(target);
    click(target, Button::Left);
    if (!waitUntil([&] { return visibleMenus().empty(); }, "closing the menu")) {
        fail("the menu stayed open after choosing entry " + std::to_string(index));
    }
}

void Editor::closeMenus() {
    const int w = width();
    const int h = height();
    const Pixel origin = screenOrigin(window_);
    const std::vector<MenuWindow> menus = visibleMenus();
    // Any corner of the window that no menu covers.
    for (Pixel corner : {Pixel{2, h - 3}, Pixel{w - 3, h - 3}, Pixel{w - 3, 2}, Pixel{2, 2}}) {
        bool covered = false;
        for (const MenuWindow& m : menus) {
            const int sx = origin.x + corner.x;
            const int sy = origin.y + corner.y;
            covered = covered || (sx >= m.x && sx < m.x + m.width && sy >= m.y && sy < m.y + m.height);
        }
        if (covered) continue;
        click(corner, Button::Left);
        if (!waitUntil([&] { return visibleMenus().empty(); }, "closing the menu")) {
            fail("clicking beside the menu did not close it");
        }
        return;
    }
    fail("menus cover every corner of the window");
}

void Editor::chooseMenu(Pixel at, std::string_view subMenu, std::string_view entry) {
    const auto& menu = contextMenu();
    for (std::size_t s = 0; s < menu.size(); ++s) {
        if (menu[s].name != subMenu) continue;
        for (std::size_t e = 0; e < menu[s].entries.size(); ++e) {
            if (menu[s].entries[e] != entry) continue;
            const MenuWindow top = openMenu(at);
            const MenuWindow sub = hoverMenuEntry(top, static_cast<int>(s));
            if (menuEntries(sub) != static_cast<int>(menu[s].entries.size())) {
                fail("pointing at \"" + std::string(subMenu) + "\" opened a sub-menu " +
                     std::to_string(sub.height) + " pixels high, not one of " +
                     std::to_string(menu[s].entries.size()) + " entries");
            }
            clickMenuEntry(sub, static_cast<int>(e));
            return;
        }
    }
    fail("the context menu has no entry \"" + std::string(subMenu) + "\" > \"" + std::string(entry) + "\"");
}

std::vector<std::string> topLevelTitles() {
    std::vector<std::string> titles;
    for (Window w : viewableTopLevels()) titles.push_back(windowName(w));
    return titles;
}

// ---- pixels ----

Snapshot Editor::snapshot() const {
    const int w = width();
    const int h = height();
    XImage* image = XGetImage(dpy(), window_, 0, 0, static_cast<unsigned>(w), static_cast<unsigned>(h),
                              AllPlanes, ZPixmap);
    if (!image) throw HarnessError("cannot read the window's pixels");
    std::vector<Rgb> pixels = decode(image);
    XDestroyImage(image);
    return Snapshot(w, h, std::move(pixels));
}

Rgb Editor::pixel(Pixel p) const {
    XImage* image = XGetImage(dpy(), window_, p.x, p.y, 1, 1, AllPlanes, ZPixmap);
    if (!image) throw HarnessError("cannot read the window's pixel " + std::to_string(p.x) + "," + std::to_string(p.y));
    const Rgb c = decode(image).front();
    XDestroyImage(image);
    return c;
}

::testing::AssertionResult Editor::waitForPixels(const std::vector<PixelCheck>& checks,
                                                 Clock::duration timeout) const {
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        const Snapshot shot = snapshot();
        std::ostringstream wrong;
        for (const PixelCheck& check : checks) {
            if (!shot.contains(check.at)) {
                wrong << "\n  " << check.what << ": " << check.at << " lies outside the window";
                continue;
            }
            const Rgb seen = shot.at(check.at);
            if (near(seen, check.want, check.tolerance) == check.isNot) {
                wrong << "\n  " << check.what << ": pixel " << check.at << " is " << seen << ", want "
                      << (check.isNot ? "anything but " : "") << check.want;
                if (check.tolerance) wrong << " +-" << check.tolerance;
            }
        }
        if (wrong.str().empty()) return ::testing::AssertionSuccess();
        if (Clock::now() >= deadline) {
            static int failures = 0;
            const fs::path file = root_ / ("failure-" + std::to_string(++failures) + ".ppm");
            shot.savePpm(file);
            return ::testing::AssertionFailure()
                   << "after " << std::chrono::duration_cast<std::chrono::milliseconds>(timeout).count()
                   << " ms the window (saved as " << file.string() << ") still shows:" << wrong.str();
        }
        sleepFor(kPoll);
    }
}

// ---- the program's life ----

bool Editor::running() {
    if (exitStatus_) return false;
    int status = 0;
    if (pid_ > 0 && waitpid(pid_, &status, WNOHANG) == pid_) {
        exitStatus_ = status;
        return false;
    }
    return pid_ > 0;
}

std::optional<int> Editor::waitForExit(Clock::duration timeout) {
    waitUntil([&] { return !running(); }, "ended", timeout);
    if (!exitStatus_) return std::nullopt;
    if (WIFEXITED(*exitStatus_)) return WEXITSTATUS(*exitStatus_);
    return 128 + WTERMSIG(*exitStatus_);
}

void Editor::stop() {
    if (running()) endChild(pid_, &exitStatus_);
}

std::optional<std::string> Editor::readResource(const std::string& name) const {
    const fs::path file = resources() / name;
    if (!fs::exists(file)) return std::nullopt;
    return readFile(file);
}

}  // namespace window_test
