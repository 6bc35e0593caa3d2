// libtiff over a byte vector: a picture is coded into memory and written to
// its file in one step (so a failed write is seen in one place), and a file's
// bytes are read without touching the disk again.
#pragma once

#include <tiffio.h>

#include <cstdint>
#include <memory>
#include <vector>

struct TiffCloser
{
    void operator()(TIFF* t) const
    {
        if (t)
            TIFFClose(t);
    }
};
using TiffHandle = std::unique_ptr<TIFF, TiffCloser>;

// The bytes behind a memory TIFF; must outlive the handle.
struct TiffMemoryStream
{
    std::vector<std::uint8_t> data;
    std::uint64_t pos = 0;
};

// mode as TIFFOpen takes it ("r", "w", "wb"...). Null when libtiff refuses.
TiffHandle OpenTiffMemory(TiffMemoryStream& stream, const char* mode);
