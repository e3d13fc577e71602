#pragma once
// Cuts frames (0x68, L, L bytes, 0x16) out of the received byte stream.
// A start byte whose frame does not end in 0x16 is dropped and the search goes
// on from the next byte, so a corrupted frame never hides the next one.
#include <cstdint>
#include <string>
#include <vector>

namespace sim {

class FrameReader {
public:
    struct Event {
        enum Kind { Frame, Discarded } kind;
        std::vector<std::uint8_t> bytes;
        std::string why;  // for Discarded: why the bytes were dropped
    };

    // Appends received bytes and returns the frames and discarded runs they
    // complete, in stream order.
    std::vector<Event> feed(const std::uint8_t* data, std::size_t n);
    // Called when no byte arrived for a while: a frame still waiting for its
    // remaining bytes is given up (its start byte dropped, the rest searched again).
    std::vector<Event> expire();
    // True while bytes of an incomplete frame are held.
    bool pending() const { return !buf_.empty(); }

private:
    void scan(std::vector<Event>& out);
    void discard(std::size_t n, const std::string& why, std::vector<Event>& out);

    std::vector<std::uint8_t> buf_;
};

}  // namespace sim
