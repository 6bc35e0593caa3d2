#include "SimLog.h"

#include <algorithm>
#include <cstring>

namespace k5sim {

Bytes BuildLogRecord(const LogEntry& e, std::uint32_t recordSize)
{
    Bytes b(std::max<std::size_t>(recordSize, 200), 0);
    PutBE32(b, 0, e.number);
    PutBE32(b, 4, recordSize);
    PutBE32(b, 8, e.category);
    PutBE32(b, 12, e.subKind);
    PutBE32(b, 16, e.time);
    PutBE32(b, 20, e.camera);
    std::memcpy(b.data() + 24, e.text.data(), std::min<std::size_t>(e.text.size(), 128));
    std::memcpy(b.data() + 152, e.text2.data(), std::min<std::size_t>(e.text2.size(), 48));
    for (const auto& [at, bytes] : e.data) {
        for (std::size_t i = 0; i < bytes.size() && at + i < b.size(); ++i)
            b[at + i] = bytes[i];
    }
    b.resize(recordSize);
    return b;
}

Bytes BuildLog(const std::vector<LogEntry>& entries, std::uint32_t recordSize)
{
    Bytes out;
    out.reserve(entries.size() * recordSize);
    for (const LogEntry& e : entries) {
        const Bytes r = BuildLogRecord(e, recordSize);
        out.insert(out.end(), r.begin(), r.end());
    }
    return out;
}

std::vector<LogEntry> EveryKindLog(std::uint32_t startTime)
{
    std::vector<LogEntry> log;
    auto add = [&](std::uint32_t category, std::uint32_t sub, std::string text = {}, std::string text2 = {},
                   std::uint32_t camera = 0) {
        LogEntry e;
        e.category = category;
        e.subKind = sub;
        e.text = std::move(text);
        e.text2 = std::move(text2);
        e.camera = camera;
        log.push_back(std::move(e));
        return &log.back();
    };
    for (int s = 0; s < 3; ++s)
        add(1u << 0, 1u << s, "Power text " + std::to_string(s), "pw");
    for (int s = 0; s < 5; ++s)
        add(1u << 1, 1u << s, "Record text " + std::to_string(s), "rec");
    for (int s = 0; s < 20; ++s) {
        const std::uint32_t cam = (s == 13 || s == 17) ? 3 : 0;
        LogEntry* e = add(1u << 2, 1u << s, "Op " + std::to_string(s), "admin", cam);
        Bytes before(32, 0), after(32, 0);
        for (int i = 0; i < 32; ++i) {
            before[i] = static_cast<std::uint8_t>(i % 3);
            after[i] = static_cast<std::uint8_t>((i + 1) % 3);
        }
        if (s == 17) {
            before[0] = 2;   // a motion region change
            after[4] = 0x0F; // byte 124: the region's first cells
        }
        if (s >= 13 && s <= 18)
            e->data = {{88, before}, {120, after}};
        if (s == 4 || s == 9) {
            e->text2 = "fw";
            e->data = {{184, Bytes{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}}};
        }
    }
    for (int s = 0; s < 8; ++s)
        add(1u << 3, 1u << s, "Client 127.0.0." + std::to_string(s + 1), "user");
    add(1u << 4, 1u << 0, {}, {}, 0x8005);
    add(1u << 4, 1u << 1, {}, {}, 0x0001);
    add(1u << 4, 1u << 2, {}, {}, 0x00F0);
    add(1u << 4, 1u << 3, {}, {}, 0x0002);
    add(1u << 4, 1u << 4, {}, {}, 0xFFFF);
    add(1u << 4, 0, {}, {}, 0x0004);                                    // an event without a sub-kind bit
    add(0, 0, "no category", "none");                                   // number and time only
    add((1u << 1) | (1u << 4), (1u << 2) | 1u, "two bits");             // lowest bits decide
    add(1u << 1, 1u << 0, std::string(128, 'L'), std::string(48, 'M')); // unterminated texts
    std::uint32_t n = 1;
    for (LogEntry& e : log) {
        e.number = n;
        e.time = startTime + 60 * (n - 1);
        ++n;
    }
    return log;
}

std::vector<LogEntry> LongLog(std::uint32_t startTime, std::size_t count)
{
    const std::vector<LogEntry> kinds = EveryKindLog(startTime);
    std::vector<LogEntry> log;
    log.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        LogEntry e = kinds[i % kinds.size()];
        e.number = static_cast<std::uint32_t>(i + 1);
        e.time = startTime + 60 * static_cast<std::uint32_t>(i);
        log.push_back(std::move(e));
    }
    return log;
}

Bytes BuildStatus(const StatusFields& f)
{
    Bytes b(f.disks ? 28 : 16, 0);
    PutBE32(b, 0, f.cameraMask);
    PutBE32(b, 4, f.recordState);
    PutBE32(b, 8, f.totalMB);
    PutBE32(b, 12, f.freeMB);
    if (f.disks) {
        for (std::size_t d = 0; d < 4; ++d) {
            b[16 + d] = f.present[d];
            b[20 + d] = f.value[d];
            b[24 + d] = f.state[d];
        }
    }
    return b;
}

} // namespace k5sim
