// Log records as the recorder writes them into LOG_INFO_ACK: one entry of
// any category and sub-kind with its texts and data bytes, and a log that
// holds every kind the client tells apart.
#pragma once

#include "RecorderSim.h"

#include <array>
#include <string>
#include <utility>
#include <vector>

namespace k5sim {

struct LogEntry
{
    std::uint32_t number = 1;
    std::uint32_t category = 0; // bit 0 Power .. bit 4 Event
    std::uint32_t subKind = 0;
    std::uint32_t time = 0;
    std::uint32_t camera = 0;
    std::string text;  // bytes 24-151, cut to the field, unterminated when 128 long
    std::string text2; // bytes 152-199
    // Setup-change data: bytes put at offsets of the record (after the texts).
    std::vector<std::pair<std::size_t, Bytes>> data;
};

// One record of `recordSize` bytes (the 200-byte layout cut or zero-padded).
Bytes BuildLogRecord(const LogEntry& e, std::uint32_t recordSize = 200);
Bytes BuildLog(const std::vector<LogEntry>& entries, std::uint32_t recordSize = 200);
// Every category and sub-kind, entries without a category bit and with
// several bits, setup changes with data (sub-kinds 4, 9, 13-18), Event
// camera masks and unterminated texts; numbered from 1, a minute apart.
std::vector<LogEntry> EveryKindLog(std::uint32_t startTime);
// `count` entries cycling through EveryKindLog, renumbered.
std::vector<LogEntry> LongLog(std::uint32_t startTime, std::size_t count);

// STATUS_INFO_ACK: 16 bytes without disks, 28 with them.
struct StatusFields
{
    std::uint32_t cameraMask = 0xFFFF;
    std::uint32_t recordState = 1;
    std::uint32_t totalMB = 0;
    std::uint32_t freeMB = 0;
    bool disks = true;
    std::array<std::uint8_t, 4> present{1, 0, 0, 0}, value{}, state{};
};
Bytes BuildStatus(const StatusFields& f);

} // namespace k5sim
