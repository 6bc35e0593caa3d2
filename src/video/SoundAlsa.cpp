// The ALSA PCM behind the sound output.
#include "video/SoundOutput.h"

#include "platform/Trace.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <limits>
#include <mutex>

namespace {

// ALSA prints its errors on stderr by default. A missing card or a device that
// went away is expected here and handled, so the messages go to the trace.
void AlsaErrorToTrace(const char* file, int line, const char* function, int err, const char* fmt, ...)
{
#if defined(CLIENTK5_TRACE)
    char text[512];
    va_list args;
    va_start(args, fmt);
    std::vsnprintf(text, sizeof(text), fmt, args);
    va_end(args);
    TRACE("ALSA %s:%d %s: %s (%d)\n", file, line, function, text, err);
#else
    (void)file;
    (void)line;
    (void)function;
    (void)err;
    (void)fmt;
#endif
}

struct PcmCloser
{
    void operator()(snd_pcm_t* pcm) const { snd_pcm_close(pcm); }
};
using PcmHandle = std::unique_ptr<snd_pcm_t, PcmCloser>;

// The device buffer: short, so that the ring, not the device, holds the lead.
constexpr unsigned LATENCY_US = 100000;

class CAlsaSoundDevice final : public CSoundDevice
{
public:
    explicit CAlsaSoundDevice(std::string name) : m_strName(std::move(name))
    {
        static std::once_flag quiet;
        std::call_once(quiet, [] { snd_lib_error_set_handler(&AlsaErrorToTrace); });
    }

    bool Open() override
    {
        if (m_bInterrupted.load())
            return false;
        Close();
        snd_pcm_t* raw = nullptr;
        int err = snd_pcm_open(&raw, m_strName.c_str(), SND_PCM_STREAM_PLAYBACK, 0);
        if (err < 0) {
            TRACE("snd_pcm_open %s: %s\n", m_strName.c_str(), snd_strerror(err));
            return false;
        }
        PcmHandle pcm(raw);
        err = snd_pcm_set_params(pcm.get(), SND_PCM_FORMAT_S16_LE, SND_PCM_ACCESS_RW_INTERLEAVED, 1,
                                 SOUND_RATE, 1, LATENCY_US);
        if (err < 0) {
            TRACE("snd_pcm_set_params %s: %s\n", m_strName.c_str(), snd_strerror(err));
            return false;
        }
        snd_pcm_uframes_t buffer = 0;
        snd_pcm_uframes_t period = 0;
        if (snd_pcm_get_params(pcm.get(), &buffer, &period) < 0 || period == 0)
            period = 256;
        // Start as soon as one period is in rather than when the buffer is full.
        snd_pcm_sw_params_t* sw = nullptr;
        snd_pcm_sw_params_alloca(&sw);
        if (snd_pcm_sw_params_current(pcm.get(), sw) == 0 &&
            snd_pcm_sw_params_set_start_threshold(pcm.get(), sw, period) == 0)
            snd_pcm_sw_params(pcm.get(), sw);
        m_nChunk = period;
        std::lock_guard<std::mutex> lock(m_csHandle);
        m_pPcm = std::move(pcm);
        return true;
    }

    void Close() override
    {
        PcmHandle pcm;
        {
            std::lock_guard<std::mutex> lock(m_csHandle);
            pcm = std::move(m_pPcm);
        }
        // The handle closes here, outside the lock; what the device still held is dropped.
    }

    bool IsOpen() const override
    {
        std::lock_guard<std::mutex> lock(m_csHandle);
        return m_pPcm != nullptr;
    }

    long Write(const std::int16_t* pFrames, unsigned long nFrames) override
    {
        if (!m_pPcm)
            return -EBADFD;
        return snd_pcm_writei(m_pPcm.get(), pFrames, nFrames);
    }

    bool Recover(long nError) override
    {
        if (!m_pPcm || m_bInterrupted.load())
            return false;
        return snd_pcm_recover(m_pPcm.get(), static_cast<int>(nError), 1) == 0;
    }

    void Drop() override
    {
        if (!m_pPcm)
            return;
        snd_pcm_drop(m_pPcm.get());
        snd_pcm_prepare(m_pPcm.get());
    }

    unsigned long ChunkFrames() const override { return m_nChunk; }

    int QueuedFrames() override
    {
        snd_pcm_sframes_t delay = 0;
        if (!m_pPcm || snd_pcm_delay(m_pPcm.get(), &delay) < 0 || delay <= 0)
            return 0; // not running (or after an underrun): nothing waits to be heard
        return static_cast<int>(std::min<snd_pcm_sframes_t>(delay, std::numeric_limits<int>::max()));
    }

    void Interrupt() override
    {
        m_bInterrupted.store(true);
        std::lock_guard<std::mutex> lock(m_csHandle);
        if (m_pPcm)
            snd_pcm_abort(m_pPcm.get());
    }

private:
    const std::string m_strName;
    mutable std::mutex m_csHandle; // the handle against Interrupt from another thread
    PcmHandle m_pPcm;
    unsigned long m_nChunk = 256;
    std::atomic<bool> m_bInterrupted{false};
};

} // namespace

std::unique_ptr<CSoundDevice> CreateAlsaSoundDevice(const std::string& strPcmName)
{
    return std::make_unique<CAlsaSoundDevice>(strPcmName);
}
