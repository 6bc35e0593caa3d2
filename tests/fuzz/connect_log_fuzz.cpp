// The connection log KOLA5500.log as any earlier run, another program or a
// damaged disk may have left it: the bytes become the file, then up to three
// records are written. After each write the file must still be a ring whose
// header points just past the new record, no byte outside the header and the
// new record's slot may change, and a record that was intact (its slot
// number and size in place) may only be overwritten as the oldest of a full
// ring.
//
// Input: mode byte, two 16-bit values a and b, then the bytes.
//   mode & 3 == 0  the file is the bytes as they stand
//   mode & 3 == 1  a % 2500 intact records behind a sound header, the bytes
//                  laid over the file at offset 4 x b
//   mode & 3 == 2  a full ring whose newest record is slot a % 2500, the
//                  bytes laid over it at offset 4 x b
//   mode & 3 == 3  the same full ring cut to 8 + b x 8 bytes, the bytes
//                  laid over its start
//   (mode >> 2) % 3 + 1 records are written.
#include "FuzzSupport.h"

#include "app/ConnectLog.h"
#include "local/LocalLogModel.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace {

constexpr std::size_t kSlots = kConnectLogSlots;
constexpr std::size_t kHead = kConnectLogHeaderSize;
constexpr std::size_t kRec = kConnectLogRecordSize;
constexpr std::size_t kFull = static_cast<std::size_t>(kConnectLogFileSize);

std::uint32_t Le32(const std::string& b, std::size_t at)
{
    const auto* p = reinterpret_cast<const unsigned char*>(b.data()) + at;
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}

std::string Bytes(const ConnectLogRecord& r)
{
    const auto b = EncodeConnectLogRecord(r);
    return std::string(reinterpret_cast<const char*>(b.data()), b.size());
}

std::string Header(std::uint32_t wrapped, std::uint32_t next)
{
    const auto b = EncodeConnectLogHeader(ConnectLogHeader{wrapped, next});
    return std::string(reinterpret_cast<const char*>(b.data()), b.size());
}

void AppendRecord(std::string& file, std::size_t slot, std::uint32_t time)
{
    ConnectLogRecord r;
    r.index = static_cast<std::uint32_t>(slot);
    r.size = kRec;
    r.type = 2;
    r.subtype = 1;
    r.time = time;
    std::snprintf(r.address, sizeof r.address, "kept-%zu", slot);
    const auto b = EncodeConnectLogRecord(r);
    file.append(reinterpret_cast<const char*>(b.data()), b.size());
}

bool Intact(const std::string& file, std::size_t slot)
{
    const std::size_t at = kHead + slot * kRec;
    return at + kRec <= file.size() && Le32(file, at) == slot && Le32(file, at + 4) == kRec;
}

// The header as the writer may trust it: fields in range and the records it
// claims present.
bool Sound(const std::string& file)
{
    if (file.size() < kHead)
        return false;
    const std::uint32_t wrapped = Le32(file, 0);
    const std::uint32_t next = Le32(file, 4);
    if (wrapped > 1 || next >= kSlots)
        return false;
    return file.size() >= (wrapped ? kFull : kHead + next * kRec);
}

// Every slot holding its intact record, times rising from slot 0: built once,
// copied and given its times per input.
const std::string& AscendingRing()
{
    static const std::string ring = [] {
        std::string r;
        r.reserve(kFull);
        r.append(Header(0, 0));
        for (std::size_t s = 0; s < kSlots; ++s)
            AppendRecord(r, s, 1000000 + static_cast<std::uint32_t>(s));
        return r;
    }();
    return ring;
}

void PutLe32(std::string& b, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + static_cast<std::size_t>(i)] = static_cast<char>(v >> (8 * i));
}

// Fills `file` (its room is kept from input to input: a full ring is 460 KB).
void MakeFile(k5fuzz::Reader& in, std::string& file)
{
    const std::uint8_t kind = in.U8() & 3; // the caller has read the write count from it too
    const std::uint16_t a = in.U16();
    const std::uint16_t b = in.U16();
    const std::string overlay = in.Rest();
    file.clear();
    if (kind == 0) {
        file.append(overlay);
        return;
    }

    const std::string& ring = AscendingRing();
    std::size_t at = 4 * std::size_t(b);
    if (kind == 1) {
        const std::size_t n = a % kSlots;
        file.append(Header(0, static_cast<std::uint32_t>(n)));
        file.append(ring, kHead, n * kRec);
    } else {
        const std::size_t newest = a % kSlots;
        std::size_t length = kFull;
        if (kind == 3) {
            length = std::min(length, kHead + 8 * std::size_t(b));
            at = 0;
        }
        file.append(Header(1, static_cast<std::uint32_t>((newest + 1) % kSlots)));
        file.append(ring, kHead, length - kHead);
        // Times rise from the oldest (newest + 1) round to the newest.
        for (std::size_t s = 0; s < kSlots && kHead + s * kRec + 20 <= length; ++s) {
            const std::size_t age = (s + kSlots - newest - 1) % kSlots;
            PutLe32(file, kHead + s * kRec + 16, 1000000 + static_cast<std::uint32_t>(age));
        }
    }
    at = std::min(at, file.size());
    if (at + overlay.size() > file.size())
        file.resize(at + overlay.size());
    file.replace(at, overlay.size(), overlay);
}

