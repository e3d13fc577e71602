#include "receiver.h"

#include <algorithm>
#include <cstdio>

namespace sim {

namespace {

constexpr std::uint8_t kStart = 0x68;
constexpr std::uint8_t kEnd = 0x16;
constexpr std::uint8_t kErrAlreadyProgrammed = 0x15;
constexpr std::uint8_t kErrNotFound = 0x17;
constexpr std::uint8_t kErrInvalid = 0x18;
constexpr std::uint8_t kModeMax = 0x05;  // highest mode byte the receiver accepts

// The head every command frame starts with, bytes 2..15 except the ID (5..8).
bool commandHeadOk(const Bytes& f, std::string& why)
{
    static const struct {
        int off;
        std::uint8_t v;
    } fixed[] = {{2, 0x06},  {3, 0xDA},  {4, 0x46},  {9, 0x00},  {10, 0x1B},
                 {11, 0x7A}, {12, 0x00}, {13, 0x00}, {14, 0x00}, {15, 0x00}};
    for (const auto& b : fixed) {
        if (f[b.off] != b.v) {
            char buf[80];
            std::snprintf(buf, sizeof buf, "head byte at offset %d is %02X, expected %02X", b.off, f[b.off], b.v);
            why = buf;
            return false;
        }
    }
    return true;
}

Ident identAt(const Bytes& f, int off)
{
    return Ident{f[off], f[off + 1], f[off + 2], f[off + 3]};
}

Handled malformed(std::string why)
{
    return Handled{Outcome::Malformed, {}, std::move(why)};
}

}  // namespace

void Slot::clear()
{
    id.fill(kEmptyByte);
    medium = kEmptyByte;
    key.fill(kEmptyByte);
}

bool Slot::empty() const
{
    return id == Ident{kEmptyByte, kEmptyByte, kEmptyByte, kEmptyByte};
}

int ReceiverState::used() const
{
    int n = 0;
    for (const Slot& s : slots)
        n += s.empty() ? 0 : 1;
    return n;
}

std::uint8_t ReceiverState::modeCode() const
{
    // The receiver reports the set-mode byte in the high nibble: T (01) reads
    // back as T1 (10), S (03) as S1 (30), C (05) as C (50), T+C (00) as 00.
    return static_cast<std::uint8_t>(modeByte << 4);
}

void ReceiverState::resetSettings()
{
    for (Slot& s : slots)
        s.clear();
    flags = 0;
    modeByte = 0x01;
}

bool identFromText(const std::string& text, Ident& out)
{
    if (text.size() != 8)
        return false;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
    }
    for (int i = 0; i < 4; ++i) {
        const int hi = text[6 - 2 * i] - '0';
        const int lo = text[7 - 2 * i] - '0';
        out[i] = static_cast<std::uint8_t>(hi << 4 | lo);
    }
    return true;
}

std::string identText(const Ident& id)
{
    char buf[9];
    std::snprintf(buf, sizeof buf, "%02X%02X%02X%02X", id[3], id[2], id[1], id[0]);
    return buf;
}

bool identIsBcd(const Ident& id)
{
    for (std::uint8_t b : id) {
        if ((b >> 4) > 9 || (b & 0x0F) > 9)
            return false;
    }
    return true;
}

std::string hexBytes(const std::uint8_t* data, std::size_t n, const char* sep)
{
    std::string out;
    char buf[4];
    for (std::size_t i = 0; i < n; ++i) {
        std::snprintf(buf, sizeof buf, "%02X", data[i]);
        out += buf;
        out += sep;
    }
    return out;
}

Bytes Receiver::frameFor(const Ident& sender, const Bytes& body) const
{
    // Head, body and end byte copied into a frame of its final size: growing
    // a short vector piece by piece made GCC's optimiser warn of a memcpy out
    // of bounds.
    const std::array<std::uint8_t, 16> head{kStart,    static_cast<std::uint8_t>(14 + body.size()),
                                            0x08,      0xDA,
                                            0x46,      sender[0],
                                            sender[1], sender[2],
                                            sender[3], 0x00,
                                            0x1B,      0x7A,
                                            0x00,      0x00,
                                            0x00,      0x00};
    Bytes f(head.size() + body.size() + 1);
    std::copy(head.begin(), head.end(), f.begin());
    std::copy(body.begin(), body.end(), f.begin() + head.size());
    f.back() = kEnd;
    return f;
}

Bytes Receiver::statusReply(const Ident& sender) const
{
    const Bytes body{
        0x0F, 0xFF, 0x06, 0x04, static_cast<std::uint8_t>(state_.used()),       kSlotCount, 0x00, state_.modeCode(),
        0x0F, 0xFF, 0x05, 0x04, static_cast<std::uint8_t>(state_.flags & 0xFF), 0x00,       0x00, 0x00};
    return frameFor(sender, body);
}

Bytes Receiver::errorReply(std::uint8_t code) const
{
    // Error record, then two M-Bus idle fillers so the frame is 23 bytes long.
    return frameFor(state_.id, Bytes{0x01, 0xFD, 0x17, code, 0x2F, 0x2F});
}

