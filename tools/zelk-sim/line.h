#pragma once
// The pseudo-terminal line of the simulator and the way answers are written to it.
#include "options.h"

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace sim {

class Line {
public:
    // Opens the pty pair in raw mode; the master side is non-blocking. The
    // slave side stays open here too, so a client closing it causes no hang-up.
    bool open(std::string& error);
    // Hangs the line up: removes the link and closes both sides, so the
    // client sees a hang-up and the slave path goes away. open() and
    // makeLink() bring a new line back.
    void close();
    bool isOpen() const { return master_ >= 0; }
    ~Line();

    int masterFd() const { return master_; }
    const std::string& slavePath() const { return slavePath_; }

    // Makes linkPath a symbolic link to the slave path, replacing an existing
    // symbolic link (never another kind of file). removeLink() undoes it.
    bool makeLink(const std::string& linkPath, std::string& error);
    void removeLink();

    // Writes one answer as the options say (delay, noise, wrong end byte,
    // pieces, twice). Blocks for the delays and pauses; returns early, false,
    // when stopFd becomes readable (a stop was requested) or the line stays
    // full for 2 s (nobody reads the other side).
    bool sendAnswer(const std::vector<std::uint8_t>& frame, const Options& opt, int stopFd);

private:
    bool writeAll(const std::uint8_t* data, std::size_t n, int stopFd);

    int master_ = -1;
    int slave_ = -1;
    std::string slavePath_;
    std::string linkPath_;
    std::mt19937 rng_{20240601};  // fixed seed: the noise is the same on every run
};

// Sleeps ms milliseconds; false when stopFd became readable first.
bool sleepUnlessStopped(int ms, int stopFd);

}  // namespace sim
