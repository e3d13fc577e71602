#include "frame_reader.h"

#include <algorithm>

namespace sim {

namespace {
constexpr std::uint8_t kStart = 0x68;
constexpr std::uint8_t kEnd = 0x16;
}  // namespace

void FrameReader::discard(std::size_t n, const std::string& why, std::vector<Event>& out)
{
    if (n == 0)
        return;
    // Consecutive discards for the same reason form one run.
    if (!out.empty() && out.back().kind == Event::Discarded && out.back().why == why) {
        out.back().bytes.insert(out.back().bytes.end(), buf_.begin(), buf_.begin() + n);
    } else {
        out.push_back(Event{Event::Discarded, {buf_.begin(), buf_.begin() + n}, why});
    }
    buf_.erase(buf_.begin(), buf_.begin() + n);
}

void FrameReader::scan(std::vector<Event>& out)
{
    for (;;) {
        const auto start = std::find(buf_.begin(), buf_.end(), kStart);
        discard(static_cast<std::size_t>(start - buf_.begin()), "no start byte", out);
        if (buf_.size() < 2)
            return;
        const std::size_t total = buf_[1] + 3u;
        if (buf_.size() < total)
            return;  // wait for the rest
        if (buf_[total - 1] != kEnd) {
            discard(1, "wrong end byte", out);
            continue;
        }
        out.push_back(Event{Event::Frame, {buf_.begin(), buf_.begin() + total}, {}});
        buf_.erase(buf_.begin(), buf_.begin() + total);
    }
}

std::vector<FrameReader::Event> FrameReader::feed(const std::uint8_t* data, std::size_t n)
{
    std::vector<Event> out;
    buf_.insert(buf_.end(), data, data + n);
    scan(out);
    return out;
}

std::vector<FrameReader::Event> FrameReader::expire()
{
    std::vector<Event> out;
    while (!buf_.empty()) {
        discard(1, "incomplete frame", out);
        scan(out);
    }
    return out;
}

}  // namespace sim
