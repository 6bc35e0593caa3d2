#pragma once

#include "local/h264/H264Decoder.h"
#include "local/h264/H264Observer.h"
#include "streams/WatermarkWriter.h"

#include <cstdint>
#include <vector>

// One open decoder per fixture, closed on destruction.
class Checker
{
public:
    Checker() { CallH264Decoder(kH264Open, nullptr, &m_handle); }
    ~Checker()
    {
        if (m_handle)
            CallH264Decoder(kH264Close, m_handle, nullptr);
    }
    Checker(const Checker&) = delete;
    Checker& operator=(const Checker&) = delete;

    H264DecoderHandle* Handle() const { return m_handle; }
    void Observe(h264::IParseObserver* o) { h264::SetParseObserver(m_handle, o); }

    // One decode call as the playback engine makes it.
    int Decode(const std::vector<std::uint8_t>& bytes)
    {
        wm.m_bEnable = 1;
        wm.m_dwKey = key;
        wm.m_bInitialised = 0;
        H264DecodeIo io;
        io.m_pData = bytes.empty() ? nullptr : bytes.data();
        io.m_nLength = static_cast<int>(bytes.size());
        io.m_pWatermark = &wm;
        const int r = CallH264Decoder(kH264Decode, m_handle, &io);
        lastIoResult = io.m_nResult;
        return r;
    }
    WatermarkVerdict Verdict() const { return GetWatermarkVerdict(wm); }

    WatermarkContext wm;
    std::uint32_t key = kWatermarkKey;
    int lastIoResult = 0;

private:
    H264DecoderHandle* m_handle = nullptr;
};

inline WatermarkVerdict ToVerdict(k5streams::WmVerdict v)
{
    switch (v) {
    case k5streams::WmVerdict::Verified: return WatermarkVerdict::Verified;
    case k5streams::WmVerdict::Tampered: return WatermarkVerdict::Tampered;
    default: return WatermarkVerdict::CannotVerify;
    }
}

// Counts what the parser reported.
struct CountingObserver : h264::IParseObserver
{
    int accepted = 0, refused = 0, clean = 0, unclean = 0, notParsed = 0, mbs = 0;
    std::vector<h264::MacroblockInfo> mbInfo;
    std::vector<h264::SliceHeaderInfo> headers;
    bool keepMbs = false;
    void OnSliceHeader(const h264::SliceHeaderInfo& h) override
    {
        ++accepted;
        headers.push_back(h);
    }
    void OnSliceRefused(int) override { ++refused; }
    void OnMacroblock(const h264::MacroblockInfo& m) override
    {
        if (keepMbs)
            mbInfo.push_back(m);
    }
    void OnSliceEnd(h264::SliceEnd e, int n, std::size_t, std::size_t) override
    {
        mbs += n;
        if (e == h264::SliceEnd::Clean)
            ++clean;
        else if (e == h264::SliceEnd::NotParsed)
            ++notParsed;
        else
            ++unclean;
    }
};
