#include "e2e/x_display.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>
#include <thread>

namespace e2e {

namespace {

Display* asDisplay(void* display) {
    return static_cast<Display*>(display);
}

// Xvfb writes its display number and a line break on the descriptor given with -displayfd.
std::string readDisplayNumber(int fd) {
    std::string number;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (number.empty() || number.back() != '\n') {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd ready{fd, POLLIN, 0};
        if (left.count() <= 0 || poll(&ready, 1, static_cast<int>(left.count())) <= 0) return "";
        char c;
        if (read(fd, &c, 1) != 1) return "";
        number += c;
    }
    number.pop_back();
    return number;
}

std::string titleOf(Display* display, Window window) {
    char* name = nullptr;
    if (!XFetchName(display, window, &name) || name == nullptr) return "";
    std::string title = name;
    XFree(name);
    return title;
}

// A window that goes away while it is looked at is no reason to end the test process (the
// default handler of Xlib would).
int ignoreErrors(Display*, XErrorEvent*) {
    return 0;
}

bool showsAt(const Picture& screen, const Picture& picture, int left, int top) {
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x)
            if (screen.at(left + x, top + y) != picture.at(x, y)) return false;
    return true;
}

}  // namespace

VirtualDisplay::VirtualDisplay(int width, int height) {
    int channel[2];
    if (pipe(channel) != 0) throw std::runtime_error("pipe failed");
    std::string fd = std::to_string(channel[1]);
    std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
    server_ = fork();
    if (server_ < 0) throw std::runtime_error("fork failed");
    if (server_ == 0) {
        close(channel[0]);
        int quiet = open("/dev/null", O_RDWR);
        if (quiet >= 0) {
            dup2(quiet, STDIN_FILENO);
            dup2(quiet, STDOUT_FILENO);
            dup2(quiet, STDERR_FILENO);
        }
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(), "-br",
               "-nolisten", "tcp", "-noreset", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(channel[1]);
    XSetErrorHandler(ignoreErrors);
    std::string number = readDisplayNumber(channel[0]);
    close(channel[0]);
    if (!number.empty()) {
        name_ = ":" + number;
        display_ = XOpenDisplay(name_.c_str());
    }
    if (display_ == nullptr) {
        kill(server_, SIGTERM);
        waitpid(server_, nullptr, 0);
        throw std::runtime_error("cannot start Xvfb (is the package xvfb installed?)");
    }
}

VirtualDisplay::~VirtualDisplay() {
    XCloseDisplay(asDisplay(display_));
    kill(server_, SIGTERM);
    waitpid(server_, nullptr, 0);
}

unsigned long VirtualDisplay::waitForWindow(const std::string& title,
                                            std::chrono::milliseconds within) {
    Display* display = asDisplay(display_);
    auto deadline = std::chrono::steady_clock::now() + within;
    do {
        Window root, parent, *children = nullptr;
        unsigned count = 0;
        Window found = 0;
        if (XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count)) {
            for (unsigned i = 0; i < count && found == 0; ++i)
                if (titleOf(display, children[i]) == title) found = children[i];
            if (children) XFree(children);
        }
        if (found != 0) return found;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    } while (std::chrono::steady_clock::now() < deadline);
    return 0;
}

Picture VirtualDisplay::screen() {
    Display* display = asDisplay(display_);
    Window root = DefaultRootWindow(display);
    XWindowAttributes attributes;
    XGetWindowAttributes(display, root, &attributes);
    Picture picture;
    picture.width = attributes.width;
    picture.height = attributes.height;
    XImage* image = XGetImage(display, root, 0, 0, static_cast<unsigned>(attributes.width),
                              static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap);
    if (image == nullptr) throw std::runtime_error("cannot read the screen");
    picture.pixels.reserve(static_cast<std::size_t>(picture.width) * picture.height);
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x)
            picture.pixels.push_back(static_cast<std::uint32_t>(XGetPixel(image, x, y)) &
                                     0xffffffu);
    XDestroyImage(image);
    return picture;
}

std::optional<std::pair<int, int>> VirtualDisplay::waitForPicture(
    const Picture& picture, std::chrono::milliseconds within) {
    auto deadline = std::chrono::steady_clock::now() + within;
    do {
        Picture shown = screen();
        for (int top = 0; top + picture.height <= shown.height; ++top)
            for (int left = 0; left + picture.width <= shown.width; ++left)
                if (shown.at(left, top) == picture.at(0, 0) && showsAt(shown, picture, left, top))
                    return std::make_pair(left, top);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    } while (std::chrono::steady_clock::now() < deadline);
    return std::nullopt;
}

std::pair<int, int> VirtualDisplay::windowSize(unsigned long window) {
    XWindowAttributes attributes{};
    XGetWindowAttributes(asDisplay(display_), window, &attributes);
    return {attributes.width, attributes.height};
}

void VirtualDisplay::requestClose(unsigned long window) {
    Display* display = asDisplay(display_);
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XFlush(display);
}

}  // namespace e2e
