#include "state_io.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sstream>
#include <unistd.h>

namespace sim {

namespace {

bool writeAllFd(int fd, const std::string& text)
{
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t w = ::write(fd, text.data() + done, text.size() - done);
        if (w < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += static_cast<std::size_t>(w);
    }
    return true;
}

std::string trim(const std::string& s)
{
    const auto b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos)
        return {};
    const auto e = s.find_last_not_of(" \t\r\n");
    return s.substr(b, e - b + 1);
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Hex text of exactly n bytes ("0x" prefix allowed when n is 1).
bool hexToBytes(std::string text, std::uint8_t* out, std::size_t n)
{
    if (n == 1 && text.size() > 2 && (text.rfind("0x", 0) == 0 || text.rfind("0X", 0) == 0))
        text = text.substr(2);
    if (n == 1 && text.size() == 1)
        text = "0" + text;
    if (text.size() != 2 * n)
        return false;
    for (std::size_t i = 0; i < n; ++i) {
        const int hi = hexDigit(text[2 * i]);
        const int lo = hexDigit(text[2 * i + 1]);
        if (hi < 0 || lo < 0)
            return false;
        out[i] = static_cast<std::uint8_t>(hi << 4 | lo);
    }
    return true;
}

// "FFFFFFFF" (an empty slot) or 8 decimal digits.
bool slotIdent(const std::string& text, Ident& out)
{
    if (text == "FFFFFFFF") {
        out.fill(kEmptyByte);
        return true;
    }
    return identFromText(text, out);
}

bool parseSlot(const std::vector<std::string>& parts, Slot& slot, std::string& error)
{
    if (parts.size() < 2 || parts.size() > 3 || !slotIdent(parts[0], slot.id)
        || !hexToBytes(parts[1], &slot.medium, 1)) {
        error = "slot needs ID:medium[:key] with an 8-digit ID and a hex medium byte";
        return false;
    }
    if (parts.size() == 3) {
        if (!hexToBytes(parts[2], slot.key.data(), slot.key.size())) {
            error = "slot key must be 32 hex digits";
            return false;
        }
    } else {
        slot.key.fill(slot.empty() ? kEmptyByte : 0x00);
    }
    return true;
}

std::vector<std::string> split(const std::string& s, char sep)
{
    std::vector<std::string> parts;
    std::string cur;
    std::istringstream in(s);
    while (std::getline(in, cur, sep))
        parts.push_back(trim(cur));
    return parts;
}

bool applyStateLine(const std::string& key, const std::string& value, ReceiverState& s, std::string& error)
{
    if (key.rfind("slot", 0) == 0) {
        int n = 0;
        try {
            n = std::stoi(key.substr(4));
        } catch (...) {
            n = 0;
        }
        if (n < 1 || n > kSlotCount) {
            error = "no slot " + key;
            return false;
        }
        Slot slot;
        if (!parseSlot(split(value, ','), slot, error))
            return false;
        s.slots[n - 1] = slot;
        return true;
    }
    std::uint8_t b[2] = {};
    if (key == "mode") {
        if (!hexToBytes(value, b, 1) || b[0] > 0x05) {
            error = "mode must be a hex byte 00 to 05";
            return false;
        }
        s.modeByte = b[0];
    } else if (key == "flagword") {
        if (!hexToBytes(value, b, 2)) {
            error = "flagword must be 4 hex digits";
            return false;
        }
        s.flags = static_cast<std::uint16_t>(b[0] << 8 | b[1]);
    } else if (key == "clock") {
        try {
            s.clock = static_cast<std::uint16_t>(std::stoi(value) & 0x7FFF);
        } catch (...) {
            error = "clock must be a number";
            return false;
        }
    } else if (key == "clockon") {
        s.clockOn = value == "1";
    }
    // Other keys (id, flags, counters) are reports only.
    return true;
}

}  // namespace

std::string stateText(const ReceiverState& s)
{
    char buf[64];
    std::string out;
    out += "id=" + identText(s.id) + "\n";
    std::snprintf(buf, sizeof buf, "mode=%02X\nmodecode=%02X\n", s.modeByte, s.modeCode());
    out += buf;
    std::snprintf(buf, sizeof buf, "flags=%02X\nflagword=%04X\n", s.flags & 0xFF, s.flags);
    out += buf;
    out += "clock=" + std::to_string(s.clock) + "\n";
    out += std::string("clockon=") + (s.clockOn ? "1" : "0") + "\n";
    out += "used=" + std::to_string(s.used()) + "\n";
    out += "frames=" + std::to_string(s.frames) + "\n";
    out += "statustime=" + s.statusTime + "\n";
    for (int k = 0; k < kSlotCount; ++k) {
        const Slot& slot = s.slots[k];
        std::snprintf(buf, sizeof buf, ",%02X,", slot.medium);
        out += "slot" + std::to_string(k + 1) + "=" + identText(slot.id) + buf
            + hexBytes(slot.key.data(), slot.key.size()) + "\n";
    }
    return out;
}

bool writeStateFile(const std::string& path, const ReceiverState& s)
{
    const std::string tmp = path + ".tmp";
    const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const bool ok = writeAllFd(fd, stateText(s));
    if (::close(fd) != 0 || !ok) {
        ::unlink(tmp.c_str());
        return false;
    }
    return ::rename(tmp.c_str(), path.c_str()) == 0;
}

bool appendRecord(const std::string& path, const Bytes& bytes, bool discarded)
{
    std::string line = discarded ? "! " : "";
    line += hexBytes(bytes.data(), bytes.size(), " ");
    line += "\n";
    // O_APPEND and one write per line: the line is in the file when this returns.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const bool ok = writeAllFd(fd, line);
    return ::close(fd) == 0 && ok;
}

bool applySlotsText(const std::string& text, ReceiverState& s, std::string& error)
{
    int next = 0;
    std::string normalised = text;
    for (char& c : normalised) {
        if (c == ',' && normalised.find('=') == std::string::npos)
            c = '\n';
    }
    for (const std::string& raw : split(normalised, '\n')) {
        const std::string line = trim(raw.substr(0, raw.find('#')));
        if (line.empty())
            continue;
        const auto eq = line.find('=');
        if (eq != std::string::npos) {
            if (!applyStateLine(trim(line.substr(0, eq)), trim(line.substr(eq + 1)), s, error))
                return false;
            continue;
        }
        if (next >= kSlotCount) {
            error = "more than 16 slots given";
            return false;
        }
        Slot slot;
        if (!parseSlot(split(line, ':'), slot, error)) {
            error += " (\"" + line + "\")";
            return false;
        }
        s.slots[next++] = slot;
    }
    return true;
}

bool readTextFile(const std::string& path, std::string& out)
{
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return false;
    char buf[4096];
    std::size_t n;
    out.clear();
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        out.append(buf, n);
    const bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

}  // namespace sim
