#pragma once

// Drives the real graph-editor binary in a real X window, the way a person would.
//
//   Editor editor;                            // Xvfb (once per test binary) + a fresh install
//                                             // tree + the program, window at 0,0, first frame in
//   Pixel p = editor.pixelOf({0.25f, 0.5f});  // unit square -> window pixel
//   editor.click(p);                          // real XTest events at window pixels
//   editor.drag(a, b, Button::Middle);        // press at a, move in steps, release at b
//   EXPECT_TRUE(editor.waitForPixels({{p, kYellow, 0, "new node"}}));  // polls, bounded
//   Rgb c = editor.pixel(p);  Snapshot s = editor.snapshot();  // one read of the window
//   editor.chooseMenu(p, "Graph", "Save graph.txt");  // right-click, hover, click entry
//   editor.typeChar('q');                     // Shift is held for shifted characters
//   std::optional<int> status = editor.waitForExit();  // exit status, through waitpid
//
// Pixels are window pixels with y counted down from the top row, as GLUT reports them.
// The program maps pixel (x, y) to the unit-square point (x / ww, (wh - y - 1) / wh);
// sceneOf() is that mapping and pixelOf() its inverse, rounded to the nearest pixel.
//
// Waits poll (every 20 ms) and give up after a few seconds. Waits that a test asserts on
// return an AssertionResult describing what was seen last; problems of the harness itself
// (Xvfb or the program not starting, a window or menu never appearing) throw HarnessError,
// which GoogleTest reports as a failure of the test. The program is always ended when the
// Editor goes out of scope, and Xvfb when the test binary exits (or dies). When a test
// fails, its install tree is kept and its path printed: it holds program.log (the
// program's output) and failure-N.ppm (the last frame a failed pixel wait saw).

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace window_test {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// The longest any single wait lasts: the program redraws every 50 ms, so anything that is
// going to happen happens well within this.
inline constexpr Clock::duration kWait = 5s;

class HarnessError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

struct Rgb {
    int r = 0;
    int g = 0;
    int b = 0;
    bool operator==(const Rgb&) const = default;
};
std::ostream& operator<<(std::ostream& out, const Rgb& colour);
std::string describe(const Rgb& colour);
// Every channel within `tolerance` of the other's.
bool near(const Rgb& a, const Rgb& b, int tolerance);

inline constexpr Rgb kBlack{0, 0, 0};
inline constexpr Rgb kRed{255, 0, 0};
inline constexpr Rgb kGreen{0, 255, 0};
inline constexpr Rgb kBlue{0, 0, 255};
inline constexpr Rgb kYellow{255, 255, 0};
// The grey of level 0..1 as an 8-bit framebuffer stores it.
Rgb grey(double level);

// A window pixel: x from the left, y down from the top row.
struct Pixel {
    int x = 0;
    int y = 0;
    bool operator==(const Pixel&) const = default;
};
std::ostream& operator<<(std::ostream& out, const Pixel& pixel);

// A point of the unit square: x to the right, y upwards.
struct ScenePoint {
    float x = 0;
    float y = 0;
};

// Polls `condition` until it holds or `timeout` passes.
::testing::AssertionResult waitUntil(const std::function<bool()>& condition, std::string_view what,
                                     Clock::duration timeout = kWait);

// A copy of the window's pixels at one moment.
class Snapshot {
  public:
    Snapshot(int width, int height, std::vector<Rgb> pixels);
    int width() const { return width_; }
    int height() const { return height_; }
    bool contains(Pixel p) const { return p.x >= 0 && p.y >= 0 && p.x < width_ && p.y < height_; }
    Rgb at(Pixel p) const;
    int distinctColours() const;
    // Writes a binary PPM, for looking at a failure.
    void savePpm(const std::filesystem::path& file) const;

  private:
    int width_;
    int height_;
    std::vector<Rgb> pixels_;
};

// One expected pixel, for waitForPixels.
struct PixelCheck {
    Pixel at;
    Rgb want;
    int tolerance = 0;
    std::string what;
    bool isNot = false;  // the pixel must be anything but `want`
};

// Titles of all top-level windows shown on the test display, menus included.
std::vector<std::string> topLevelTitles();

enum class Button : unsigned { Left = 1, Middle = 2, Right = 3 };

// Where a pop-up menu window is on the screen, and how many entries it shows.
struct MenuWindow {
    unsigned long id = 0;
    int x = 0;  // screen position of the top-left corner
    int y = 0;
    int width = 0;
    int height = 0;
};

struct LaunchOptions {
    // argv[0] as the program gets it; empty: the absolute path of the installed copy.
    std::string invokedAs;
    // The directory to start in, relative to the install tree's root; empty: a directory
    // that has nothing to do with the program.
    std::filesystem::path workingDirectory;
};

// One run of the program, from a private install tree:
//   <tmp>/bin/graph-editor   a copy of the binary
//   <tmp>/Resources/         where it reads and writes graph.txt
//   <tmp>/elsewhere/         the default working directory
class Editor {
  public:
    explicit Editor(const LaunchOptions& options = {});
    ~Editor();
    Editor(const Editor&) = delete;
    Editor& operator=(const Editor&) = delete;

    const std::filesystem::path& root() const { return root_; }
    std::filesystem::path resources() const { return root_ / "Resources"; }
    // The program path exactly as the program was invoked with it.
    const std::string& invokedAs() const { return invokedAs_; }
    unsigned long window() const { return window_; }

    // Current window size in pixels, as the X server has it.
    int width() const;
    int height() const;
    // Resizes the window and waits until the server has applied it.
    void resize(int width, int height);

    // The program's pixel-to-unit-square mapping, and its inverse rounded to a pixel.
    ScenePoint sceneOf(Pixel p) const;
    Pixel pixelOf(ScenePoint p) const;

    // Pointer input at window pixels. Every move is one motion event.
    void moveTo(Pixel p);
    void press(Pixel p, Button button = Button::Left);
    void release(Pixel p, Button button = Button::Left);
    void click(Pixel p, Button button = Button::Left);
    // Press at `from`, move in `steps` straight steps to `to`, release there.
    void drag(Pixel from, Pixel to, Button button = Button::Left, int steps = 4);

    // Keyboard: gives the window the input focus, then presses and releases the key
    // (holding Shift where the character needs it). 27 is Esc; \r, \t and \b are Return,
    // Tab and BackSpace.
    void typeChar(char c);

    // The context menu. openMenu right-clicks at `at` and waits for the top menu;
    // hoverMenuEntry points at entry `index` of `menu` and waits for the sub-menu it
    // opens; closeMenus clicks an empty part of the window and waits until no menu is
    // shown (the program sees a lone button release).
    MenuWindow openMenu(Pixel at);
    MenuWindow hoverMenuEntry(const MenuWindow& menu, int index);
    void clickMenuEntry(const MenuWindow& menu, int index);
    void closeMenus();
    // Chooses an entry by its text, as a person does: open, hover the sub-menu, click.
    void chooseMenu(Pixel at, std::string_view subMenu, std::string_view entry);
    // Menu windows currently shown, in stacking order from the bottom.
    std::vector<MenuWindow> visibleMenus() const;
    // Height of one menu entry, and how many entries a menu window shows.
    int menuEntryHeight() const;
    int menuEntries(const MenuWindow& menu) const;

    // Pixels.
    Snapshot snapshot() const;
    Rgb pixel(Pixel p) const;
    ::testing::AssertionResult waitForPixels(const std::vector<PixelCheck>& checks,
                                             Clock::duration timeout = kWait) const;

    // The program's life.
    bool running();
    // Waits for the program to end by itself; its exit status, or 128 + the signal that
    // ended it; nothing if it is still running after `timeout`.
    std::optional<int> waitForExit(Clock::duration timeout = kWait);

    // Contents of a file in the Resources directory; nothing if it cannot be read.
    std::optional<std::string> readResource(const std::string& name) const;
    // Everything the program wrote to stdout and stderr so far.
    std::string log() const;

  private:
    void launch(const LaunchOptions& options);
    void findWindow();
    void moveWindowToOrigin();
    void waitForFirstFrame();
    void pointerTo(Pixel p);
    void stop();
    [[noreturn]] void fail(const std::string& message) const;

    std::filesystem::path root_;
    std::string invokedAs_;
    pid_t pid_ = -1;
    std::optional<int> exitStatus_;
    unsigned long window_ = 0;
    MenuWindow topMenu_;
};

}  // namespace window_test
