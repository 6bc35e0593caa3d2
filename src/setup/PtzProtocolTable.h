// The PTZ protocol lists the recorder sends, turned into what the PTZ pages
// show: names by table position, the baud rates each protocol allows, and
// the lines of a protocol list with the table position each line stands for
// (free entries are left out of the list, so a line is not a position).
//
// Two forms: the named table (16-byte names and a count of baud rates per
// entry) once the recorder sent it, else the numbered table (pairs of a
// built-in name number and a count). Every lookup is bounded: a position,
// name number or baud index outside the tables reads as empty or 0.
#pragma once

#include <QString>
#include <cstdint>
#include <vector>

struct RecorderCaps;
struct SysEtcInfo;
struct SysEtcInfoEx;

enum class PtzDevice
{
    Camera,
    Keyboard,
};

class PtzProtocolTable
{
public:
    static constexpr int kEntries = 64;
    static constexpr int kNameBytes = 16;
    static constexpr int kBaudSlots = 64;

    // The table in force for the recorder the window was opened for.
    static PtzProtocolTable FromCaps(const RecorderCaps& caps, PtzDevice device);
    static PtzProtocolTable Named(const SysEtcInfoEx& info, PtzDevice device);
    static PtzProtocolTable Numbered(const SysEtcInfo& info, PtzDevice device);

    bool IsNamed() const { return m_bNamed; }
    // The name of entry `position`; empty for a free entry or one outside
    // the table.
    QString Name(int position) const;
    // How many baud rates entry `position` allows (0 outside the table).
    int MaxBaud(int position) const;

    // The protocol list: the names of the used entries in table order, and
    // for each line the position it stands for.
    std::vector<QString> Lines() const;
    std::vector<int> LinePositions() const;

    // Built-in names: cameras 1-6, keyboards 1-2; any other number is empty.
    static QString BuiltInName(PtzDevice device, int number);
    // "2400 bps" (0) to "76800 bps" (5); any other index is empty.
    static QString BaudText(int index);
    // The first `maxCount` baud texts (at most the 64 slots).
    static std::vector<QString> BaudLines(int maxCount);

private:
    PtzDevice m_device = PtzDevice::Camera;
    bool m_bNamed = false;
    QString m_names[kEntries];
    std::uint8_t m_maxBaud[kEntries] = {};
};
