// Desktop services: screen-saver inhibit, monitors, sound-device presence,
// the master mixer, OS class and program version.
#pragma once

#include <QRect>
#include <array>
#include <cstdint>
#include <memory>
#include <string>

// Keeps the desktop's screen saver from starting while it lives, through the
// session bus (org.freedesktop.ScreenSaver Inhibit/UnInhibit). Without a bus it
// does nothing. The user's own screen-saver setting is never changed.
class ScreenSaverInhibitor
{
public:
    ScreenSaverInhibitor();
    ~ScreenSaverInhibitor();
    bool IsActive() const { return m_cookie != 0; }

private:
    std::uint32_t m_cookie = 0;
};

struct MonitorInfo
{
    QRect monitor;   // whole screen, virtual-desktop coordinates
    QRect workArea;  // available area
    bool primary = false;
    std::string name;
    bool valid = false;
};
// The first four screens; entries beyond the count are cleared.
std::array<MonitorInfo, 4> EnumMonitors();

// True when the machine has at least one playback device.
bool HasSoundDevice();

// Master volume (0-65535) and mute of the speakers.
class MasterMixer
{
public:
    virtual ~MasterMixer() = default;
    virtual bool IsReal() const = 0; // false: values kept in process only
    virtual int GetVolume() = 0;
    virtual bool SetVolume(int volume) = 0;
    virtual bool GetMute() = 0;
    virtual bool SetMute(bool mute) = 0;
};
// An in-process mixer (no card, or tests).
std::unique_ptr<MasterMixer> CreateInProcessMixer(int volume = 65535, bool mute = false);
// The machine's mixer; the in-process one when the machine has none. The real
// one comes from whoever registers a factory (the control kit's ALSA mixer).
using MixerFactory = std::unique_ptr<MasterMixer> (*)();
void SetMixerFactory(MixerFactory factory);
std::unique_ptr<MasterMixer> CreateMasterMixer();

// Hands the memory that the allocator keeps free back to the system. A
// session's workers free what they used in allocator arenas of their own,
// which the allocator keeps for reuse; handed back once a session has ended,
// a day of sessions leaves the client's resident memory where it was.
void ReleaseFreedMemory();

// The program's version from the build, most significant part first.
std::array<std::uint16_t, 4> ProgramVersion();