Bytes Receiver::meterListReply() const
{
    Bytes body{0x0F, 0xFF, 0x79, 0x40};
    for (const Slot& s : state_.slots)
        body.insert(body.end(), s.id.begin(), s.id.end());
    body.insert(body.end(), {0x0F, 0xFF, 0x28, 0x10});
    for (const Slot& s : state_.slots)
        body.push_back(s.medium);
    return frameFor(state_.id, body);
}

std::uint32_t Receiver::slotValue(const Slot& slot, int k)
{
    return slot.empty() ? 0xFFFFFFFFu : 10000u * static_cast<std::uint32_t>(k + 1);
}

Bytes Receiver::valueListReply() const
{
    Bytes body;
    for (int k = 0; k < kSlotCount; ++k) {
        const std::uint32_t v = slotValue(state_.slots[k], k);
        // DIF 0x04 (32-bit integer), VIF 0x13 (volume), value low byte first.
        body.insert(body.end(),
                    {0x04, 0x13, static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                     static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)});
    }
    return frameFor(state_.id, body);
}

Bytes Receiver::keyReply(const Slot& slot) const
{
    Bytes body{0x0F, 0xFF, 0x8A, 0x14};
    body.insert(body.end(), slot.key.begin(), slot.key.end());
    body.insert(body.end(), slot.id.begin(), slot.id.end());
    return frameFor(state_.id, body);
}

int Receiver::findSlot(const Ident& id) const
{
    for (int k = 0; k < kSlotCount; ++k) {
        if (!state_.slots[k].empty() && state_.slots[k].id == id)
            return k;
    }
    return -1;
}

Handled Receiver::handle(const Bytes& f)
{
    ++state_.frames;
    if (f.size() < 3 || f[0] != kStart || f.back() != kEnd || f[1] + 3u != f.size())
        return malformed("not a frame");
    if (f.size() < 9)
        return malformed("frame too short to carry a ZELK ID");
    if (identAt(f, 5) != state_.id)
        return Handled{Outcome::OtherId, {}, "frame for ZELK ID " + identText(identAt(f, 5)) + " ignored"};
    if (f.size() < 22)  // the shortest command (wireless mode) is 22 bytes
        return malformed("frame of " + std::to_string(f.size()) + " bytes is too short for a command");
    std::string why;
    if (!commandHeadOk(f, why))
        return malformed(why);

    const std::uint8_t L = f[1];
    if (f[16] == 0x0F && f[17] == 0xFF)
        return handleRecord(f);
    if (f[16] == 0x07 && f[17] == 0x79) {
        if (L != 23)
            return malformed("new-ID frame with length byte " + std::to_string(L) + ", expected 23");
        if (f[22] != 0xDA || f[23] != 0x46 || f[24] != 0x1B)
            return malformed("new-ID frame without manufacturer DA 46 and device type 1B");
        const Ident newId = identAt(f, 18);
        if (!identIsBcd(newId))
            return Handled{Outcome::Answered, errorReply(kErrInvalid), "new ID " + identText(newId) + " invalid"};
        // The answer still comes from the old ID; the new one applies afterwards.
        Bytes reply = statusReply(state_.id);
        state_.id = newId;
        return Handled{Outcome::Answered, std::move(reply), "new ID " + identText(newId)};
    }
    if (f[16] == 0x04 && f[17] == 0x6D) {
        if (L != 20)
            return malformed("status request with length byte " + std::to_string(L) + ", expected 20");
        char buf[16];
        std::snprintf(buf, sizeof buf, "%02u:%02u", f[19], f[18]);
        state_.statusTime = buf;
        return Handled{Outcome::Answered, statusReply(state_.id), std::string("status request at ") + buf};
    }
    return malformed("unknown record " + hexBytes(&f[16], 2, " "));
}

namespace {

// What a record of each code must hold.
struct RecordShape {
    std::uint8_t code;
    std::uint8_t n;  // data bytes
    const char* name;
};
constexpr RecordShape kRecords[] = {
    {0x01, 4, "add meter"},     {0x81, 4, "delete meter"}, {0x22, 2, "follow-up"},        {0x02, 4, "get meter list"},
    {0x20, 1, "wireless mode"}, {0x82, 4, "master reset"}, {0x32, 2, "clock adjustment"}, {0x0A, 0x14, "set key"},
    {0x28, 5, "set medium"},    {0x05, 4, "set flag"},     {0x8A, 4, "read key"}};

}  // namespace

Handled Receiver::answered(const std::string& name, Bytes reply, const std::string& what) const
{
    return Handled{Outcome::Answered, std::move(reply), name + (what.empty() ? "" : " " + what)};
}

Handled Receiver::refused(const std::string& name, std::uint8_t err, const std::string& what) const
{
    char buf[24];
    std::snprintf(buf, sizeof buf, " -> error %02X", err);
    return Handled{Outcome::Answered, errorReply(err), name + " " + what + buf};
}

