// Start-up benchmark. For zelk-duv, for the CuteCom serial terminal and for a
// bare Qt 6 window it measures, under one Xvfb display started here:
//   - the time from starting the process to its first top-level window being
//     mapped, observed from outside through the X server (MapNotify on the
//     root window, matched by the window's _NET_WM_PID);
//   - its resident memory (VmRSS) two seconds after that.
// Each program runs once to warm the file cache, then `runs` times
// interleaved; the medians are reported.
//
//   bench_startup [--runs N] [--zelk-duv PATH] [--peer PROGRAM]
//   bench_startup --bare        the bare Qt 6 window itself
//
// libX11 is opened at run time, so the benchmark links no X library.
#include <QApplication>
#include <QWidget>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <dlfcn.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

int RunBareWindow(int argc, char** argv)
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Bare Qt 6 window"));
    window.resize(640, 480);
    window.show();
    return app.exec();
}

// The few libX11 calls the observer needs, looked up at run time.
struct XLib {
    void* handle = nullptr;
    Display* (*OpenDisplay)(const char*) = nullptr;
    int (*CloseDisplay)(Display*) = nullptr;
    Window (*rootWindow)(Display*) = nullptr;
    int (*SelectInput)(Display*, Window, long) = nullptr;
    int (*Pending)(Display*) = nullptr;
    int (*NextEvent)(Display*, XEvent*) = nullptr;
    int (*connectionNumber)(Display*) = nullptr;
    int (*Flush)(Display*) = nullptr;
    Atom (*InternAtom)(Display*, const char*, Bool) = nullptr;
    int (*GetWindowProperty)(Display*, Window, Atom, long, long, Bool, Atom, Atom*, int*, unsigned long*,
                             unsigned long*, unsigned char**) = nullptr;
    int (*Free)(void*) = nullptr;

    bool load()
    {
        handle = dlopen("libX11.so.6", RTLD_NOW);
        if (!handle)
            return false;
        auto get = [this](auto& fn, const char* name) {
            fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(dlsym(handle, name));
            return fn != nullptr;
        };
        return get(OpenDisplay, "XOpenDisplay") && get(CloseDisplay, "XCloseDisplay")
            && get(rootWindow, "XDefaultRootWindow") && get(SelectInput, "XSelectInput") && get(Pending, "XPending")
            && get(NextEvent, "XNextEvent") && get(connectionNumber, "XConnectionNumber") && get(Flush, "XFlush")
            && get(InternAtom, "XInternAtom") && get(GetWindowProperty, "XGetWindowProperty") && get(Free, "XFree");
    }
};

struct Program {
    std::string label;
    std::vector<std::string> argv;
};

struct Sample {
    double startupMs = 0;
    double rssMb = 0;
};

std::optional<long> WindowPid(XLib& x, Display* d, Window w)
{
    static Atom pidAtom = 0;
    if (!pidAtom)
        pidAtom = x.InternAtom(d, "_NET_WM_PID", False);
    Atom type = 0;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    std::optional<long> pid;
    if (x.GetWindowProperty(d, w, pidAtom, 0, 1, False, XA_CARDINAL, &type, &format, &items, &after, &data) == Success
        && data && items == 1 && format == 32)
        pid = *reinterpret_cast<long*>(data);
    if (data)
        x.Free(data);
    return pid;
}

double ResidentMb(pid_t pid)
{
    const std::string path = "/proc/" + std::to_string(pid) + "/status";
    FILE* f = std::fopen(path.c_str(), "r");
    if (!f)
        return -1;
    char line[256];
    double kb = -1;
    while (std::fgets(line, sizeof line, f))
        if (std::strncmp(line, "VmRSS:", 6) == 0)
            kb = std::atof(line + 6);
    std::fclose(f);
    return kb / 1024.0;
}

