#pragma once

// Drives the real graph-editor in a real X window under Xvfb, the way a person would:
// XTest pointer and key events at window pixels, XGetImage to see what it drew.
//
// The window is moved to the screen's top-left corner, so window pixels and screen pixels
// are the same; y counts down from the top row, as GLUT reports it. Every wait polls every
// 20 ms and gives up after a few seconds. Included by the one test file of this directory.

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

// Polls until `done` holds; false if it still does not after five seconds.
inline bool waitFor(const std::function<bool()>& done) {
    for (const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5); !done();) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

// Harness failures: the X server or the program did not do what every test relies on.
inline void require(bool ok, const std::string& what) {
    if (!ok) throw std::runtime_error(what);
}

// The test display: one Xvfb for the whole test binary, ended by PID when the binary exits.
// It picks a free display itself (-displayfd), so test binaries can run side by side, and
// ends by itself once its last client is gone (-terminate), should the test binary crash.
inline Display* display() {
    static pid_t server = -1;
    static Display* const connection = [] {
        int fds[2];
        require(pipe(fds) == 0 && (server = fork()) >= 0, "cannot start Xvfb");
        if (server == 0) {
            dup2(fds[1], 3);
            execlp(XVFB_PROGRAM, XVFB_PROGRAM, "-displayfd", "3", "-screen", "0", "1024x768x24", "-nolisten",
                   "tcp", "-terminate", nullptr);
            _exit(127);
        }
        std::atexit([] { kill(server, SIGTERM), waitpid(server, nullptr, 0); });
        pollfd reported{fds[0], POLLIN, 0};
        char number[16] = {};
        require(poll(&reported, 1, 10000) == 1 && read(fds[0], number, 15) > 0, "Xvfb reported no display");
        setenv("DISPLAY", (":" + std::to_string(std::atoi(number))).c_str(), 1);  // for us and the program
        setenv("ASAN_OPTIONS", "detect_leaks=0", 1);  // the GL driver leaks; that is not ours to find
        // Windows vanish while we look at them (a program exits, say): ignore such errors.
        XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
        return XOpenDisplay(nullptr);
    }();
    require(connection != nullptr, "cannot connect to Xvfb");  // a null display would crash Xlib
    return connection;
}

// Shown top-level windows titled `title`.
inline std::vector<Window> shownWindows(const std::string& title) {
    Display* d = display();
    Window root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    XQueryTree(d, XDefaultRootWindow(d), &root, &parent, &children, &count);
    std::vector<Window> found;
    for (unsigned i = 0; i < count; ++i) {
        XWindowAttributes state;
        char* name = nullptr;
        const bool shown = XGetWindowAttributes(d, children[i], &state) && state.map_state == IsViewable;
        if (shown && XFetchName(d, children[i], &name) && title == name) found.push_back(children[i]);
        XFree(name);
    }
    XFree(children);
    return found;
}

using Rgb = unsigned long;  // 0xRRGGBB, as the 24-bit window stores it
inline constexpr Rgb kBlack = 0, kRed = 0xff0000, kGreen = 0x00ff00, kBlue = 0x0000ff, kYellow = 0xffff00;
struct Pixel { int x, y; };

// One read of the window, and what checks found wrong in it.
struct Frame {
    int width, height;
    std::shared_ptr<XImage> image;
    std::string problems;

    Rgb at(Pixel p) const { return XGetPixel(image.get(), p.x, p.y); }
    // Notes a problem unless `p` shows `want`, every channel within `tolerance` (or, with
    // `shown` false, unless it shows anything else).
    void expect(Pixel p, Rgb want, const std::string& what, int tolerance = 0, bool shown = true) {
        const auto level = [](Rgb c, int shift) { return static_cast<int>((c >> shift) & 0xff); };
        int off = 0;  // the largest difference in one channel
        for (int shift : {0, 8, 16}) off = std::max(off, std::abs(level(at(p), shift) - level(want, shift)));
        if ((off <= tolerance) == shown) return;
        char seen[64];
        std::snprintf(seen, sizeof seen, " at %d,%d is %06lx, want %s%06lx\n", p.x, p.y, at(p),
                      shown ? "" : "not ", want);
        problems += what + seen;
    }
};

// Where the program puts pixel `p` of its 640 x 480 window: x / 640 and (480 - y - 1) / 480,
// the row count in integers and both quotients in float; written as graph.txt writes a node.
inline std::string nodeLine(Pixel p) {
    const float x = static_cast<float>(p.x) / 640.0f, y = static_cast<float>(480 - p.y - 1) / 480.0f;
    char line[64];
    std::snprintf(line, sizeof line, "%g %g\n", static_cast<double>(x), static_cast<double>(y));
    return line;
}

// Entries of the context menu by the row they show in: a sub-menu opens level with the
// entry that opened it, so "Remove Node" is level with "Node", and the four entries of
// "Graph" start level with "Graph", one row below.
enum MenuEntry { kRemoveNode, kPauseUnpause, kOpenGraph, kSaveGraph, kQuit };