Handled Receiver::handleRecord(const Bytes& f)
{
    const std::uint8_t code = f[18];
    const std::uint8_t n = f[19];
    const RecordShape* e = nullptr;
    for (const RecordShape& x : kRecords) {
        if (x.code == code)
            e = &x;
    }
    char buf[120];
    if (!e) {
        std::snprintf(buf, sizeof buf, "unknown record code %02X", code);
        return malformed(buf);
    }
    if (n != e->n) {
        std::snprintf(buf, sizeof buf, "%s record with %u data bytes, expected %u", e->name, n, e->n);
        return malformed(buf);
    }
    if (f[1] != 18 + n) {
        std::snprintf(buf, sizeof buf, "%s frame with length byte %u, expected %u", e->name, f[1], 18 + n);
        return malformed(buf);
    }
    switch (code) {
    case 0x02:
    case 0x82:
    case 0x22:
    case 0x20:
    case 0x32:
    case 0x05: return handleReceiverRecord(f, e->name);
    default: return handleMeterRecord(f, e->name);
    }
}

Handled Receiver::handleReceiverRecord(const Bytes& f, const std::string& name)
{
    const std::uint8_t code = f[18];
    static const std::uint8_t fixedTail[] = {0x01, 0x10, 0x00, 0x00};
    switch (code) {
    case 0x20:
        if (f[20] > kModeMax)
            return refused(name, kErrInvalid, "byte " + hexBytes(&f[20], 1));
        state_.modeByte = f[20];
        return answered(name, statusReply(state_.id), hexBytes(&f[20], 1));
    case 0x32:
        state_.clock = static_cast<std::uint16_t>(f[20] | (f[21] & 0x7F) << 8);
        state_.clockOn = (f[21] & 0x80) != 0;
        return answered(name, statusReply(state_.id), std::to_string(state_.clock) + (state_.clockOn ? " on" : " off"));
    case 0x05: {
        const std::uint8_t num = f[20];
        if (f[21] > 1 || f[22] != 0 || f[23] != 0)
            return malformed("set flag record with data " + hexBytes(&f[20], 4, " "));
        const bool known = (num >= 3 && num <= 9) || num == 0x0B;
        if (!known)
            return refused(name, kErrInvalid, "number " + hexBytes(&num, 1));
        const auto bit = static_cast<std::uint16_t>(1u << (num - 1));
        state_.flags = f[21] ? (state_.flags | bit) : (state_.flags & ~bit);
        return answered(name, statusReply(state_.id), hexBytes(&num, 1) + (f[21] ? " on" : " off"));
    }
    default:  // 0x02, 0x82, 0x22: fixed data bytes
        break;
    }
    const std::uint8_t n = f[19];
    for (int i = 0; i < n; ++i) {
        if (f[20 + i] != fixedTail[i])
            return malformed(name + " record with data " + hexBytes(&f[20], n, " "));
    }
    if (code == 0x02)
        return answered(name, meterListReply(), "");
    if (code == 0x22)
        return answered(name, valueListReply(), "");
    state_.resetSettings();
    return answered(name, statusReply(state_.id), "");
}

Handled Receiver::handleMeterRecord(const Bytes& f, const std::string& name)
{
    const std::uint8_t code = f[18];
    // These records carry a meter ID at offsets 20..23.
    const Ident meter = identAt(f, 20);
    const std::string idt = identText(meter);
    if (!identIsBcd(meter))
        return refused(name, kErrInvalid, idt);
    const int k = findSlot(meter);
    if (code == 0x01)
        return addMeter(meter, k, name);
    if (k < 0)
        return refused(name, kErrNotFound, idt);
    switch (code) {
    case 0x81: state_.slots[k].clear(); return answered(name, statusReply(state_.id), idt);
    case 0x0A:
        std::copy(f.begin() + 24, f.begin() + 40, state_.slots[k].key.begin());
        return answered(name, statusReply(state_.id), idt);
    case 0x28:
        state_.slots[k].medium = f[24];
        return answered(name, statusReply(state_.id), idt + " " + hexBytes(&f[24], 1));
    case 0x8A: return answered(name, keyReply(state_.slots[k]), idt);
    default: return malformed("unhandled record");
    }
}

Handled Receiver::addMeter(const Ident& meter, int slot, const std::string& name)
{
    const std::string idt = identText(meter);
    if (slot >= 0)
        return refused(name, kErrAlreadyProgrammed, idt);
    int freeSlot = -1;
    for (int i = kSlotCount - 1; i >= 0; --i) {
        if (state_.slots[i].empty())
            freeSlot = i;
    }
    if (freeSlot < 0)
        return refused(name, kErrInvalid, idt + " (list full)");
    Slot& s = state_.slots[freeSlot];
    s.id = meter;
    s.medium = 0x0F;
    s.key.fill(0x00);
    return answered(name, statusReply(state_.id), idt + " in slot " + std::to_string(freeSlot + 1));
}

}  // namespace sim
