// The video grid as the decode workers use it, on top of what the
// connection's receive thread uses (blocked channels, the active mask,
// repaints). Every call may come from any thread and returns without waiting
// for the GUI thread: a worker writes a channel's next picture into the
// channel's PictureBuffer, publishes it, and the grid repaints on the GUI
// thread when it gets to it (several publications may make one repaint).
//
// One worker per channel: only the channel's worker writes its picture.
//
// A worker's pass, in order:
//   key frame that starts a stream: ClearPicture
//   decode into GetPicture(ch)->WriteBuffer() (PictureBuffer::kCapacity bytes,
//     in GetPictureFormat())
//   RGB pictures: FlipPicture, then DeinterlacePicture as the settings say;
//   YUV pictures: PrepareYuvPicture
//   captions: GetCellSize, FitOsdText, GetOsdMode, GetFrameRate
//   icon offsets: SetSpeedIconPos, SetWatermarkIconPos
//   PublishPicture (captions, audio mark, frame time, the frame counted)
#pragma once

#include "net/NetHost.h"
#include "platform/Types.h"
#include "video/PictureBuffer.h"

#include <optional>
#include <string>
#include <string_view>

// A decoded picture as the worker hands it over.
struct GridFrame
{
    int width = 0;
    int height = 0;
    // Caption lines (at most 259 characters each; longer text is cut) and
    // their colours (COLORREF).
    std::string line1;
    std::string line2;
    COLORREF colour1 = 0x00FF00;
    COLORREF colour2 = 0xFFFF00;
    // Recorder seconds of the picture (for snapshots).
    int frameTime = 0;
    // The channel's audio mark, when the worker decided one: -1 none, 0 the
    // channel being heard, 1 a channel with audio that is not heard; its x
    // offset in the cell and whether it sits at the top.
    struct AudioMark
    {
        int mark = -1;
        int offset = 0;
        bool top = false;
    };
    std::optional<AudioMark> audio;
    // The format the decoder wrote the picture in (PictureBuffer's formats);
    // -1: the grid's current one.
    int format = -1;
};

class GridSink : public VideoGridSink
{
public:
    // The format the decoder must produce: PictureBuffer::kFormatYuv420 (512)
    // or PictureBuffer::kFormatBgr24 (256, stored bottom-up). A worker reads
    // it as its stream starts; the DrawMode setting may change it later.
    virtual int GetPictureFormat() const = 0;
    // The channel's picture buffer; null for a channel outside 0-15 or before
    // the grid has its cells.
    virtual PictureBuffer* GetPicture(int channel) = 0;
    // A stream starts over: the picture being written is zeroed.
    virtual void ClearPicture(int channel) = 0;

    // Picture preparation on the picture being written (see PictureBuffer.h).
    // FlipPicture turns the decoder's top-down RGB picture bottom-up, weaving
    // split fields (PictureHasSplitFields with the grid's view mode).
    virtual void FlipPicture(int channel, int width, int height, bool servedModel) = 0;
    virtual void DeinterlacePicture(int channel, int width, int height, bool rgb, int method) = 0;
    // Weaves the split fields of a 480- or 576-line YUV picture when the view
    // mode calls for it; doubleLines when the channel's Deinterlace setting is
    // 0 (on). Call once per decoded YUV picture, before publishing.
    virtual void PrepareYuvPicture(int channel, int width, int height, bool servedModel,
                                   bool doubleLines) = 0;

    // Captions.
    virtual int GetViewMode() const = 0;
    virtual int GetOsdMode() const = 0;
    virtual void GetOsdFont(int& points, int& weight, std::string& face) const = 0;
    // Size of the cell that shows the channel in the current layout.
    virtual bool GetCellSize(int channel, int& width, int& height) const = 0;
    // The title fitted to a cell width ("CH<n> " first for a local camera
    // name, "..." when it had to be cut); at most 259 characters.
    virtual std::string FitOsdText(int channel, int cellWidth, std::string_view text,
                                   bool localName) const = 0;
    // Pictures per second of the channel in the last two-second period.
    virtual int GetFrameRate(int channel) const = 0;

    // Icon offsets, one value each for the whole grid.
    virtual void SetSpeedIconPos(int channel, int offset, bool top) = 0;
    virtual void SetWatermarkIconPos(int channel, int offset, bool flag) = 0;
    virtual void SetAudioMark(int channel, int mark, int offset, bool top) = 0;
    // -1 not checked; 0, 1, 2 as the watermark check found (2: failed).
    virtual void SetWatermarkState(int channel, int state) = 0;

    // The picture written into GetPicture(channel)->WriteBuffer() becomes the
    // channel's picture; the channel becomes active, shown and received, its
    // frame is counted and a repaint is requested. False (nothing published)
    // for a size that does not fit the format or the buffer.
    virtual bool PublishPicture(int channel, const GridFrame& frame) = 0;

    // A worker starting up clears the grid's zoom flag.
    virtual void ClearZoom() = 0;
};
