// Records the recorder sends about itself and the connection keeps whole: the
// hello answer, the user rights table, the setup changes that matter for
// viewing, and the records the setup pages read. Fixed byte layouts.
#pragma once

#include <cstddef>
#include <cstdint>

// Payload of HELLO48_ACK (768 bytes).
struct HelloRecord
{
    std::uint8_t protocol_major_ver;
    std::uint8_t protocol_minor_ver;
    std::uint8_t product_number; // family 0-4; only 4 is served
    std::uint8_t product_major_ver;
    std::uint8_t product_minor_ver;
    std::uint8_t front_ver;
    std::uint8_t channel_num; // 4, 8 or 16 (anything else becomes 16 on arrival)
    std::uint8_t account;
    std::uint8_t mac_address[6];
    std::uint8_t sub_product_num_major;
    std::uint8_t sub_product_num_minor;
    std::uint8_t hello_flags;  // bits 0, 1, 2, 3, 6
    std::uint8_t hello_flags2; // bits 0, 1; bit 2 must be set for a session
    std::uint8_t reserved[30];
    char FirmName[20][32];
    std::uint32_t FirmVer[20]; // host order once received (big-endian on the wire)
};
static_assert(sizeof(HelloRecord) == 768);
static_assert(offsetof(HelloRecord, FirmName) == 48);
static_assert(offsetof(HelloRecord, FirmVer) == 688);

inline constexpr std::size_t kHelloSize = sizeof(HelloRecord);

// Payload of DB_CHANGE (596 bytes).
struct DbChange
{
    std::uint32_t head;       // host order once received
    std::uint8_t hidden[16];  // 1 = hidden from users without the hidden-camera right
    char camera_name[16][32]; // zero-terminated unless all 32 bytes are used
    std::uint8_t unused1[8];
    std::uint8_t audio_channel; // the channel whose sound is played
    char archive_pass[8];       // not terminated when it fills all 8 bytes
    std::uint8_t unused2[47];
};
static_assert(sizeof(DbChange) == 596);
static_assert(offsetof(DbChange, audio_channel) == 540);
static_assert(offsetof(DbChange, archive_pass) == 541);

// Rights of RightChange: byte 8 x k + user.
enum UserRight : int
{
    RIGHT_STOP_RECORD = 0,
    RIGHT_REMOTE_SETUP = 1,
    RIGHT_SEARCH = 2,
    RIGHT_BACKUP = 3,
    RIGHT_PTZ = 4,
    RIGHT_HIDDEN_CAMERA = 5,
    RIGHT_ADMISSION = 6,
    RIGHT_REBOOT = 7,
};

// Payload of RIGHT_CHANGE (584 bytes): eight users.
struct RightChange
{
    std::uint8_t right[8][8]; // [right k][user u]
    std::uint8_t level[8];    // 0 = refused
    char name[8][32];
    char password[8][32];
};
static_assert(sizeof(RightChange) == 584);

// Payload of NETLIVE_CH_CHANGE (128 bytes): [user][channel], 0 = may not watch live.
struct NetliveChChange
{
    std::uint8_t allowed[8][16];
};
static_assert(sizeof(NetliveChChange) == 128);

// Payload of CAM_INFO_CHANGE: one byte per channel, non-zero = camera in use.
struct CamInfoChange
{
    std::uint8_t in_use[16];
};
static_assert(sizeof(CamInfoChange) == 16);

inline constexpr std::size_t kRecStatusSize = 16;
inline constexpr std::size_t kSysEtcInfoSize = 320;
inline constexpr std::size_t kSysEtcInfoExSize = 3200;
inline constexpr std::size_t kDstInfoSize = 1204;

// Kept whole for the setup pages, which define their fields.
struct SysEtcInfo
{
    std::uint8_t bytes[kSysEtcInfoSize];
};
struct SysEtcInfoEx
{
    std::uint8_t bytes[kSysEtcInfoExSize];
};
// The first word is converted to host order on arrival; the rest is as received.
struct DstInfo
{
    std::uint32_t head;
    std::uint8_t bytes[kDstInfoSize - 4];
};
static_assert(sizeof(DstInfo) == kDstInfoSize);
