// zelk-sim: plays a ZELK radio receiver on a pseudo-terminal (see --help).
#include "frame_reader.h"
#include "line.h"
#include "options.h"
#include "receiver.h"
#include "state_io.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace {

// Bytes waiting longer than this without the rest of their frame are given up.
constexpr int kIncompleteFrameMs = 500;

int g_stopPipe[2] = {-1, -1};  // written by the signal handler, polled by the loop

extern "C" void onStopSignal(int)
{
    const int saved = errno;
    const char c = 1;
    [[maybe_unused]] ssize_t r = ::write(g_stopPipe[1], &c, 1);
    errno = saved;
}

// SIGUSR1 pulls the line out (hang-up, link removed), SIGUSR2 plugs a new one
// in under the same link: written by the handler, read by the loop.
int g_linePipe[2] = {-1, -1};

extern "C" void onLineSignal(int sig)
{
    const int saved = errno;
    const char c = sig == SIGUSR1 ? 'u' : 'p';
    [[maybe_unused]] ssize_t r = ::write(g_linePipe[1], &c, 1);
    errno = saved;
}

bool installSignals()
{
    if (::pipe2(g_stopPipe, O_CLOEXEC | O_NONBLOCK) != 0 || ::pipe2(g_linePipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    struct sigaction line {};
    line.sa_handler = onLineSignal;
    sigemptyset(&line.sa_mask);
    sigaction(SIGUSR1, &line, nullptr);
    sigaction(SIGUSR2, &line, nullptr);
    struct sigaction sa {};
    sa.sa_handler = onStopSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
    signal(SIGPIPE, SIG_IGN);
    return true;
}

void warn(const std::string& text)
{
    std::fprintf(stderr, "zelk-sim: %s\n", text.c_str());
}

struct Simulator {
    sim::Options opt;
    sim::Receiver receiver;
    sim::Line line;
    sim::FrameReader reader;

    void info(const std::string& text) const
    {
        if (!opt.quiet)
            warn(text);
    }

    void saveState()
    {
        if (!opt.statePath.empty() && !sim::writeStateFile(opt.statePath, receiver.state()))
            warn("cannot write " + opt.statePath + ": " + std::strerror(errno));
    }

    void record(const sim::Bytes& bytes, bool discarded)
    {
        if (!opt.recordPath.empty() && !sim::appendRecord(opt.recordPath, bytes, discarded))
            warn("cannot append to " + opt.recordPath + ": " + std::strerror(errno));
    }

    // A frame for this receiver whose record has this command code.
    bool isRecord(const sim::Bytes& f, int code) const
    {
        const sim::Ident& own = receiver.state().id;
        return f.size() >= 19 && std::equal(own.begin(), own.end(), f.begin() + 5) && f[16] == 0x0F && f[17] == 0xFF
            && f[18] == code;
    }

    // --forget: the meter leaves its slot when the list is asked for.
    void forgetBeforeList(const sim::Bytes& f)
    {
        sim::Ident lost;
        if (!isRecord(f, 0x02) || !sim::identFromText(opt.forgetId, lost))
            return;
        for (sim::Slot& s : receiver.state().slots) {
            if (!s.empty() && s.id == lost) {
                s.clear();
                info("meter " + opt.forgetId + " forgotten");
            }
        }
    }

    // False when a stop was requested while answering.
    bool process(const std::vector<sim::FrameReader::Event>& events)
    {
        for (const auto& ev : events) {
            const std::string hex = sim::hexBytes(ev.bytes.data(), ev.bytes.size(), " ");
            record(ev.bytes, ev.kind == sim::FrameReader::Event::Discarded);
            if (ev.kind == sim::FrameReader::Event::Discarded) {
                warn("discarded (" + ev.why + "): " + hex);
                continue;
            }
            forgetBeforeList(ev.bytes);
            const sim::Handled h = receiver.handle(ev.bytes);
            saveState();
            switch (h.outcome) {
            case sim::Outcome::Malformed: warn("malformed frame (" + h.what + "), no answer: " + hex); continue;
            case sim::Outcome::OtherId: info(h.what + ": " + hex); continue;
            case sim::Outcome::Answered: break;
            }
            info("received " + h.what + ": " + hex);
            if (opt.silent || h.reply.empty() || isRecord(ev.bytes, opt.muteCode))
                continue;
            const sim::Bytes reply = isRecord(ev.bytes, opt.refuseCode) ? receiver.errorReply(0x18) : h.reply;
            info("answer: " + sim::hexBytes(reply.data(), reply.size(), " "));
            if (!line.sendAnswer(reply, opt, g_stopPipe[0])) {
                char c;
                if (::read(g_stopPipe[0], &c, 1) == 1)
                    return false;
                warn("answer not delivered: nobody reads the line");
            }
        }
        return true;
    }

    // Unplugs or replugs the line as the signals asked; false when a new line
    // cannot be made.
    bool switchLine()
    {
        char c;
        while (::read(g_linePipe[0], &c, 1) == 1) {
            if (c == 'u' && line.isOpen()) {
                line.close();
                reader = sim::FrameReader{};
                info("line pulled out");
            } else if (c == 'p' && !line.isOpen()) {
                std::string error;
                if (!line.open(error) || (!opt.linkPath.empty() && !line.makeLink(opt.linkPath, error))) {
                    warn(error);
                    return false;
                }
                info("line back on " + line.slavePath());
            }
        }
        return true;
    }

    int run()
    {
        std::uint8_t buf[4096];
        for (;;) {
            pollfd p[3] = {{line.masterFd(), POLLIN, 0}, {g_stopPipe[0], POLLIN, 0}, {g_linePipe[0], POLLIN, 0}};
            const int r = ::poll(p, 3, reader.pending() ? kIncompleteFrameMs : -1);
            if (r < 0) {
                if (errno == EINTR)
                    continue;
                warn(std::string("poll failed: ") + std::strerror(errno));
                return 1;
            }
            if (p[1].revents & POLLIN)
                return 0;
            if (p[2].revents & POLLIN) {
                if (!switchLine())
                    return 1;
                continue;
            }
            if (r == 0) {
                if (!process(reader.expire()))
                    return 0;
                continue;
            }
            if (p[0].revents & POLLIN) {
                const ssize_t n = ::read(line.masterFd(), buf, sizeof buf);
                if (n > 0) {
                    if (!process(reader.feed(buf, static_cast<std::size_t>(n))))
                        return 0;
                    continue;
                }
            }
            if (p[0].revents & (POLLHUP | POLLERR)) {
                // Cannot happen while our own slave descriptor is open; never spin on it.
                if (!sim::sleepUnlessStopped(50, g_stopPipe[0]))
                    return 0;
            }
        }
    }
};

}  // namespace

int main(int argc, char** argv)
{
    Simulator s;
    std::string error;
    if (!sim::parseOptions(argc, argv, s.opt, error)) {
        warn(error);
        std::fputs(sim::usageText(), stderr);
        return 2;
    }
    if (s.opt.help || s.opt.version) {
        std::fputs(s.opt.help ? sim::usageText() : sim::versionText(), stdout);
        return 0;
    }
    sim::ReceiverState& st = s.receiver.state();
    sim::identFromText(s.opt.id, st.id);
    if (!s.opt.slotsPath.empty()) {
        std::string text;
        if (!sim::readTextFile(s.opt.slotsPath, text)) {
            warn("cannot read " + s.opt.slotsPath + ": " + std::strerror(errno));
            return 2;
        }
        if (!sim::applySlotsText(text, st, error)) {
            warn(s.opt.slotsPath + ": " + error);
            return 2;
        }
    }
    if (!s.opt.preload.empty() && !sim::applySlotsText(s.opt.preload, st, error)) {
        warn("--preload: " + error);
        return 2;
    }
    if (!installSignals()) {
        warn("cannot create the stop pipe");
        return 1;
    }
    if (s.opt.exitWithParent) {
        // A test that crashes must not leave its simulator running.
        const pid_t parent = ::getppid();
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent)
            return 0;
    }
    if (!s.line.open(error)) {
        warn(error);
        return 1;
    }
    if (!s.opt.linkPath.empty() && !s.line.makeLink(s.opt.linkPath, error)) {
        warn(error);
        return 1;
    }
    s.saveState();
    std::printf("PTY %s\n", s.line.slavePath().c_str());
    std::fflush(stdout);
    s.info("ZELK ID " + s.opt.id + " listening on " + s.line.slavePath());
    // What a user of the utility types as the port name (an absolute path,
    // since the utility does not start in this folder).
    const std::string portName = s.opt.linkPath.empty() ? s.line.slavePath()
                                                        : std::filesystem::absolute(s.opt.linkPath).string();
    warn("receiver " + s.opt.id + " ready: in zelk-duv type " + portName + " as \"COM name\", then press Connect");
    const int rc = s.run();
    s.info("stopped");
    return rc;
}