void CheckWrite(const std::string& before, const std::string& after, const ConnectLogRecord& expected)
{
    K5_FUZZ_CHECK(after.size() >= before.size()); // never truncated
    K5_FUZZ_CHECK(after.size() <= std::max(before.size(), kFull));
    K5_FUZZ_CHECK(after.size() >= kHead);

    const std::uint32_t wrapped = Le32(after, 0);
    const std::uint32_t next = Le32(after, 4);
    K5_FUZZ_CHECK(wrapped <= 1);
    K5_FUZZ_CHECK(next < kSlots);
    const std::size_t slot = (next + kSlots - 1) % kSlots;
    K5_FUZZ_CHECK(after.size() >= kHead + (slot + 1) * kRec);
    K5_FUZZ_CHECK(wrapped == 1 || after.size() >= kHead + std::size_t(next) * kRec);
    if (slot == kSlots - 1)
        K5_FUZZ_CHECK(wrapped == 1);

    ConnectLogRecord r = expected;
    r.index = static_cast<std::uint32_t>(slot);
    K5_FUZZ_CHECK(after.compare(kHead + slot * kRec, kRec, Bytes(r)) == 0);

    // Nothing else changed.
    const std::size_t lo = kHead + slot * kRec;
    const std::size_t hi = lo + kRec;
    auto unchanged = [&](std::size_t from, std::size_t to) {
        to = std::min(to, before.size());
        if (from >= to || std::memcmp(before.data() + from, after.data() + from, to - from) == 0)
            return;
        for (std::size_t i = from; i < to; ++i) {
            if (before[i] != after[i]) {
                std::fprintf(stderr, "byte %zu changed (record went to slot %zu)\n", i, slot);
                K5_FUZZ_CHECK(before[i] == after[i]);
            }
        }
    };
    unchanged(kHead, lo);
    unchanged(hi, before.size());

    bool allIntact = true;
    std::size_t firstBroken = kSlots;
    for (std::size_t s = 0; s < kSlots; ++s) {
        if (!Intact(before, s)) {
            allIntact = false;
            firstBroken = s;
            break;
        }
    }
    const bool sound = Sound(before);
    const std::uint32_t oldWrapped = sound ? Le32(before, 0) : 0;
    const std::uint32_t oldNext = sound ? Le32(before, 4) : 0;

    if (Intact(before, slot)) {
        // Only the oldest record of a full ring makes room.
        if (!(allIntact || (sound && oldWrapped == 1))) {
            std::fprintf(stderr, "intact record in slot %zu overwritten (header %s, wrapped %u next %u)\n", slot,
                         sound ? "sound" : "damaged", Le32(before, 0), Le32(before, 4));
            K5_FUZZ_CHECK(false);
        }
    }
    if (sound && (oldWrapped == 1 || !Intact(before, oldNext))) {
        // A header that agrees with the records is followed.
        K5_FUZZ_CHECK(slot == oldNext);
        K5_FUZZ_CHECK(wrapped == (oldWrapped == 1 || slot == kSlots - 1 ? 1u : 0u));
    } else if (!allIntact) {
        // Otherwise the ring goes on after the intact records at its start.
        K5_FUZZ_CHECK(slot == firstBroken);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const int writes = size > 0 ? (data[0] >> 2) % 3 + 1 : 1;
    k5fuzz::Reader in(data, size);
    static std::string file;
    static std::string bytes;
    MakeFile(in, file);
    // The ring's rules run on the bytes in memory, as the writer runs them
    // on the open file.
    bytes = file;
    MemoryConnectLogStorage storage(bytes);

    // The viewer reads the same bytes: whole records only, oldest first. The
    // records are kept from input to input (a full ring's would otherwise be
    // mapped afresh each time). Its rows are built for at most the newest
    // 256: each row is made on its own from its record, and the rest of a
    // long log are the harness's own intact records, whose 2500 rows would
    // take most of the input's time and reach nothing new (a log the input
    // writes as it stands has at most a few dozen records, all of them rowed).
    {
        static std::vector<ConnectLogRecord> records;
        static std::vector<ConnectLogRecord> newest;
        ParseConnectLog(file, records);
        K5_FUZZ_CHECK(records.size() <= kSlots);
        K5_FUZZ_CHECK(file.size() < kHead || records.size() <= (file.size() - kHead) / kRec);
        constexpr std::size_t kRowed = 256;
        const std::vector<ConnectLogRecord>* rowed = &records;
        if (records.size() > kRowed) {
            newest.assign(records.end() - kRowed, records.end());
            rowed = &newest;
        }
        const auto rows =
            BuildLocalLogRows(*rowed, (size > 1 ? data[1] : 0) % 3, [](int id) { return std::to_string(id); });
        K5_FUZZ_CHECK(rows.size() == rowed->size());
        for (const auto& row : rows)
            K5_FUZZ_CHECK(row.cells[3].size() < 128 && row.cells[4].size() < 128);
    }

    std::uint32_t now = 2000000000;

    for (int i = 0; i < writes; ++i) {
        ++now;
        ConnectLogRecord expected;
        expected.size = kRec;
        expected.type = 2;
        expected.subtype = static_cast<std::uint32_t>(i + 1);
        expected.time = now;
        char address[32];
        std::snprintf(address, sizeof address, "10.0.0.%d", i + 1);
        std::memcpy(expected.address, address, std::strlen(address));
        std::memcpy(expected.user, "operator", 8);

        K5_FUZZ_CHECK(AppendConnectLogRecord(storage, expected));
        CheckWrite(file, bytes, expected);
        file = bytes;
    }
    return 0;
}
