#include "options.h"

#include <algorithm>
#include <iterator>
#include <utility>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace sim {

const char* usageText()
{
    return "Usage: zelk-sim [options]\n"
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

}  // namespace

namespace {

// Options without a value.
bool takeFlag(const std::string& a, Options& out)
{
    static const std::pair<const char*, bool Options::*> flags[] = {
        {"--help", &Options::help},       {"-h", &Options::help},
        {"--version", &Options::version}, {"--silent", &Options::silent},
        {"--bad-end", &Options::badEnd},  {"--double", &Options::twice},
        {"--quiet", &Options::quiet},     {"--exit-with-parent", &Options::exitWithParent}};
    for (const auto& [name, member] : flags) {
        if (a == name) {
            out.*member = true;
            return true;
        }
    }
    return false;
}

// Options whose value is checked by a rule of its own; false with error
// when the value is refused.
bool takeCheckedValue(const std::string& a, const char* v, Options& out, std::string& error)
{
    std::vector<std::uint8_t> bytes;
    if (a == "--mute" || a == "--refuse") {
        if (parseHexBytes(v, bytes) && bytes.size() == 1) {
            (a == "--mute" ? out.muteCode : out.refuseCode) = bytes[0];
            return true;
        }
        error = a + " needs one command code as two hex digits";
    } else if (a == "--id" || a == "--forget") {
        (a == "--id" ? out.id : out.forgetId) = v;
        if (isEightDigits(v))
            return true;
        error = a == "--id" ? "--id needs 8 decimal digits" : "--forget needs a meter ID of 8 decimal digits";
    } else if (a == "--noise-hex") {
        if (parseHexBytes(v, out.noiseBytes))
            return true;
        error = "--noise-hex needs hex digit pairs (blanks allowed), at most 4096 bytes";
    } else {  // --split
        const std::string text = v;
        const auto colon = text.find(':');
        if (colon != std::string::npos && toInt(text.substr(0, colon).c_str(), 1, 256, out.splitPieces)
            && toInt(text.substr(colon + 1).c_str(), 0, 60000, out.splitPauseMs))
            return true;
        error = "--split needs N:MS (pieces 1 to 256, pause 0 to 60000 ms)";
    }
    return false;
}

enum class Taken { Unknown, Yes, Refused };

// Options with a value (v, null when the command line ended).
Taken takeValue(const std::string& a, const char* v, Options& out, std::string& error)
{
    static const std::pair<const char*, std::string Options::*> texts[] = {{"--link", &Options::linkPath},
                                                                           {"--record", &Options::recordPath},
                                                                           {"--state", &Options::statePath},
                                                                           {"--slots", &Options::slotsPath},
                                                                           {"--preload", &Options::preload}};
    struct Number {
        const char* name;
        int Options::*member;
        int min, max;
        const char* refusal;
    };
    static const Number numbers[] = {
        {"--delay", &Options::delayMs, 0, 600000, "--delay needs milliseconds (0 to 600000)"},
        {"--noise", &Options::noise, 0, 4096, "--noise needs a byte count (0 to 4096)"},
        {"--chunk", &Options::chunkBytes, 1, 4096, "--chunk needs a byte count (1 to 4096)"},
        {"--gap", &Options::chunkGapMs, 0, 60000, "--gap needs milliseconds (0 to 60000)"}};
    static const char* const checked[] = {"--mute", "--refuse", "--id", "--forget", "--noise-hex", "--split"};

    const auto named = [&a](const char* name) { return a == name; };
    const bool isText = std::any_of(std::begin(texts), std::end(texts), [&](const auto& t) { return named(t.first); });
    const bool isNumber = std::any_of(std::begin(numbers), std::end(numbers),
                                      [&](const auto& n) { return named(n.name); });
    if (!isText && !isNumber && std::none_of(std::begin(checked), std::end(checked), named))
        return Taken::Unknown;
    if (!v) {
        error = "option " + a + " needs a value";
        return Taken::Refused;
    }
    for (const auto& [name, member] : texts) {
        if (named(name))
            out.*member = v;
    }
    for (const Number& n : numbers) {
        if (named(n.name) && !toInt(v, n.min, n.max, out.*(n.member))) {
            error = n.refusal;
            return Taken::Refused;
        }
    }
    if (isText || isNumber)
        return Taken::Yes;
    return takeCheckedValue(a, v, out, error) ? Taken::Yes : Taken::Refused;
}

}  // namespace

bool parseOptions(int argc, char** argv, Options& out, std::string& error)
{
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (takeFlag(a, out))
            continue;
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        switch (takeValue(a, value, out, error)) {
        case Taken::Yes: ++i; break;
        case Taken::Refused: return false;
        case Taken::Unknown: error = "unknown option " + a; return false;
        }
    }
    return true;
}

}  // namespace sim
