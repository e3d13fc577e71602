#include "options.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace sim {

const char* usageText()
{
    return
        "Usage: zelk-sim [options]\n"
        "Plays a ZELK radio receiver on a pseudo-terminal. Prints \"PTY <slave path>\" as its\n"
        "first line, then answers the command frames addressed to its ZELK ID until SIGTERM or\n"
        "SIGINT. Log lines go to standard error.\n"
        "SIGUSR1 pulls the line out (hang-up; the --link is removed), SIGUSR2 plugs a new\n"
        "line in under the same --link, as an adapter unplugged and plugged in again.\n"
        "\n"
        "Options:\n"
        "  --id ID            ZELK ID of the receiver, 8 decimal digits (default 01020304)\n"
        "  --link PATH        also make the symbolic link PATH -> slave path (a stale link is\n"
        "                     replaced; the link is removed at exit)\n"
        "  --record FILE      append one line per received frame: each byte as two upper-case\n"
        "                     hex digits and a blank (\"68 16 06 ... 16 \"). Received bytes that\n"
        "                     were discarded (no complete frame) are written as a line starting\n"
        "                     with \"! \" followed by the bytes\n"
        "  --state FILE       rewrite FILE atomically after every handled frame, key=value lines:\n"
        "                     id, mode (set-mode byte, hex), modecode (status code, hex), flags\n"
        "                     (flag byte, hex), flagword (all flag bits, hex), clock (decimal),\n"
        "                     clockon (0/1), used (slots in use), frames (frames received),\n"
        "                     slot1..slot16=ID,medium-hex,key-hex\n"
        "  --slots FILE       initial slots: one ID:medium[:key] per line (# comments), or\n"
        "                     key=value lines as --state writes them (a saved state)\n"
        "  --preload LIST     initial slots: ID:medium[:key],... (medium as a hex byte such as\n"
        "                     07, key as 32 hex digits, default key all zero)\n"
        "  --silent           answer nothing\n"
        "  --delay MS         wait MS milliseconds before each answer\n"
        "  --bad-end          end every answer with 0x17 instead of 0x16\n"
        "  --noise N          send N random bytes (never 0x68) before each answer\n"
        "  --noise-hex HEX    send these bytes before each answer (and before the random\n"
        "                     ones), as hex digit pairs, blanks allowed: \"68 F0\"\n"
        "  --split N:MS       write each answer in N pieces with MS milliseconds between them\n"
        "  --chunk N          write each answer, noise bytes included, in pieces of N bytes, as a\n"
        "                     slow link delivers it (instead of --split)\n"
        "  --gap MS           with --chunk: MS milliseconds between the pieces (default 0)\n"
        "  --double           write each answer twice in one write\n"
        "  --quiet            no log line per frame (warnings are still written)\n"
        "  --exit-with-parent stop as on SIGTERM when the process that started it ends\n"
        "  --forget ID        lose the meter ID (8 digits) from its slot whenever the meter list\n"
        "                     is asked for, as a receiver that drops a meter it was given\n"
        "  --mute HEX         never answer the commands whose record code is HEX, such as 22\n"
        "                     (the follow-up: the value telegram of the meter list never comes)\n"
        "  --refuse HEX       answer the commands whose record code is HEX with error 0x18\n"
        "                     instead (they are still carried out), such as 8A (key read)\n"
        "  --help             this text\n"
        "  --version          the version\n"
        "\n"
        "Answers: a status reply to the status request and to every accepted set command\n"
        "(add/delete meter, new ID, wireless mode, master reset, clock, key, medium, flag);\n"
        "error replies 0x15 (ID already programmed), 0x17 (ID not found), 0x18 (invalid ID,\n"
        "wrong flag, unknown mode byte, list full); the meter list telegram and, after the\n"
        "follow-up request, the value telegram (slot k holds 10000*k, an empty slot -1); the\n"
        "key read-back. Status mode code = set-mode byte * 16: T (01) -> 10 T1, S (03) -> 30 S1,\n"
        "C (05) -> 50 C, T+C (00) -> 00 S2, 02 -> 20 T2, 04 -> 40 R. A new ID takes effect after\n"
        "its answer, which still carries the old ID. Frames for another ID are ignored;\n"
        "malformed frames are logged and answered with nothing.\n";
}

const char* versionText()
{
    return "zelk-sim " ZELK_VERSION "\n";
}

