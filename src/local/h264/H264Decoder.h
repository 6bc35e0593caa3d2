// The parse-only H.264 decoder's front end: one decoder per channel, fed one
// frame's Annex B byte stream per call, comparing the watermark as it parses.
#pragma once

#include "local/h264/WatermarkCheck.h"

#include <cstdint>

struct H264CodecContext;
struct H264Picture;

struct H264DecoderHandle
{
    H264CodecContext* m_pContext = nullptr;
    H264Picture* m_pPicture = nullptr;
};

struct H264DecodeIo
{
    int m_nResult = 0;
    int m_nLength = 0;
    const std::uint8_t* m_pData = nullptr;
    WatermarkContext* m_pWatermark = nullptr;
};

enum H264DecoderCall
{
    kH264Open = 0,
    kH264Decode = 1,
    kH264Close = 2,
};

// type 0: arg is an H264DecoderHandle** slot; type 1: arg is an H264DecodeIo*;
// type 2: closes `handle`. Returns 0 / bytes consumed, or -1.
std::int32_t CallH264Decoder(int type, H264DecoderHandle* handle, void* arg);

int OpenH264Decoder(H264DecoderHandle** slot);
int DecodeH264Frame(H264DecoderHandle* handle, H264DecodeIo* io);
int CloseH264Decoder(H264DecoderHandle* handle);
