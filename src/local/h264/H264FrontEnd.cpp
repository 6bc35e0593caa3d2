// The decoder's context and its one entry point for the playback engine.
#include "local/h264/H264Decoder.h"
#include "local/h264/H264DecoderState.h"
#include "local/h264/H264Tables.h"

#include <new>

struct H264CodecContext
{
    int width = 0;
    int height = 0;
    WatermarkContext* m_pWatermark = nullptr;
    h264::DecoderState* state = nullptr;
};

struct H264Picture
{
    int unused = 0;
};

namespace {

// Open: the decoder state behind a fresh context.
int OpenCodec(H264CodecContext* ctx)
{
    if (ctx->state)
        return -1;
    (void)h264::GetCavlcTables(); // built once per process, before the first parse
    ctx->state = new (std::nothrow) h264::DecoderState();
    return ctx->state ? 0 : -1;
}

void CloseCodec(H264CodecContext* ctx)
{
    delete ctx->state;
    ctx->state = nullptr;
}

// Bytes consumed, 0 for an empty buffer, or -1.
int DecodeEntry(H264CodecContext* ctx, const std::uint8_t* data, int length)
{
    h264::DecoderState& s = *ctx->state;
    s.wm = ctx->m_pWatermark;
    // The verdict covers exactly this call, whatever it holds.
    if (s.wm)
        ResetWatermarkCall(*s.wm);
    if (length <= 0 || !data)
        return 0;
    const int end = h264::DecodeNalUnits(s, data, length);
    if (s.havePicture) {
        ctx->width = s.width;
        ctx->height = s.height;
    }
    if (end < 0)
        return -1;
    int result = end < 1 ? 1 : end;
    if (length - end < 10)
        result = length;
    return result;
}

} // namespace

int OpenH264Decoder(H264DecoderHandle** slot)
{
    if (!slot)
        return -1;
    auto* handle = new (std::nothrow) H264DecoderHandle;
    auto* ctx = new (std::nothrow) H264CodecContext;
    auto* pic = new (std::nothrow) H264Picture;
    if (!handle || !ctx || !pic || OpenCodec(ctx) != 0) {
        delete handle;
        delete ctx;
        delete pic;
        return -1;
    }
    handle->m_pContext = ctx;
    handle->m_pPicture = pic;
    *slot = handle;
    return 0;
}

int DecodeH264Frame(H264DecoderHandle* handle, H264DecodeIo* io)
{
    if (!io)
        return -1;
    if (!handle || !handle->m_pContext || !handle->m_pContext->state) {
        io->m_nResult = -1;
        if (io->m_pWatermark)
            ResetWatermarkCall(*io->m_pWatermark);
        return -1;
    }
    handle->m_pContext->m_pWatermark = io->m_pWatermark;
    const int r = DecodeEntry(handle->m_pContext, io->m_pData, io->m_nLength);
    io->m_nResult = r < 0 ? -1 : 0;
    return r;
}

int CloseH264Decoder(H264DecoderHandle* handle)
{
    if (!handle)
        return -1;
    if (handle->m_pContext)
        CloseCodec(handle->m_pContext);
    delete handle->m_pContext;
    delete handle->m_pPicture;
    delete handle;
    return 0;
}

std::int32_t CallH264Decoder(int type, H264DecoderHandle* handle, void* arg)
{
    switch (type) {
    case kH264Open:
        return OpenH264Decoder(static_cast<H264DecoderHandle**>(arg));
    case kH264Decode:
        return DecodeH264Frame(handle, static_cast<H264DecodeIo*>(arg));
    case kH264Close:
        return CloseH264Decoder(handle);
    default:
        return -1;
    }
}

namespace h264 {
void SetParseObserver(H264DecoderHandle* handle, IParseObserver* observer)
{
    if (handle && handle->m_pContext && handle->m_pContext->state)
        handle->m_pContext->state->observer = observer;
}
} // namespace h264
