#include "ui/TiffMemory.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

// A TIFF larger than this is not ours to write or read from memory.
constexpr std::uint64_t kMaxBytes = 1ULL << 30;

TiffMemoryStream* Stream(thandle_t h)
{
    return static_cast<TiffMemoryStream*>(h);
}

tmsize_t ReadProc(thandle_t h, void* buf, tmsize_t size)
{
    TiffMemoryStream* s = Stream(h);
    if (size <= 0 || s->pos >= s->data.size())
        return 0;
    const std::uint64_t n =
        std::min<std::uint64_t>(static_cast<std::uint64_t>(size), s->data.size() - s->pos);
    std::memcpy(buf, s->data.data() + s->pos, n);
    s->pos += n;
    return static_cast<tmsize_t>(n);
}

tmsize_t WriteProc(thandle_t h, void* buf, tmsize_t size)
{
    TiffMemoryStream* s = Stream(h);
    if (size <= 0)
        return 0;
    const std::uint64_t end = s->pos + static_cast<std::uint64_t>(size);
    if (end > kMaxBytes)
        return -1;
    if (end > s->data.size())
        s->data.resize(end);
    std::memcpy(s->data.data() + s->pos, buf, static_cast<std::size_t>(size));
    s->pos = end;
    return size;
}

toff_t SeekProc(thandle_t h, toff_t off, int whence)
{
    TiffMemoryStream* s = Stream(h);
    std::uint64_t base = 0;
    if (whence == SEEK_CUR)
        base = s->pos;
    else if (whence == SEEK_END)
        base = s->data.size();
    const std::uint64_t pos = base + off;
    if (pos > kMaxBytes)
        return static_cast<toff_t>(-1);
    s->pos = pos;
    return pos;
}

int CloseProc(thandle_t)
{
    return 0;
}

toff_t SizeProc(thandle_t h)
{
    return Stream(h)->data.size();
}

int MapProc(thandle_t, void**, toff_t*)
{
    return 0;
}

void UnmapProc(thandle_t, void*, toff_t) {}

} // namespace

TiffHandle OpenTiffMemory(TiffMemoryStream& stream, const char* mode)
{
    stream.pos = 0;
    return TiffHandle(TIFFClientOpen("memory", mode, &stream, ReadProc, WriteProc, SeekProc, CloseProc,
                                     SizeProc, MapProc, UnmapProc));
}
