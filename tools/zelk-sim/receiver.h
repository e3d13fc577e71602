#pragma once
// The simulated receiver: its state and its answer to one command frame.
// Pure code over byte strings; no I/O.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace sim {

using Bytes = std::vector<std::uint8_t>;
using Ident = std::array<std::uint8_t, 4>;  // identifier bytes, low digit pair first
using Key = std::array<std::uint8_t, 16>;

constexpr int kSlotCount = 16;
constexpr std::uint8_t kEmptyByte = 0xFF;  // an erased slot holds FF in every byte

struct Slot {
    Ident id{kEmptyByte, kEmptyByte, kEmptyByte, kEmptyByte};
    std::uint8_t medium = kEmptyByte;
    Key key{};  // set to all FF for an empty slot by clear()
    Slot() { clear(); }
    void clear();
    bool empty() const;
};

struct ReceiverState {
    Ident id{0x04, 0x03, 0x02, 0x01};
    std::array<Slot, kSlotCount> slots{};
    std::uint8_t modeByte = 0x01;  // as the set-mode command carries it (01 = mode T)
    std::uint16_t flags = 0;       // bit 2^(n-1) for flag number n
    std::uint16_t clock = 0;       // adjustment value, 15 bits
    bool clockOn = false;
    unsigned frames = 0;     // frames received (any ID, malformed included)
    std::string statusTime;  // "HH:MM" of the last status request, empty before

    int used() const;
    std::uint8_t modeCode() const;  // the code the status reply carries
    void resetSettings();           // master reset: slots, flags and mode
};

// 8 decimal digits to identifier bytes; false for any other text.
bool identFromText(const std::string& text, Ident& out);
// Identifier bytes as eight upper-case hex digits, highest byte first.
std::string identText(const Ident& id);
// True when every nibble is a decimal digit.
bool identIsBcd(const Ident& id);
std::string hexBytes(const std::uint8_t* data, std::size_t n, const char* sep = "");

enum class Outcome { Answered, OtherId, Malformed };

struct Handled {
    Outcome outcome = Outcome::Malformed;
    Bytes reply;       // empty: nothing to answer
    std::string what;  // one-line description for the log
};

class Receiver {
public:
    ReceiverState& state() { return state_; }
    const ReceiverState& state() const { return state_; }

    // Handles one complete frame (0x68 .. 0x16, length already consistent).
    Handled handle(const Bytes& frame);

    // Reply builders (public for the log and for clarity of the layout).
    Bytes statusReply(const Ident& sender) const;
    Bytes errorReply(std::uint8_t code) const;
    Bytes meterListReply() const;
    Bytes valueListReply() const;
    Bytes keyReply(const Slot& slot) const;

    // The 32-bit value the value telegram carries for slot index k (0-based).
    static std::uint32_t slotValue(const Slot& slot, int k);

private:
    Bytes frameFor(const Ident& sender, const Bytes& body) const;
    // A 0F FF record: its shape checked, then handled by one of the steps
    // below; `name` is the record's name for the log.
    Handled handleRecord(const Bytes& f);
    // Records about the receiver itself: list, follow-up, reset, mode, clock, flag.
    Handled handleReceiverRecord(const Bytes& f, const std::string& name);
    // Records about one meter, whose ID is at offsets 20 to 23.
    Handled handleMeterRecord(const Bytes& f, const std::string& name);
    // The add of a meter found in `slot` (-1 when not held).
    Handled addMeter(const Ident& meter, int slot, const std::string& name);
    Handled answered(const std::string& name, Bytes reply, const std::string& what) const;
    Handled refused(const std::string& name, std::uint8_t err, const std::string& what) const;
    int findSlot(const Ident& id) const;

    ReceiverState state_;
};

}  // namespace sim
