#include "setup/PtzProtocolTable.h"

#include "net/NetRecords.h"
#include "setup/RecorderCaps.h"

#include <algorithm>
#include <cstring>

namespace {
// Where each table lies in the recorder's records.
constexpr int kNumberedCamera = 64;
constexpr int kNumberedKeyboard = 192;
constexpr int kNamedCameraNames = 1024;
constexpr int kNamedCameraCounts = 2048;
constexpr int kNamedKeyboardNames = 2112;
constexpr int kNamedKeyboardCounts = 3136;

constexpr const char* kCameraNames[] = {"Pelco-P", "Pelco-D", "Vista PD", "Dongyang", "RKB-2000", "Vitek"};
constexpr const char* kKeyboardNames[] = {"RKB-2000", "Vista KBD"};
constexpr const char* kBaudTexts[] = {"2400 bps",  "4800 bps",  "9600 bps",
                                      "19200 bps", "38400 bps", "76800 bps"};

static_assert(kNumberedKeyboard + 2 * PtzProtocolTable::kEntries <= kSysEtcInfoSize);
static_assert(kNamedKeyboardCounts + PtzProtocolTable::kEntries <= kSysEtcInfoExSize);
} // namespace

PtzProtocolTable PtzProtocolTable::FromCaps(const RecorderCaps& caps, PtzDevice device)
{
    return caps.hasSysEtcInfoEx ? Named(caps.sysEtcInfoEx, device) : Numbered(caps.sysEtcInfo, device);
}

PtzProtocolTable PtzProtocolTable::Named(const SysEtcInfoEx& info, PtzDevice device)
{
    PtzProtocolTable t;
    t.m_device = device;
    t.m_bNamed = true;
    const bool camera = device == PtzDevice::Camera;
    const std::uint8_t* names = info.bytes + (camera ? kNamedCameraNames : kNamedKeyboardNames);
    const std::uint8_t* counts = info.bytes + (camera ? kNamedCameraCounts : kNamedKeyboardCounts);
    for (int p = 0; p < kEntries; ++p) {
        // A slot without its NUL ends at the slot's end.
        const auto* slot = reinterpret_cast<const char*>(names + kNameBytes * p);
        const auto n = static_cast<qsizetype>(strnlen(slot, kNameBytes));
        t.m_names[p] = QString::fromLatin1(slot, n);
        t.m_maxBaud[p] = counts[p];
    }
    return t;
}

PtzProtocolTable PtzProtocolTable::Numbered(const SysEtcInfo& info, PtzDevice device)
{
    PtzProtocolTable t;
    t.m_device = device;
    const std::uint8_t* pairs =
        info.bytes + (device == PtzDevice::Camera ? kNumberedCamera : kNumberedKeyboard);
    for (int p = 0; p < kEntries; ++p) {
        t.m_names[p] = BuiltInName(device, pairs[2 * p]);
        t.m_maxBaud[p] = pairs[2 * p + 1];
    }
    return t;
}

QString PtzProtocolTable::Name(int position) const
{
    return position >= 0 && position < kEntries ? m_names[position] : QString();
}

int PtzProtocolTable::MaxBaud(int position) const
{
    return position >= 0 && position < kEntries ? m_maxBaud[position] : 0;
}

std::vector<QString> PtzProtocolTable::Lines() const
{
    std::vector<QString> out;
    for (int p : LinePositions())
        out.push_back(m_names[p]);
    return out;
}

std::vector<int> PtzProtocolTable::LinePositions() const
{
    std::vector<int> out;
    for (int p = 0; p < kEntries; ++p)
        if (!m_names[p].isEmpty())
            out.push_back(p);
    return out;
}

QString PtzProtocolTable::BuiltInName(PtzDevice device, int number)
{
    const int index = number - 1;
    if (device == PtzDevice::Camera)
        return index >= 0 && index < static_cast<int>(std::size(kCameraNames)) ? kCameraNames[index]
                                                                               : QString();
    return index >= 0 && index < static_cast<int>(std::size(kKeyboardNames)) ? kKeyboardNames[index]
                                                                             : QString();
}

QString PtzProtocolTable::BaudText(int index)
{
    return index >= 0 && index < static_cast<int>(std::size(kBaudTexts)) ? kBaudTexts[index] : QString();
}

std::vector<QString> PtzProtocolTable::BaudLines(int maxCount)
{
    std::vector<QString> out;
    for (int i = 0; i < std::min(maxCount, kBaudSlots); ++i)
        out.push_back(BaudText(i));
    return out;
}
