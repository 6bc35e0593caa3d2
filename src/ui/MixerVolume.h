// The speakers' master volume (0-65535) and mute switch: the ALSA simple
// mixer element "Master" of the `default` card. On a machine without one the
// mixer keeps the values in process, so the program's volume slider and its
// restore at exit work the same and nothing changes on the system.
#pragma once

#include "platform/System.h"
#include "platform/Types.h"

#include <memory>
#include <string>

struct _snd_mixer;
struct _snd_mixer_elem;

class CMixerVolume
{
public:
    explicit CMixerVolume(std::string card = "default", std::string element = "Master");
    virtual ~CMixerVolume();
    CMixerVolume(const CMixerVolume&) = delete;
    CMixerVolume& operator=(const CMixerVolume&) = delete;

    // True when the card's element was found; false leaves the in-process
    // values in charge.
    bool Open();
    bool Close();
    bool IsReal() const { return m_hMixer != nullptr; }

    // 0-65535; 0xFFFFFFFF when the card's value cannot be read.
    DWORD GetVolume();
    // The card's own answer: false when it refuses the value (see
    // m_nLastResult) or the value is above 65535.
    bool SetVolume(DWORD value);
    // False also when the element has no switch.
    bool GetMute();
    bool SetMute(bool mute);

    int m_nChannels = 1;   // playback channels of the element
    int m_nLastResult = 0; // last ALSA result (0 success, a negative errno)

private:
    struct MixerCloser
    {
        void operator()(_snd_mixer* h) const;
    };
    std::string m_card;
    std::string m_element;
    std::unique_ptr<_snd_mixer, MixerCloser> m_hMixer;
    _snd_mixer_elem* m_pElem = nullptr;
    long m_nMin = 0;
    long m_nMax = 0;
    // Without a card.
    DWORD m_nKeptVolume = 65535;
    bool m_bKeptMute = false;
};

// The machine's master mixer for the platform (CreateMasterMixer): ALSA, or
// the in-process values without a card.
std::unique_ptr<MasterMixer> CreateAlsaMasterMixer();
// Called by the main window at start, before it asks for the mixer.
void RegisterAlsaMixer();
