// A reader of downloaded file sets written apart from the writer, from the
// file layout alone, for the tests: it checks every cross-reference of a set
// (headers, trailers, records, record links, data offsets, index entries,
// second items, summary) and gives back the frames as they arrived.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace backup_reader {

inline std::uint32_t U32(const std::vector<std::uint8_t>& b, std::size_t at)
{
    if (at + 4 > b.size())
        return 0xDEADBEEF;
    return std::uint32_t(b[at]) | std::uint32_t(b[at + 1]) << 8 | std::uint32_t(b[at + 2]) << 16 |
           std::uint32_t(b[at + 3]) << 24;
}

struct Entry
{
    std::uint32_t start = 0, end = 0, itemPos = 0, mask = 0, one = 0, mask2 = 0;
    std::uint8_t b48 = 0, b49 = 0, kind = 0, b51 = 0, kind2 = 0;
    std::uint16_t otherMask = 0;
    std::uint32_t channelBytes[16] = {};
    std::vector<std::uint32_t> items; // .vih offsets of the entry's second items
};

struct Set
{
    std::string stem;
    std::uint32_t headerStamp = 0;  // from the three headers (checked equal)
    std::uint32_t trailerStamp = 0; // .idx trailer
    std::uint32_t firstLink = 0;    // u32 at 32 of the first record
    std::uint32_t lastRecord = 0;   // from the .vih and .vid trailers
    std::uint32_t summaryMin = 0, summaryMax = 0, summaryCount = 0;
    std::vector<Entry> entries;
    std::vector<std::uint32_t> recordTimes;
    std::vector<std::vector<std::uint8_t>> frames; // prefix (links as written) + stored frame
};

