#pragma once
// Codes held in WorkingState::lastCommand: which command went out last. The
// retry timer chooses its send-again action by it and the receive path its
// decoder (6 goes to the key read-back decoder).
#include <cstdint>

namespace CommandCode {
inline constexpr std::uint8_t None = 0;  // before the first operation
inline constexpr std::uint8_t SetReceiverId = 1;
inline constexpr std::uint8_t AddMeter = 2;     // also the add-all sequence
inline constexpr std::uint8_t DeleteMeter = 3;  // also the delete-all sequence
// 4 is never used.
inline constexpr std::uint8_t SetMeterKey = 5;  // also the key-all sequence
inline constexpr std::uint8_t ReadMeterKey = 6;
inline constexpr std::uint8_t SetReceiverFlag = 7;
inline constexpr std::uint8_t SetMeterMedium = 8;
inline constexpr std::uint8_t SetWirelessMode = 9;
inline constexpr std::uint8_t ReadStatus = 10;  // both read-status buttons
inline constexpr std::uint8_t GetMeterList = 11;
inline constexpr std::uint8_t MasterReset = 12;
inline constexpr std::uint8_t ClockAdjust = 13;
}  // namespace CommandCode