namespace {

bool isEightDigits(const std::string& id)
{
    bool ok = id.size() == 8;
    for (char c : id)
        ok = ok && c >= '0' && c <= '9';
    return ok;
}

bool toInt(const char* text, int min, int max, int& out)
{
    if (!text || !*text)
        return false;
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(text, &end, 10);
    if (errno != 0 || *end != '\0' || v < min || v > max)
        return false;
    out = static_cast<int>(v);
    return true;
}

// "68 F0", "68F0": pairs of hex digits, blanks between pairs allowed.
bool parseHexBytes(const char* text, std::vector<std::uint8_t>& out)
{
    out.clear();
    int high = -1;
    for (const char* p = text; *p; ++p) {
        if (*p == ' ' && high < 0)
            continue;
        const char c = *p;
        const int v = c >= '0' && c <= '9' ? c - '0'
            : c >= 'a' && c <= 'f'         ? c - 'a' + 10
            : c >= 'A' && c <= 'F'         ? c - 'A' + 10
                                           : -1;
        if (v < 0)
            return false;
        if (high < 0) {
            high = v;
        } else {
            out.push_back(static_cast<std::uint8_t>(high * 16 + v));
            high = -1;
        }
    }
    return high < 0 && !out.empty() && out.size() <= 4096;
}

} // namespace

bool parseOptions(int argc, char** argv, Options& out, std::string& error)
{
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const char* next = i + 1 < argc ? argv[i + 1] : nullptr;
        auto needValue = [&]() -> bool {
            if (!next) {
                error = "option " + a + " needs a value";
                return false;
            }
            ++i;
            return true;
        };
        if (a == "--help" || a == "-h") {
            out.help = true;
        } else if (a == "--version") {
            out.version = true;
        } else if (a == "--mute" || a == "--refuse") {
            std::vector<std::uint8_t> code;
            if (!needValue())
                return false;
            if (!parseHexBytes(next, code) || code.size() != 1) {
                error = a + " needs one command code as two hex digits";
                return false;
            }
            (a == "--mute" ? out.muteCode : out.refuseCode) = code[0];
        } else if (a == "--id") {
            if (!needValue())
                return false;
            out.id = next;
            if (!isEightDigits(out.id)) {
                error = "--id needs 8 decimal digits";
                return false;
            }
        } else if (a == "--link") {
            if (!needValue())
                return false;
            out.linkPath = next;
        } else if (a == "--record") {
            if (!needValue())
                return false;
            out.recordPath = next;
        } else if (a == "--state") {
            if (!needValue())
                return false;
            out.statePath = next;
        } else if (a == "--slots") {
            if (!needValue())
                return false;
            out.slotsPath = next;
        } else if (a == "--preload") {
            if (!needValue())
                return false;
            out.preload = next;
        } else if (a == "--silent") {
            out.silent = true;
        } else if (a == "--delay") {
            if (!needValue())
                return false;
            if (!toInt(next, 0, 600000, out.delayMs)) {
                error = "--delay needs milliseconds (0 to 600000)";
                return false;
            }
        } else if (a == "--bad-end") {
            out.badEnd = true;
        } else if (a == "--noise") {
            if (!needValue())
                return false;
            if (!toInt(next, 0, 4096, out.noise)) {
                error = "--noise needs a byte count (0 to 4096)";
                return false;
            }
        } else if (a == "--noise-hex") {
            if (!needValue())
                return false;
            if (!parseHexBytes(next, out.noiseBytes)) {
                error = "--noise-hex needs hex digit pairs (blanks allowed), at most 4096 bytes";
                return false;
            }
        } else if (a == "--split") {
            if (!needValue())
                return false;
            const std::string v = next;
            const auto colon = v.find(':');
            if (colon == std::string::npos || !toInt(v.substr(0, colon).c_str(), 1, 256, out.splitPieces) ||
                !toInt(v.substr(colon + 1).c_str(), 0, 60000, out.splitPauseMs)) {
                error = "--split needs N:MS (pieces 1 to 256, pause 0 to 60000 ms)";
                return false;
            }
        } else if (a == "--chunk" || a == "--gap") {
            if (!needValue())
                return false;
            const bool chunk = a == "--chunk";
            if (!toInt(next, chunk ? 1 : 0, chunk ? 4096 : 60000, chunk ? out.chunkBytes : out.chunkGapMs)) {
                error = chunk ? "--chunk needs a byte count (1 to 4096)" : "--gap needs milliseconds (0 to 60000)";
                return false;
            }
        } else if (a == "--double") {
            out.twice = true;
        } else if (a == "--quiet") {
            out.quiet = true;
        } else if (a == "--forget") {
            if (!needValue())
                return false;
            out.forgetId = next;
            if (!isEightDigits(out.forgetId)) {
                error = "--forget needs a meter ID of 8 decimal digits";
                return false;
            }
        } else if (a == "--exit-with-parent") {
            out.exitWithParent = true;
        } else {
            error = "unknown option " + a;
            return false;
        }
    }
    return true;
}

} // namespace sim