// One run of the real program from a private tree laid out as it ships: <tmp>/bin/graph-editor
// (a copy) and <tmp>/Resources/ (where graph.txt lives), started in the unrelated <tmp>/work.
class Editor {
  public:
    Editor() {
        require(mkdtemp(root_.data()) != nullptr, "cannot make " + root_);
        for (const char* sub : {"/bin", "/Resources", "/work"}) fs::create_directory(root_ + sub);
        fs::copy_file(GRAPH_EDITOR_PROGRAM, program_ = root_ + "/bin/graph-editor");
        if ((pid_ = fork()) == 0) {
            prctl(PR_SET_PDEATHSIG, SIGKILL);  // should the test binary die first
            if (chdir((root_ + "/work").c_str()) == 0) execl(program_.c_str(), program_.c_str(), nullptr);
            _exit(127);
        }
        // Its title is the program path exactly as invoked.
        require(waitFor([&] { return shownWindows(program_).size() == 1; }), "no window titled " + program_);
        window_ = shownWindows(program_).front();
        XMoveWindow(d_, window_, 0, 0);  // with no window manager it opens at (-1, -1)
        // Keys come to the focused window, wherever the pointer is.
        XSetInputFocus(d_, window_, RevertToPointerRoot, CurrentTime);
        require(frame().width == 640 && frame().height == 480, "the window did not open at 640 x 480");
        // Until its first frame, when the window stops being one flat colour, the program
        // may not know the window's size.
        require(waitFor([&] { return frame().at({2, 2}) != frame().at({2, 479}); }), "no frame drawn");
    }

    Frame frame() {
        XWindowAttributes size;
        XGetWindowAttributes(d_, window_, &size);
        XImage* image = XGetImage(d_, window_, 0, 0, static_cast<unsigned>(size.width),
                                  static_cast<unsigned>(size.height), AllPlanes, ZPixmap);
        require(image != nullptr, "cannot read the window: has the program ended?");
        return {size.width, size.height, {image, [](XImage* i) { XDestroyImage(i); }}, {}};
    }
    // Reads frames until `check` finds nothing wrong in one. "" then; otherwise what it
    // found wrong in the last frame of a few seconds.
    std::string waitUntilShown(const std::function<void(Frame&)>& check) {
        Frame f{};
        waitFor([&] { f = frame(); check(f); return f.problems.empty(); });
        return f.problems;
    }
    // Requests to the X server go out, in order, with the next one that awaits a reply
    // (reading the window or the list of windows, say), or with an XSync.
    void resize(unsigned width, unsigned height) { XResizeWindow(d_, window_, width, height); }
    // A move to where the pointer already is reports nothing.
    void moveTo(Pixel p) { XTestFakeMotionEvent(d_, -1, p.x, p.y, CurrentTime); }
    // Presses `button` (1 left, 2 middle, 3 right) at `from`, moves to `to` in one motion
    // event, calls `whileHeld`, and releases.
    void drag(Pixel from, Pixel to, unsigned button, const std::function<void()>& whileHeld = {}) {
        moveTo(from);
        XTestFakeButtonEvent(d_, button, True, CurrentTime);
        moveTo(to);
        if (whileHeld) whileHeld();
        XTestFakeButtonEvent(d_, button, False, CurrentTime);
    }
    void click(Pixel p, unsigned button = 1) { drag(p, p, button); }
    // Types the key named `name` ("q", "Escape"); a capital letter with Shift held.
    void type(const std::string& name) {
        const bool shifted = name.size() == 1 && std::isupper(name[0]);
        for (Bool down : {True, False}) {
            if (shifted) XTestFakeKeyEvent(d_, XKeysymToKeycode(d_, XK_Shift_L), down, CurrentTime);
            XTestFakeKeyEvent(d_, XKeysymToKeycode(d_, XStringToKeysym(name.c_str())), down, CurrentTime);
        }
        XSync(d_, False);  // the program may be waited for with no further request
    }
    // Opens the context menu at `at` and picks `choice`. freeglut selects nothing on a
    // press-drag-release into a sub-menu, so: click, wait for the menu, hover the sub-menu's
    // entry, wait for the sub-menu, click. Entries are 25 px high inside a 2 px border, and
    // a sub-menu opens 68 px to the right of its parent.
    void chooseMenu(Pixel at, MenuEntry choice) {
        click(at, 3);
        require(menusShown(1), "the right button opened no menu");
        moveTo({at.x + 34, at.y + 14 + 25 * std::min<int>(choice, 1)});  // "Node" or "Graph"
        require(menusShown(2), "no sub-menu opened");
        click({at.x + 108, at.y + 14 + 25 * choice});
        require(menusShown(0), "the menu stayed open");
    }

    void writeGraph(const std::string& text) { std::ofstream(graphFile()) << text; }
    // What "Save graph.txt" writes.
    std::string savedGraph() {
        fs::remove(graphFile());
        chooseMenu({300, 100}, kSaveGraph);
        // The program renames a complete file into place.
        require(waitFor([&] { return fs::exists(graphFile()); }), "no graph.txt saved in Resources");
        std::ifstream saved(graphFile());
        return {std::istreambuf_iterator<char>(saved), {}};
    }
    // The wait status once the program has ended by itself (0 after exit(0)); -1 while it runs.
    int exitStatus() {
        int status = -1;
        if (waitFor([&] { return waitpid(pid_, &status, WNOHANG) == pid_; })) pid_ = -1;
        return status;
    }

  private:
    std::string graphFile() const { return root_ + "/Resources/graph.txt"; }
    static bool menusShown(std::size_t count) {
        return waitFor([count] { return shownWindows("freeglut menu").size() == count; });
    }

    Display* d_ = display();  // also sets DISPLAY for the program
    std::string root_ = fs::temp_directory_path().string() + "/graph-editor-XXXXXX";
    std::string program_;
    pid_t pid_ = -1;
    Window window_ = 0;
    // Ends the program and removes its tree. A member, not the destructor, so that this also
    // happens when the constructor throws; declared last, so it runs while the rest is whole.
    std::unique_ptr<Editor, void (*)(Editor*)> cleanup_{this, [](Editor* editor) {
        if (editor->pid_ > 0 && kill(editor->pid_, SIGKILL) == 0) waitpid(editor->pid_, nullptr, 0);
        fs::remove_all(editor->root_);
    }};
};
