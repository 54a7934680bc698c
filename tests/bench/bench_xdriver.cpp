// Starts a GUI program on the current X display and times it from the fork to
// its first top-level window being mapped, seen as a MapNotify on the root
// window (no polling). In "run" mode it also answers the program as a quick
// user would: Return on the first window until another one appears, then
// clicks at a point of that second window until the program exits.
//
//   bench_xdriver start|run [--click X,Y] [--timeout S] -- PROGRAM [ARGS...]
//
// Prints one line of key=value pairs (times in milliseconds since the fork):
//   first_map second_map exit status maxrss_kb
// Exit status 0 when the program was timed, 2 on a usage or X error, 3 on a
// time-out (the program is killed).

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <sys/resource.h>
#include <sys/select.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

namespace {

double nowMs()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1000.0 + ts.tv_nsec / 1e6;
}

int ignoreXErrors(Display *, XErrorEvent *)
{
    // A window can vanish between its MapNotify and our questions about it.
    return 0;
}

struct Mapped
{
    Window window;
    int x, y, width, height;
};

bool describe(Display *dpy, Window w, Mapped &out)
{
    XWindowAttributes attrs;
    if (!XGetWindowAttributes(dpy, w, &attrs))
        return false;
    int rx = 0, ry = 0;
    Window child;
    XTranslateCoordinates(dpy, w, DefaultRootWindow(dpy), 0, 0, &rx, &ry, &child);
    out = Mapped{w, rx, ry, attrs.width, attrs.height};
    return true;
}

void usage()
{
    std::fprintf(stderr, "usage: bench_xdriver start|run [--click X,Y] [--timeout S] -- PROGRAM [ARGS...]\n");
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 4) {
        usage();
        return 2;
    }
    const bool run = std::strcmp(argv[1], "run") == 0;
    if (!run && std::strcmp(argv[1], "start") != 0) {
        usage();
        return 2;
    }
    int clickX = -1, clickY = -1;
    double timeoutMs = 60000;
    int i = 2;
    for (; i < argc; ++i) {
        if (std::strcmp(argv[i], "--") == 0) {
            ++i;
            break;
        }
        if (std::strcmp(argv[i], "--click") == 0 && i + 1 < argc) {
            if (std::sscanf(argv[++i], "%d,%d", &clickX, &clickY) != 2) {
                usage();
                return 2;
            }
        } else if (std::strcmp(argv[i], "--timeout") == 0 && i + 1 < argc) {
            timeoutMs = std::atof(argv[++i]) * 1000.0;
        } else {
            usage();
            return 2;
        }
    }
    if (i >= argc) {
        usage();
        return 2;
    }

    Display *dpy = XOpenDisplay(nullptr);
    if (!dpy) {
        std::fprintf(stderr, "bench_xdriver: cannot open the display\n");
        return 2;
    }
    int eventBase, errorBase, major, minor;
    if (run && !XTestQueryExtension(dpy, &eventBase, &errorBase, &major, &minor)) {
        std::fprintf(stderr, "bench_xdriver: the display has no XTEST extension\n");
        return 2;
    }
    XSetErrorHandler(ignoreXErrors);
    const Window root = DefaultRootWindow(dpy);
    XSelectInput(dpy, root, SubstructureNotifyMask);
    XSync(dpy, False);
    const KeyCode returnKey = XKeysymToKeycode(dpy, XK_Return);

    const double start = nowMs();
    const pid_t pid = fork();
    if (pid < 0) {
        std::perror("fork");
        return 2;
    }
    if (pid == 0) {
        close(ConnectionNumber(dpy));
        execvp(argv[i], argv + i);
        std::perror("exec");
        _exit(127);
    }

    std::vector<Mapped> mapped;
    double firstMap = -1, secondMap = -1, exitAt = -1;
    double nextAction = 0;
    int status = 0;
    rusage usage{};
    const int fd = ConnectionNumber(dpy);

    for (;;) {
        while (XPending(dpy)) {
            XEvent ev;
            XNextEvent(dpy, &ev);
            if (ev.type != MapNotify || ev.xmap.event != root)
                continue;
            Mapped m;
            if (!describe(dpy, ev.xmap.window, m) || m.width <= 1 || m.height <= 1)
                continue;
            const double t = nowMs() - start;
            mapped.push_back(m);
            if (mapped.size() == 1)
                firstMap = t;
            else if (mapped.size() == 2)
                secondMap = t;
            nextAction = 0;
        }

        const pid_t done = wait4(pid, &status, WNOHANG, &usage);
        if (done == pid) {
            exitAt = nowMs() - start;
            break;
        }
        const double t = nowMs() - start;
        if (t > timeoutMs) {
            kill(pid, SIGKILL);
            wait4(pid, &status, 0, &usage);
            std::fprintf(stderr, "bench_xdriver: timed out after %.0f ms\n", t);
            return 3;
        }
        if (!run && firstMap >= 0) {
            kill(pid, SIGTERM);
            wait4(pid, &status, 0, &usage);
            exitAt = nowMs() - start;
            break;
        }
        if (run && !mapped.empty() && t >= nextAction) {
            if (mapped.size() == 1) {
                const Mapped &dialog = mapped.front();
                XSetInputFocus(dpy, dialog.window, RevertToParent, CurrentTime);
                XTestFakeKeyEvent(dpy, returnKey, True, CurrentTime);
                XTestFakeKeyEvent(dpy, returnKey, False, CurrentTime);
                nextAction = t + 50;
            } else if (clickX >= 0) {
                const Mapped &window = mapped[1];
                XTestFakeMotionEvent(dpy, -1, window.x + clickX, window.y + clickY, CurrentTime);
                XTestFakeButtonEvent(dpy, 1, True, CurrentTime);
                XTestFakeButtonEvent(dpy, 1, False, CurrentTime);
                nextAction = t + 20;
            } else {
                nextAction = t + 1000;
            }
            XFlush(dpy);
        }

        fd_set fds;
        FD_ZERO(&fds);
        FD_SET(fd, &fds);
        timeval tv{0, 2000};
        select(fd + 1, &fds, nullptr, nullptr, &tv);
    }

    const int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    std::printf("first_map=%.2f second_map=%.2f exit=%.2f status=%d maxrss_kb=%ld\n", firstMap,
                secondMap, exitAt, code, usage.ru_maxrss);
    XCloseDisplay(dpy);
    return 0;
}