void Stop(pid_t pid)
{
    kill(pid, SIGTERM);
    for (int i = 0; i < 60; ++i) {
        if (waitpid(pid, nullptr, WNOHANG) == pid)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

std::optional<Sample> MeasureOnce(XLib& x, Display* d, const std::string& displayName, const Program& program)
{
    while (x.Pending(d)) {  // forget the events of earlier runs
        XEvent ev;
        x.NextEvent(d, &ev);
    }
    const Window root = x.rootWindow(d);
    const Clock::time_point start = Clock::now();
    const pid_t pid = fork();
    if (pid < 0)
        return std::nullopt;
    if (pid == 0) {
        setenv("DISPLAY", displayName.c_str(), 1);
        setenv("QT_QPA_PLATFORM", "xcb", 1);
        std::vector<char*> args;
        for (const std::string& a : program.argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
    }

    std::optional<Clock::time_point> mapped;
    const Clock::time_point deadline = start + std::chrono::seconds(30);
    while (!mapped && Clock::now() < deadline) {
        while (!mapped && x.Pending(d)) {
            XEvent ev;
            x.NextEvent(d, &ev);
            if (ev.type != MapNotify || ev.xmap.event != root)
                continue;
            const std::optional<long> owner = WindowPid(x, d, ev.xmap.window);
            if (!owner || *owner == pid)
                mapped = Clock::now();
        }
        if (mapped)
            break;
        if (waitpid(pid, nullptr, WNOHANG) == pid) {
            std::fprintf(stderr, "%s ended before showing a window\n", program.label.c_str());
            return std::nullopt;
        }
        pollfd p{x.connectionNumber(d), POLLIN, 0};
        poll(&p, 1, 20);
    }
    if (!mapped) {
        std::fprintf(stderr, "%s showed no window within 30 s\n", program.label.c_str());
        Stop(pid);
        return std::nullopt;
    }
    std::this_thread::sleep_for(std::chrono::seconds(2));
    Sample s;
    s.startupMs = std::chrono::duration<double, std::milli>(*mapped - start).count();
    s.rssMb = ResidentMb(pid);
    Stop(pid);
    return s;
}

// Starts Xvfb on the first free display from :91 and waits until it answers.
pid_t StartXvfb(XLib& x, std::string* displayName)
{
    for (int n = 91; n < 140; ++n) {
        struct stat st;
        const std::string lock = "/tmp/.X" + std::to_string(n) + "-lock";
        const std::string socket = "/tmp/.X11-unix/X" + std::to_string(n);
        if (stat(lock.c_str(), &st) == 0 || stat(socket.c_str(), &st) == 0)
            continue;
        const std::string name = ":" + std::to_string(n);
        const pid_t pid = fork();
        if (pid == 0) {
            freopen("/dev/null", "w", stderr);
            execlp("Xvfb", "Xvfb", name.c_str(), "-screen", "0", "1280x1024x24", "-nolisten", "tcp",
                   static_cast<char*>(nullptr));
            _exit(127);
        }
        for (int i = 0; i < 200; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            if (Display* d = x.OpenDisplay(name.c_str())) {
                x.CloseDisplay(d);
                *displayName = name;
                return pid;
            }
            if (waitpid(pid, nullptr, WNOHANG) == pid)
                break;
        }
        Stop(pid);
    }
    return -1;
}

std::string FindInPath(const std::string& name)
{
    if (name.find('/') != std::string::npos)
        return access(name.c_str(), X_OK) == 0 ? name : std::string();
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= dirs.size()) {
        const size_t end = std::min(dirs.find(':', start), dirs.size());
        const std::string candidate = dirs.substr(start, end - start) + "/" + name;
        if (access(candidate.c_str(), X_OK) == 0)
            return candidate;
        start = end + 1;
    }
    return {};
}

double Median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && std::strcmp(argv[1], "--bare") == 0)
        return RunBareWindow(argc, argv);

    int runs = 5;
    std::string zelkDuv = ZELK_DUV_PATH;
    std::string peer = "cutecom";
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--runs") == 0)
            runs = std::max(1, std::atoi(argv[i + 1]));
        else if (std::strcmp(argv[i], "--zelk-duv") == 0)
            zelkDuv = argv[i + 1];
        else if (std::strcmp(argv[i], "--peer") == 0)
            peer = argv[i + 1];
    }

    XLib x;
    if (!x.load()) {
        std::fprintf(stderr, "libX11.so.6 not found\n");
        return 1;
    }
    std::string displayName;
    const pid_t xvfb = StartXvfb(x, &displayName);
    if (xvfb < 0) {
        std::fprintf(stderr, "could not start Xvfb\n");
        return 1;
    }
    Display* d = x.OpenDisplay(displayName.c_str());
    x.SelectInput(d, x.rootWindow(d), SubstructureNotifyMask);
    x.Flush(d);

    char self[4096] = {};
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    std::vector<Program> programs = {{"zelk-duv", {zelkDuv}}};
    const std::string peerPath = FindInPath(peer);
    if (!peerPath.empty())
        programs.push_back({peer, {peerPath}});
    else
        std::printf("%s is not installed (apt-get install %s); its row is left out\n", peer.c_str(), peer.c_str());
    programs.push_back({"bare Qt 6 window", {n > 0 ? std::string(self, size_t(n)) : argv[0], "--bare"}});

    std::vector<std::vector<Sample>> samples(programs.size());
    for (int round = -1; round < runs; ++round) {  // round -1 warms the caches
        for (size_t p = 0; p < programs.size(); ++p) {
            const std::optional<Sample> s = MeasureOnce(x, d, displayName, programs[p]);
            if (s && round >= 0)
                samples[p].push_back(*s);
        }
    }
    x.CloseDisplay(d);
    Stop(xvfb);

    std::printf("Xvfb %s, %d runs each, medians\n", displayName.c_str(), runs);
    std::printf("%-20s %14s %14s %10s\n", "program", "start-up ms", "min ms", "RSS MB");
    std::vector<double> startup(programs.size()), rss(programs.size());
    for (size_t p = 0; p < programs.size(); ++p) {
        std::vector<double> ms, mb;
        for (const Sample& s : samples[p]) {
            ms.push_back(s.startupMs);
            mb.push_back(s.rssMb);
        }
        startup[p] = Median(ms);
        rss[p] = Median(mb);
        if (ms.empty()) {
            std::printf("%-20s %14s\n", programs[p].label.c_str(), "failed");
            continue;
        }
        std::printf("%-20s %14.1f %14.1f %10.1f\n", programs[p].label.c_str(), startup[p],
                    *std::min_element(ms.begin(), ms.end()), rss[p]);
    }
    const size_t bare = programs.size() - 1;
    if (startup[0] > 0 && startup[bare] > 0 && rss[bare] > 0)
        std::printf("zelk-duv / bare Qt 6 window: start-up x%.2f, memory x%.2f (target: at most x1.50 each)\n",
                    startup[0] / startup[bare], rss[0] / rss[bare]);
    return 0;
}
