#include "ui/MixerVolume.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <cerrno>
#include <cmath>

namespace {

constexpr DWORD kMaxVolume = 65535;
constexpr DWORD kNoVolume = 0xFFFFFFFF;

} // namespace

void CMixerVolume::MixerCloser::operator()(_snd_mixer* h) const
{
    snd_mixer_close(h);
}

CMixerVolume::CMixerVolume(std::string card, std::string element)
    : m_card(std::move(card)), m_element(std::move(element))
{
    Open();
}

CMixerVolume::~CMixerVolume()
{
    Close();
}

bool CMixerVolume::Open()
{
    Close();
    m_nChannels = 1;
    m_nLastResult = 0;

    snd_mixer_t* raw = nullptr;
    m_nLastResult = snd_mixer_open(&raw, 0);
    if (m_nLastResult < 0 || !raw)
        return false;
    std::unique_ptr<_snd_mixer, MixerCloser> mixer(raw);
    if ((m_nLastResult = snd_mixer_attach(raw, m_card.c_str())) < 0)
        return false;
    if ((m_nLastResult = snd_mixer_selem_register(raw, nullptr, nullptr)) < 0)
        return false;
    if ((m_nLastResult = snd_mixer_load(raw)) < 0)
        return false;

    snd_mixer_selem_id_t* sid = nullptr;
    snd_mixer_selem_id_alloca(&sid);
    snd_mixer_selem_id_set_index(sid, 0);
    snd_mixer_selem_id_set_name(sid, m_element.c_str());
    snd_mixer_elem_t* elem = snd_mixer_find_selem(raw, sid);
    if (!elem || !snd_mixer_selem_has_playback_volume(elem)) {
        m_nLastResult = -ENOENT;
        return false;
    }
    long lo = 0;
    long hi = 0;
    if ((m_nLastResult = snd_mixer_selem_get_playback_volume_range(elem, &lo, &hi)) < 0 || hi <= lo) {
        if (m_nLastResult == 0)
            m_nLastResult = -EINVAL;
        return false;
    }
    int channels = 0;
    for (int c = SND_MIXER_SCHN_FRONT_LEFT; c <= SND_MIXER_SCHN_LAST; ++c) {
        if (snd_mixer_selem_has_playback_channel(elem, static_cast<snd_mixer_selem_channel_id_t>(c)))
            ++channels;
    }
    m_nChannels = channels > 0 ? channels : 1;
    m_nMin = lo;
    m_nMax = hi;
    m_pElem = elem;
    m_hMixer = std::move(mixer);
    return true;
}

bool CMixerVolume::Close()
{
    const bool wasOpen = m_hMixer != nullptr;
    m_pElem = nullptr;
    m_hMixer.reset();
    return wasOpen;
}

DWORD CMixerVolume::GetVolume()
{
    if (!m_hMixer)
        return m_nKeptVolume;
    // Take in what other programs changed since we last looked.
    snd_mixer_handle_events(m_hMixer.get());
    long v = 0;
    m_nLastResult = snd_mixer_selem_get_playback_volume(m_pElem, SND_MIXER_SCHN_FRONT_LEFT, &v);
    if (m_nLastResult < 0)
        return kNoVolume;
    const double scaled = static_cast<double>(v - m_nMin) * kMaxVolume / static_cast<double>(m_nMax - m_nMin);
    return static_cast<DWORD>(std::clamp(std::lround(scaled), 0L, static_cast<long>(kMaxVolume)));
}

bool CMixerVolume::SetVolume(DWORD value)
{
    if (value > kMaxVolume) {
        m_nLastResult = -EINVAL;
        return false;
    }
    if (!m_hMixer) {
        m_nKeptVolume = value;
        m_nLastResult = 0;
        return true;
    }
    const long v =
        m_nMin + std::lround(static_cast<double>(value) * static_cast<double>(m_nMax - m_nMin) / kMaxVolume);
    m_nLastResult = snd_mixer_selem_set_playback_volume_all(m_pElem, v);
    return m_nLastResult >= 0;
}

bool CMixerVolume::GetMute()
{
    if (!m_hMixer)
        return m_bKeptMute;
    if (!snd_mixer_selem_has_playback_switch(m_pElem)) {
        m_nLastResult = -ENOENT;
        return false;
    }
    snd_mixer_handle_events(m_hMixer.get());
    int on = 1;
    m_nLastResult = snd_mixer_selem_get_playback_switch(m_pElem, SND_MIXER_SCHN_FRONT_LEFT, &on);
    if (m_nLastResult < 0)
        return false;
    return on == 0;
}

bool CMixerVolume::SetMute(bool mute)
{
    if (!m_hMixer) {
        m_bKeptMute = mute;
        m_nLastResult = 0;
        return true;
    }
    if (!snd_mixer_selem_has_playback_switch(m_pElem)) {
        m_nLastResult = -ENOENT;
        return false;
    }
    m_nLastResult = snd_mixer_selem_set_playback_switch_all(m_pElem, mute ? 0 : 1);
    return m_nLastResult >= 0;
}

// ---------------------------------------------------------------------------

namespace {

class AlsaMasterMixer : public MasterMixer
{
public:
    bool IsReal() const override { return m_mixer.IsReal(); }
    int GetVolume() override
    {
        const DWORD v = m_mixer.GetVolume();
        return v == kNoVolume ? -1 : static_cast<int>(v);
    }
    bool SetVolume(int volume) override
    {
        return volume >= 0 && m_mixer.SetVolume(static_cast<DWORD>(volume));
    }
    bool GetMute() override { return m_mixer.GetMute(); }
    bool SetMute(bool mute) override { return m_mixer.SetMute(mute); }

private:
    CMixerVolume m_mixer;
};

} // namespace

std::unique_ptr<MasterMixer> CreateAlsaMasterMixer()
{
    return std::make_unique<AlsaMasterMixer>();
}

void RegisterAlsaMixer()
{
    SetMixerFactory(&CreateAlsaMasterMixer);
}
