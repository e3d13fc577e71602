#pragma once
// Command line of zelk-sim.
#include <cstdint>
#include <string>
#include <vector>

namespace sim {

struct Options {
    std::string id = "01020304";           // ZELK ID, 8 decimal digits
    std::string linkPath;                  // --link: symbolic link to the slave side
    std::string recordPath;                // --record: one line per received frame
    std::string statePath;                 // --state: key=value state, rewritten atomically
    std::string slotsPath;                 // --slots: initial slots from a file
    std::string preload;                   // --preload ID:medium[:key],...
    bool silent = false;                   // answer nothing
    int delayMs = 0;                       // wait before each answer
    bool badEnd = false;                   // answers end with 0x17 instead of 0x16
    int noise = 0;                         // random non-0x68 bytes before each answer
    std::vector<std::uint8_t> noiseBytes;  // --noise-hex: these bytes first
    int splitPieces = 1;                   // answer written in this many pieces
    int splitPauseMs = 0;                  // pause between the pieces
    int chunkBytes = 0;                    // --chunk: answer written in pieces of this many bytes (0: --split rules)
    int chunkGapMs = 0;                    // --gap: pause between those pieces
    bool twice = false;                    // --double: each answer twice in one write
    bool quiet = false;                    // no per-frame log lines on stderr
    bool exitWithParent = false;           // stop when the starting process ends
    std::string forgetId;                  // --forget: meter ID lost before each list request
    int muteCode = -1;                     // --mute: commands with this record code go unanswered
    int refuseCode = -1;                   // --refuse: commands with this record code are answered with error 0x18
    bool help = false;
    bool version = false;
};

// Parses argv. On a bad argument returns false with a message in error.
bool parseOptions(int argc, char** argv, Options& out, std::string& error);

const char* usageText();
const char* versionText();

}  // namespace sim
