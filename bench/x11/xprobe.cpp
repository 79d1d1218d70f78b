// velmora-xprobe: what the screen benchmark needs from the X server and a serial line.
//
//   velmora-xprobe chart
//       prints "x y w h", the bounding box of the plot's dark-blue field on the root window
//   velmora-xprobe latency LINK STEPS X Y W H
//       makes a pseudo-terminal with LINK leading to it, prints "linked", waits until a
//       program opens it, then STEPS times: writes one sample frame and polls the root
//       window's pixels in X Y W H (MIT-SHM) until they change; prints one line per step with
//       the milliseconds from the write to the change ("timeout" after 2 s).
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <termios.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

int fail(const std::string& text) {
    std::fprintf(stderr, "velmora-xprobe: %s\n", text.c_str());
    return 1;
}

// The bounding box of the pixels of the plot field, RGB(0, 0, 192).
int findChart(Display* dpy) {
    const Window root = DefaultRootWindow(dpy);
    XWindowAttributes attr{};
    XGetWindowAttributes(dpy, root, &attr);
    XImage* image = XGetImage(dpy, root, 0, 0, attr.width, attr.height, AllPlanes, ZPixmap);
    if (!image) return fail("cannot read the screen");
    int left = attr.width, top = attr.height, right = -1, bottom = -1;
    for (int y = 0; y < attr.height; ++y)
        for (int x = 0; x < attr.width; ++x)
            if ((XGetPixel(image, x, y) & 0xFFFFFF) == 0x0000C0) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    XDestroyImage(image);
    if (right < 0) return fail("no plot on the screen");
    std::printf("%d %d %d %d\n", left, top, right - left + 1, bottom - top + 1);
    return 0;
}

// A shared-memory image of one rectangle of the root window.
struct ShmGrab {
    Display* dpy;
    XShmSegmentInfo shm{};
    XImage* image = nullptr;
    int x, y;
    std::size_t bytes = 0;
    ShmGrab(Display* d, int x0, int y0, int w, int h) : dpy(d), x(x0), y(y0) {
        const int screen = DefaultScreen(dpy);
        image = XShmCreateImage(dpy, DefaultVisual(dpy, screen), DefaultDepth(dpy, screen), ZPixmap,
                                nullptr, &shm, w, h);
        if (!image) return;
        bytes = static_cast<std::size_t>(image->bytes_per_line) * h;
        shm.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
        shm.shmaddr = image->data = static_cast<char*>(shmat(shm.shmid, nullptr, 0));
        shm.readOnly = False;
        XShmAttach(dpy, &shm);
        XSync(dpy, False);
        shmctl(shm.shmid, IPC_RMID, nullptr);  // freed once both sides detach
    }
    ~ShmGrab() {
        if (!image) return;
        XShmDetach(dpy, &shm);
        XDestroyImage(image);
        shmdt(shm.shmaddr);
    }
    bool grab() { return XShmGetImage(dpy, DefaultRootWindow(dpy), image, x, y, AllPlanes); }
    const char* data() const { return image->data; }
};

std::array<std::uint8_t, 5> sampleFrame(int value) {
    std::array<std::uint8_t, 5> f{0xF0, 0xC0, static_cast<std::uint8_t>(value >> 8),
                                  static_cast<std::uint8_t>(value & 0xFF), 0};
    f[4] = static_cast<std::uint8_t>(f[0] + f[1] + f[2] + f[3]);
    return f;
}

int latency(Display* dpy, const std::string& link, int steps, int x, int y, int w, int h) {
    if (!XShmQueryExtension(dpy)) return fail("the X server has no MIT-SHM");
    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0)
        return fail("cannot make a pseudo-terminal");
    termios tio{};
    tcgetattr(master, &tio);
    cfmakeraw(&tio);
    tcsetattr(master, TCSANOW, &tio);
    ::unlink(link.c_str());
    if (::symlink(ptsname(master), link.c_str()) != 0) return fail("cannot make " + link);
    std::printf("linked\n");
    std::fflush(stdout);

    // The master reports a hang-up until a program holds the other side open.
    const auto waitUntil = Clock::now() + std::chrono::seconds(30);
    for (;;) {
        pollfd p{master, POLLIN, 0};
        ::poll(&p, 1, 0);
        if (!(p.revents & POLLHUP)) break;
        if (Clock::now() > waitUntil) return fail("nobody opened the port");
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    // The program pauses after opening; then one sample places the pen.
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    auto send = [&](int value) {
        const auto f = sampleFrame(value);
        return ::write(master, f.data(), f.size()) == static_cast<ssize_t>(f.size());
    };
    send(300);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));

    ShmGrab screen(dpy, x, y, w, h);
    if (!screen.image) return fail("cannot make a shared-memory image");
    std::vector<char> before(screen.bytes);
    for (int step = 0; step < steps; ++step) {
        // Drain what the program wrote (its commands), so the line never fills.
        char sink[256];
        while (::read(master, sink, sizeof sink) > 0) {
        }
        screen.grab();
        std::memcpy(before.data(), screen.data(), screen.bytes);
        const auto t0 = Clock::now();
        if (!send(step % 2 ? 300 : 2100)) return fail("cannot write to the line");
        bool changed = false;
        while (Clock::now() - t0 < std::chrono::seconds(2)) {
            screen.grab();
            if (std::memcmp(before.data(), screen.data(), screen.bytes) != 0) {
                changed = true;
                break;
            }
        }
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
        if (changed)
            std::printf("%.3f\n", ms);
        else
            std::printf("timeout\n");
        std::fflush(stdout);
        // Idle again: well past a display frame and the value box's interval.
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
    }
    ::unlink(link.c_str());
    ::close(master);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    Display* dpy = XOpenDisplay(nullptr);
    if (!dpy) return fail("cannot open the display");
    int status = 2;
    if (args.size() == 1 && args[0] == "chart") {
        status = findChart(dpy);
    } else if (args.size() == 7 && args[0] == "latency") {
        status = latency(dpy, args[1], std::atoi(args[2].c_str()), std::atoi(args[3].c_str()),
                         std::atoi(args[4].c_str()), std::atoi(args[5].c_str()),
                         std::atoi(args[6].c_str()));
    } else {
        std::fprintf(stderr, "usage: velmora-xprobe chart | latency LINK STEPS X Y W H\n");
    }
    XCloseDisplay(dpy);
    return status;
}
