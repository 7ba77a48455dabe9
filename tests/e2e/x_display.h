// A virtual X display (Xvfb) for tests of the viewer: waits for a window by its title,
// looks for a picture on the screen, and closes a window the way a window manager does.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <utility>

#include "e2e/png_check.h"

namespace e2e {

class VirtualDisplay {
  public:
    // Starts Xvfb on a free display number with one 24-bit screen of this size and a black
    // root window, and connects to it. Throws std::runtime_error when it cannot.
    VirtualDisplay(int width, int height);
    // Disconnects and stops the server.
    ~VirtualDisplay();
    VirtualDisplay(const VirtualDisplay&) = delete;
    VirtualDisplay& operator=(const VirtualDisplay&) = delete;

    // The value for DISPLAY, such as ":1".
    const std::string& name() const { return name_; }

    // The id of a top-level window with this title, polled until one appears; 0 when none
    // did within the time.
    unsigned long waitForWindow(const std::string& title, std::chrono::milliseconds within);
    // What the screen shows now.
    Picture screen();
    // The top left corner of the first place where the screen shows picture pixel for
    // pixel, polled until it does; nothing when it did not within the time.
    std::optional<std::pair<int, int>> waitForPicture(const Picture& picture,
                                                      std::chrono::milliseconds within);
    // Width and height of a window.
    std::pair<int, int> windowSize(unsigned long window);
    // Sends the window the WM_DELETE_WINDOW request that a window manager sends when the
    // user clicks the close button.
    void requestClose(unsigned long window);

  private:
    pid_t server_ = -1;
    std::string name_;
    void* display_ = nullptr;  // Display*, kept opaque so Xlib's macros stay out of tests
};

}  // namespace e2e
