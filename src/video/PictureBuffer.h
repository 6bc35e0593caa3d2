// A channel's picture store between its decode worker and the video grid.
//
// The worker writes the next picture into a buffer that nobody else reads,
// then publishes it: under the channel's lock the written buffer and the
// ready one trade places. The grid's painter takes the ready picture, again by
// trading places under the lock, and reads it without the lock while the
// worker goes on writing the third buffer. So a picture is never read while
// it is being written, the worker never waits for drawing, and a picture that
// was published but not yet painted is simply replaced by the next one.
//
// Every buffer holds up to 720 x 576 x 3 bytes: planar YUV 4:2:0 (Y, then U,
// then V) when the grid draws YUV pictures, or 24-bit B, G, R lines stored
// bottom-up when it draws RGB pictures.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

class PictureBuffer
{
public:
    static constexpr int kMaxWidth = 720;
    static constexpr int kMaxHeight = 576;
    static constexpr std::size_t kCapacity = std::size_t(kMaxWidth) * kMaxHeight * 3; // 1,244,160

    // The grid's picture formats (the values of its picture-format setting).
    static constexpr int kFormatYuv420 = 512;
    static constexpr int kFormatBgr24 = 256;

    PictureBuffer();
    ~PictureBuffer();
    PictureBuffer(const PictureBuffer&) = delete;
    PictureBuffer& operator=(const PictureBuffer&) = delete;

    // Bytes a picture of that size and format takes; 0 for a format or size
    // the buffer cannot hold (odd YUV sizes, more than the capacity).
    static std::size_t PictureBytes(int width, int height, int format);

    // --- Writer side: the channel's decode worker, one thread at a time.
    // The picture being made; kCapacity bytes, never read by the painter.
    std::uint8_t* WriteBuffer() { return m_buffers[m_write]; }
    // Zeroes the picture being made (a stream starts over).
    void ClearWrite();
    // The written picture becomes the latest one. False (and nothing
    // changes) when the size does not fit the format and the capacity.
    bool Publish(int width, int height, int format);

    // --- Reader side: the grid's painter (the GUI thread).
    struct View
    {
        const std::uint8_t* data = nullptr; // null until something was published
        int width = 0;
        int height = 0;
        int format = 0;
        std::uint64_t serial = 0; // 1 for the first published picture, then counting up
    };
    // The latest published picture. It stays valid and unchanged until the
    // next call of Acquire; only one reader may call it.
    View Acquire();

    // A copy of the latest picture for a still or a snapshot, from any thread
    // (taken under the lock, so it is whole). False when nothing was published.
    bool CopyLatest(std::vector<std::uint8_t>& out, int& width, int& height, int& format) const;

    // The size and format of the latest published picture (0 when none).
    void LatestSize(int& width, int& height, int& format) const;
    // Pictures published so far.
    std::uint64_t PublishCount() const;

private:
    struct FreeDeleter
    {
        void operator()(std::uint8_t* p) const;
    };
    struct Meta
    {
        int width = 0;
        int height = 0;
        int format = 0;
        std::uint64_t serial = 0;
    };

    mutable std::mutex m_lock; // the channel's lock
    std::array<std::unique_ptr<std::uint8_t, FreeDeleter>, 3> m_owned;
    std::array<std::uint8_t*, 3> m_buffers{};
    int m_write = 0; // the worker's
    int m_ready = 1; // the latest published (when m_fresh) or an old one
    int m_front = 2; // the painter's
    bool m_fresh = false;
    Meta m_readyMeta;
    Meta m_frontMeta;
    std::uint64_t m_published = 0;
};

// --- Picture preparation, on the buffer the worker is writing -------------

// The first and last picture rows the grid shows (8 rows at the top and 4 at
// the bottom are cut, 16 and 8 for 480- and 576-line pictures). Rows counted
// from the top of the picture.
void PictureCropRows(int height, int& firstRow, int& rowCount);

// True when the decoder's picture holds the first field in its upper half and
// the second in its lower half: 480- and 576-line pictures in view mode 0, and
// in live view or remote playback unless the recorder is of the served model.
bool PictureHasSplitFields(int height, int viewMode, bool servedModel);

// Turns a top-down B, G, R picture bottom-up in place (scratch grows to one
// picture). With split fields the two halves are woven while flipping: upper
// row n goes to memory row h - 1 - 2n, lower row n to h - 2 - 2n.
void FlipRgbPicture(std::uint8_t* picture, int width, int height, bool splitFields,
                    std::vector<std::uint8_t>& scratch);

// Line doubling (method 0: each even row copied over the odd row after it) or
// averaging (method 1: each odd row the mean of its neighbours). For YUV
// (rgb false) the Y rows and the U and V rows are treated alike.
void DeinterlacePicture(std::uint8_t* picture, int width, int height, bool rgb, int method);

// Weaves a planar YUV picture whose fields lie in its upper and lower halves:
// output row 2i is upper row i; output row 2i + 1 is lower row i, or upper
// row i again when `doubleLines` (deinterlacing by line doubling).
void WeaveYuvFields(std::uint8_t* picture, int width, int height, bool doubleLines,
                    std::vector<std::uint8_t>& scratch);
