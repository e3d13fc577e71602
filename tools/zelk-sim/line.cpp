#include "line.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace sim {

bool sleepUnlessStopped(int ms, int stopFd)
{
    pollfd p{stopFd, POLLIN, 0};
    int r;
    do {
        r = ::poll(&p, 1, ms);  // a signal restarts the whole wait; delays are short
    } while (r < 0 && errno == EINTR);
    return r == 0;
}

Line::~Line()
{
    close();
}

void Line::close()
{
    removeLink();
    if (master_ >= 0)
        ::close(master_);
    if (slave_ >= 0)
        ::close(slave_);
    master_ = slave_ = -1;
}

bool Line::open(std::string& error)
{
    char name[PATH_MAX] = {};
    termios tio{};
    cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    if (::openpty(&master_, &slave_, name, &tio, nullptr) != 0) {
        error = std::string("openpty failed: ") + std::strerror(errno);
        return false;
    }
    slavePath_ = name;
    ::fcntl(master_, F_SETFD, FD_CLOEXEC);
    ::fcntl(slave_, F_SETFD, FD_CLOEXEC);
    const int fl = ::fcntl(master_, F_GETFL);
    ::fcntl(master_, F_SETFL, fl | O_NONBLOCK);
    return true;
}

bool Line::makeLink(const std::string& linkPath, std::string& error)
{
    struct stat st {};
    if (::lstat(linkPath.c_str(), &st) == 0) {
        if (!S_ISLNK(st.st_mode)) {
            error = linkPath + " exists and is not a symbolic link";
            return false;
        }
        ::unlink(linkPath.c_str());
    }
    if (::symlink(slavePath_.c_str(), linkPath.c_str()) != 0) {
        error = "cannot link " + linkPath + ": " + std::strerror(errno);
        return false;
    }
    linkPath_ = linkPath;
    return true;
}

void Line::removeLink()
{
    if (linkPath_.empty())
        return;
    // Only remove the link while it still points at this simulator's line.
    char target[PATH_MAX] = {};
    const ssize_t n = ::readlink(linkPath_.c_str(), target, sizeof target - 1);
    if (n > 0 && slavePath_ == std::string(target, static_cast<std::size_t>(n)))
        ::unlink(linkPath_.c_str());
    linkPath_.clear();
}

bool Line::writeAll(const std::uint8_t* data, std::size_t n, int stopFd)
{
    std::size_t done = 0;
    while (done < n) {
        const ssize_t w = ::write(master_, data + done, n - done);
        if (w > 0) {
            done += static_cast<std::size_t>(w);
            continue;
        }
        if (w < 0 && errno == EINTR)
            continue;
        if (w < 0 && errno != EAGAIN)
            return false;
        pollfd p[2] = {{master_, POLLOUT, 0}, {stopFd, POLLIN, 0}};
        const int r = ::poll(p, 2, 2000);
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0 || (p[1].revents & POLLIN))
            return false;
    }
    return true;
}

bool Line::sendAnswer(const std::vector<std::uint8_t>& frame, const Options& opt, int stopFd)
{
    if (opt.delayMs > 0 && !sleepUnlessStopped(opt.delayMs, stopFd))
        return false;
    std::vector<std::uint8_t> out;
    const int copies = opt.twice ? 2 : 1;
    for (int c = 0; c < copies; ++c) {
        out.insert(out.end(), opt.noiseBytes.begin(), opt.noiseBytes.end());
        for (int i = 0; i < opt.noise; ++i) {
            auto b = static_cast<std::uint8_t>(rng_() % 255);
            out.push_back(b >= 0x68 ? static_cast<std::uint8_t>(b + 1) : b);  // never 0x68
        }
        out.insert(out.end(), frame.begin(), frame.end());
        if (opt.badEnd)
            out.back() = 0x17;
    }
    // --chunk: pieces of chunkBytes; otherwise --split: splitPieces pieces of about equal size.
    const bool chunked = opt.chunkBytes > 0;
    const std::size_t pieces = std::min<std::size_t>(static_cast<std::size_t>(opt.splitPieces), out.size());
    const int pause = chunked ? opt.chunkGapMs : opt.splitPauseMs;
    std::size_t start = 0;
    for (std::size_t p = 0; start < out.size(); ++p) {
        const std::size_t end = chunked ? std::min(out.size(), start + static_cast<std::size_t>(opt.chunkBytes))
                                        : out.size() * (p + 1) / pieces;
        if (p > 0 && pause > 0 && !sleepUnlessStopped(pause, stopFd))
            return false;
        if (!writeAll(out.data() + start, end - start, stopFd))
            return false;
        start = end;
    }
    return true;
}

}  // namespace sim