// Reads one set; `error` names the first inconsistency found.
inline bool ReadSet(const std::vector<std::uint8_t>& idx, const std::vector<std::uint8_t>& vih,
                    const std::vector<std::uint8_t>& vid, Set& set, std::string& error)
{
    auto fail = [&](const std::string& why) {
        error = why;
        return false;
    };
    for (const auto* f : {&idx, &vih, &vid}) {
        if (f->size() < 128)
            return fail("file shorter than header and trailer");
        if (U32(*f, 16) != 0x20070516)
            return fail("header magic");
        if (U32(*f, f->size() - 64 + 16) != 0x19720505)
            return fail("trailer magic");
    }
    set.stem.assign(reinterpret_cast<const char*>(idx.data()),
                    strnlen(reinterpret_cast<const char*>(idx.data()), 16));
    set.headerStamp = U32(idx, 32);
    if (U32(vih, 32) != set.headerStamp || U32(vid, 32) != set.headerStamp)
        return fail("header stamps differ");
    set.trailerStamp = U32(idx, idx.size() - 64 + 32);
    if (U32(idx, idx.size() - 64 + 36) != 0 || U32(vih, vih.size() - 64 + 32) != 0 ||
        U32(vid, vid.size() - 64 + 32) != 0)
        return fail("trailer fields");
    set.lastRecord = U32(vih, vih.size() - 64 + 36);
    if (U32(vid, vid.size() - 64 + 36) != set.lastRecord)
        return fail(".vid trailer's last record differs");

    // Records and frame data.
    const std::size_t vihData = vih.size() - 64;
    if ((vihData - 64) % 192 != 0)
        return fail(".vih holds a partial record");
    const std::size_t records = (vihData - 64) / 192;
    std::size_t vidAt = 64;
    for (std::size_t i = 0; i < records; ++i) {
        const std::size_t at = 64 + 192 * i;
        std::vector<std::uint8_t> rec(vih.begin() + at, vih.begin() + at + 192);
        const std::uint32_t link = U32(rec, 32);
        if (i == 0)
            set.firstLink = link;
        else if (link != at - 192)
            return fail("record link " + std::to_string(i));
        if (U32(rec, 44) != vidAt)
            return fail("record data offset " + std::to_string(i));
        if (vidAt + 40 > vid.size() - 64)
            return fail("frame header past .vid data");
        if (U32(vid, vidAt) != 511)
            return fail("frame marker " + std::to_string(i));
        // The frame's length is its header, video and audio by the sizes of
        // word 20; the stored size of word 8 may be padded by the recorder.
        const std::uint32_t sizes = U32(vid, vidAt + 20);
        const std::uint32_t stored = 40 + (sizes & 0xFFFFF) + (sizes >> 20);
        if (vidAt + stored > vid.size() - 64)
            return fail("frame past .vid data " + std::to_string(i));
        std::vector<std::uint8_t> frame = rec;
        frame.insert(frame.end(), vid.begin() + vidAt, vid.begin() + vidAt + stored);
        set.frames.push_back(std::move(frame));
        set.recordTimes.push_back(U32(rec, 24));
        vidAt += stored;
    }
    if (vidAt != vid.size() - 64)
        return fail(".vid holds bytes no record points to");
    if (records > 0 && set.lastRecord != 64 + 192 * (records - 1))
        return fail("trailer's last record");

    // Summary and entries.
    if (idx.size() < 262336 + 64)
        return fail(".idx without its index area");
    if (U32(idx, 80) != 0xCAFECAFE)
        return fail("summary magic");
    set.summaryMin = U32(idx, 88);
    set.summaryMax = U32(idx, 92);
    set.summaryCount = U32(idx, 96);
    if (set.summaryCount > 1024)
        return fail("entry count");
    const std::size_t itemEnd = idx.size() - 64;
    if ((itemEnd - 262336) % 8 != 0)
        return fail("partial second item");
    std::uint32_t min = 0, max = 0;
    for (std::uint32_t k = 0; k < set.summaryCount; ++k) {
        const std::size_t at = 192 + 256 * k;
        Entry e;
        if (U32(idx, at + 16) != 0xBC987302)
            return fail("entry magic " + std::to_string(k));
        e.start = U32(idx, at + 24);
        e.end = U32(idx, at + 28);
        e.itemPos = U32(idx, at + 32);
        e.mask = U32(idx, at + 36);
        e.one = U32(idx, at + 40);
        e.mask2 = U32(idx, at + 44);
        e.b48 = idx[at + 48];
        e.b49 = idx[at + 49];
        e.kind = idx[at + 50];
        e.b51 = idx[at + 51];
        e.otherMask = static_cast<std::uint16_t>(idx[at + 54] | idx[at + 55] << 8);
        e.kind2 = idx[at + 60];
        for (int c = 0; c < 16; ++c)
            e.channelBytes[c] = U32(idx, at + 80 + 4 * c);
        if (e.one != 1 || e.mask != e.mask2)
            return fail("entry fields " + std::to_string(k));
        if (k == 0 || e.start < min)
            min = e.start;
        if (k == 0 || e.end > max)
            max = e.end;
        set.entries.push_back(e);
    }
    // Compared a block at a time: the fuzz target reads several sets per
    // input, and a byte loop over the quarter megabyte would be most of its time.
    static const std::uint8_t kZeros[4096] = {};
    for (std::size_t at = 192 + 256 * set.summaryCount; at < 262336; at += sizeof kZeros) {
        if (std::memcmp(idx.data() + at, kZeros, std::min<std::size_t>(sizeof kZeros, 262336 - at)) != 0)
            return fail("bytes in an unused entry slot");
    }
    if (set.summaryCount > 0 && (min != set.summaryMin || max != set.summaryMax))
        return fail("summary times");

    // Items: entry k owns those from its item offset to the next entry's.
    std::uint32_t nextRecordOwner = 64; // the first record each entry must start at
    for (std::size_t k = 0; k < set.entries.size(); ++k) {
        Entry& e = set.entries[k];
        const std::size_t from = e.itemPos;
        const std::size_t to = k + 1 < set.entries.size() ? set.entries[k + 1].itemPos : itemEnd;
        if (from < 262336 || to > itemEnd || from > to || (from - 262336) % 8 != 0)
            return fail("item range of entry " + std::to_string(k));
        for (std::size_t at = from; at < to; at += 8) {
            e.items.push_back(U32(idx, at));
            if (U32(idx, at + 4) != 0)
                return fail("item word 1");
        }
        if (e.items.empty() || e.items.front() != nextRecordOwner)
            return fail("entry " + std::to_string(k) + " does not start at its first record");
        for (std::size_t j = 0; j < e.items.size(); ++j) {
            const std::uint32_t rec = e.items[j];
            if (rec < 64 || (rec - 64) % 192 != 0 || (rec - 64) / 192 >= records)
                return fail("item outside the records");
            if (j > 0 && rec <= e.items[j - 1])
                return fail("items not ascending");
        }
        // The entry's records run up to the next entry's first item.
        std::size_t endRecord = records;
        if (k + 1 < set.entries.size()) {
            const std::size_t nf = set.entries[k + 1].itemPos;
            if (nf + 4 > itemEnd)
                return fail("next entry's items");
            endRecord = (U32(idx, nf) - 64) / 192;
        }
        const std::size_t firstRecord = (e.items.front() - 64) / 192;
        if (set.recordTimes[firstRecord] != e.start || set.recordTimes[endRecord - 1] != e.end)
            return fail("entry times " + std::to_string(k));
        std::size_t j = 0;
        for (std::size_t r = firstRecord; r < endRecord; ++r) {
            const bool isItem = j < e.items.size() && e.items[j] == 64 + 192 * r;
            const bool newSecond = r == firstRecord || set.recordTimes[r] != set.recordTimes[r - 1];
            if (isItem != newSecond)
                return fail("second item at record " + std::to_string(r));
            if (isItem)
                ++j;
        }
        if (j != e.items.size())
            return fail("items past the entry's records");
        nextRecordOwner = static_cast<std::uint32_t>(64 + 192 * endRecord);
    }
    if (!set.entries.empty() && nextRecordOwner != 64 + 192 * records)
        return fail("records after the last entry");
    if (set.entries.empty() && records > 0)
        return fail("records without an entry");
    return true;
}

} // namespace backup_reader
