// Wire framing of the recorder protocol and the small helpers every sender and
// receiver shares: the 16-byte message header, message ids, sending a whole
// message, receiving an exact number of bytes, reading a refusal's reason, the
// 40-byte frame header with its decoded form, and the queued-frame layout.
#pragma once

#include "platform/TcpSocket.h"
#include "platform/Types.h"

#include <QFont>
#include <array>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// ---------------------------------------------------------------------------
// Message ids (9 bits). The code on the wire is id << 7 | parameter.

inline constexpr std::uint16_t HELLO = 1;
inline constexpr std::uint16_t BYE48 = 4;
inline constexpr std::uint16_t HELLO48_ACK = 5;
inline constexpr std::uint16_t LIVE_REQ = 16;
inline constexpr std::uint16_t LIVE_CHANNEL_INFO = 17;
inline constexpr std::uint16_t LIVE_DATA = 18;
inline constexpr std::uint16_t LIVE_NACK = 19;
inline constexpr std::uint16_t LIVE_STOP = 20;
inline constexpr std::uint16_t LIVE_STOP_ACK = 21;
inline constexpr std::uint16_t LIVE_STOP_NACK = 22;
inline constexpr std::uint16_t AUDIO_ONOFF_REQ = 23;
inline constexpr std::uint16_t SYS_ETC_INFO_EX = 24;
inline constexpr std::uint16_t REC_ON_REQ = 32;
inline constexpr std::uint16_t REC_ON_ACK = 33;
inline constexpr std::uint16_t REC_ON_NACK = 34;
inline constexpr std::uint16_t REC_OFF_REQ = 35;
inline constexpr std::uint16_t REC_OFF_ACK = 36;
inline constexpr std::uint16_t REC_OFF_NACK = 37;
// Playback controls; the recorder gives them no names.
inline constexpr std::uint16_t PLAY_CONTROL_42 = 42;
inline constexpr std::uint16_t PLAY_CONTROL_43 = 43;
inline constexpr std::uint16_t PLAY_CONTROL_44 = 44;
inline constexpr std::uint16_t PLAY_CONTROL_45 = 45;
inline constexpr std::uint16_t PLAY_CONTROL_46 = 46;
inline constexpr std::uint16_t PLAY_ON_REQ = 51;
inline constexpr std::uint16_t PLAY_CHANNEL_INFO = 52;
inline constexpr std::uint16_t PLAY_ON_ACK = 53;
inline constexpr std::uint16_t PLAY_ON_NACK = 54;
inline constexpr std::uint16_t RPLAY_STOP = 55;
inline constexpr std::uint16_t PLAY_OFF_ACK = 56;
inline constexpr std::uint16_t PLAY_OFF_NACK = 57;
inline constexpr std::uint16_t PLAY_FRAME_REQ = 61;    // u32 frame count
inline constexpr std::uint16_t PLAY_CHANNEL_MASK = 62; // u32 channel mask
inline constexpr std::uint16_t PLAY_MSG_63 = 63;       // from the recorder, payload dropped
inline constexpr std::uint16_t PLAY_VIEW_CH = 80;
inline constexpr std::uint16_t TRANS_ON_REQ = 99;
inline constexpr std::uint16_t TRANS_ON_ACK = 101;
inline constexpr std::uint16_t TRANS_ON_NACK = 102;
// The client asks to end a transfer with the same id the recorder uses for
// TRANS_ON_NACK; recorders in the field expect exactly this code (0x3300).
inline constexpr std::uint16_t TRANS_OFF_REQ = 102;
inline constexpr std::uint16_t TRANS_OFF_ACK = 104;
inline constexpr std::uint16_t TRANS_OFF_NACK = 105;
inline constexpr std::uint16_t DB_INFO_REQ = 112;
inline constexpr std::uint16_t DB_INFO_ACK = 113;
inline constexpr std::uint16_t DB48_INFO_NACK = 114;
inline constexpr std::uint16_t DB_UPDATE_REQ = 115;
inline constexpr std::uint16_t DB_UPDATE_ACK = 116;
inline constexpr std::uint16_t DB_UPDATE_NACK = 117;
inline constexpr std::uint16_t DST_INFO = 125;
inline constexpr std::uint16_t DVR_TIME_REQ = 126;
inline constexpr std::uint16_t DVR_TIME_ACK = 127;
inline constexpr std::uint16_t FW_UPDATE_REQ = 144;
inline constexpr std::uint16_t FW_UPDATE_ACK = 145;
inline constexpr std::uint16_t FW_DATA = 146;
inline constexpr std::uint16_t NETLIVE_CH_CHANGE = 153;
inline constexpr std::uint16_t REC_STATUS = 256;
inline constexpr std::uint16_t MSG_257 = 257; // recorder asks to be looked at
inline constexpr std::uint16_t DB_CHANGE = 258;
inline constexpr std::uint16_t SYS_ETC_INFO = 259;
inline constexpr std::uint16_t PLAY_INFO_MONTH_REQ = 260;
inline constexpr std::uint16_t PLAY_INFO_MONTH_ACK = 261;
inline constexpr std::uint16_t PLAY_INFO_MONTH_NACK = 262;
inline constexpr std::uint16_t PLAY_INFO_DAY_REQ = 263;
inline constexpr std::uint16_t PLAY_INFO_DAY_ACK = 264;
inline constexpr std::uint16_t PLAY_INFO_DAY_NACK = 265;
inline constexpr std::uint16_t PLAY_ON_DATA = 266;
inline constexpr std::uint16_t PLAY_ON_FAIL = 267;
inline constexpr std::uint16_t PLAY_ON_DONE = 268;
inline constexpr std::uint16_t RIGHT_CHANGE = 270;
inline constexpr std::uint16_t A_LISTEN_REQ = 272;
inline constexpr std::uint16_t A_LISTEN_ACK = 273;
inline constexpr std::uint16_t A_LISTEN_NACK = 274;
inline constexpr std::uint16_t A_LISTEN_STOP_ACK = 277;
inline constexpr std::uint16_t PTZ_CHANNEL_REQ = 282;
inline constexpr std::uint16_t PTZ_CHANNEL_ACK = 283;
inline constexpr std::uint16_t PTZ_MOVE_REQ = 284;
inline constexpr std::uint16_t PTZ_MOVE_STOP = 285;
inline constexpr std::uint16_t TRANS_INFO_MONTH_REQ = 288;
inline constexpr std::uint16_t TRANS_INFO_MONTH_ACK = 289;
inline constexpr std::uint16_t TRANS_INFO_MONTH_NACK = 290;
inline constexpr std::uint16_t TRANS_INFO_DAY_REQ = 291;
inline constexpr std::uint16_t TRANS_INFO_DAY_ACK = 292;
inline constexpr std::uint16_t TRANS_INFO_DAY_NACK = 293;
inline constexpr std::uint16_t TRANS_DATA_REQ = 294;
inline constexpr std::uint16_t TRANS_ON_DATA = 295;
inline constexpr std::uint16_t TRANS_ON_DONE = 297;
inline constexpr std::uint16_t TRANS_ON_FAIL = 298;
inline constexpr std::uint16_t CAPA_CAL_CANCEL = 299;
inline constexpr std::uint16_t FW_UPDATE_NACK = 304;
inline constexpr std::uint16_t FW_DATA_RX_DONE = 305;
inline constexpr std::uint16_t FW_DATA_RX_FAIL = 306;
inline constexpr std::uint16_t FW_UPDATE_DONE = 307;
inline constexpr std::uint16_t FW_UPDATE_FAIL = 308;
inline constexpr std::uint16_t LOG_INFO_REQ = 320;
inline constexpr std::uint16_t LOG_INFO_ACK = 321;
inline constexpr std::uint16_t LOG_INFO_NACK = 322;
inline constexpr std::uint16_t SYSTEM_INFO_ACK = 324;
inline constexpr std::uint16_t SYSTEM_INFO_NACK = 325;
inline constexpr std::uint16_t STATUS_INFO_REQ = 326;
inline constexpr std::uint16_t STATUS_INFO_ACK = 327;
inline constexpr std::uint16_t STATUS_INFO_NACK = 328;
inline constexpr std::uint16_t EVENT_INFO_REQ = 329;
inline constexpr std::uint16_t EVENT_INFO_ACK = 330;
inline constexpr std::uint16_t EVENT_INFO_NACK = 331;
inline constexpr std::uint16_t EVENT_TIME_REQ = 335;
inline constexpr std::uint16_t DB_INIT_REQ = 336;
inline constexpr std::uint16_t DB_INIT_ACK = 337;
inline constexpr std::uint16_t DB_INIT_NACK = 338;
inline constexpr std::uint16_t SEND_TEST_MAIL_REQ = 339;
inline constexpr std::uint16_t SEND_TEST_MAIL_ACK = 340;
inline constexpr std::uint16_t SEND_TEST_MAIL_NACK = 341;
inline constexpr std::uint16_t REBOOT_REQ = 342;
inline constexpr std::uint16_t REBOOT_ACK = 343;
inline constexpr std::uint16_t REBOOT_NACK = 344;
inline constexpr std::uint16_t POWEROFF_REQ = 345;
inline constexpr std::uint16_t POWEROFF_ACK = 346;
inline constexpr std::uint16_t POWEROFF_NACK = 347;
inline constexpr std::uint16_t CAM_INFO_CHANGE = 352;
inline constexpr std::uint16_t ALIVE_REQ = 511;

// The parameter value of AUDIO_ONOFF_REQ that switches audio on; on receive the
// same bit of any header says that the stream carries audio.
inline constexpr std::uint8_t kSubAudio = 0x08;
// Flags bit of the last fragment of a payload split over several messages.
inline constexpr std::uint16_t kFlagLastFragment = 0x4000;

constexpr std::uint16_t MessageCode(std::uint16_t id, std::uint8_t sub = 0)
{
    return static_cast<std::uint16_t>(((id & 0x1FF) << 7) | (sub & 0x7F));
}

// ---------------------------------------------------------------------------
// The 16-byte message header: four 32-bit words, big-endian on the wire. In
// memory the words are kept in host order; EncodeHeader/DecodeHeader convert.
//   word 0: bits 0-6 parameter (sub), bits 7-15 message id (cmd), rest zero
//   word 1: bits 0-15 payload length, bits 16-31 flags
//   words 2, 3: reserved, zero on send
struct WireHeader
{
    std::uint32_t word[4];

    constexpr std::uint16_t cmd() const { return static_cast<std::uint16_t>((word[0] >> 7) & 0x1FF); }
    constexpr std::uint8_t sub() const { return static_cast<std::uint8_t>(word[0] & 0x7F); }
    constexpr std::uint16_t code() const { return static_cast<std::uint16_t>(word[0] & 0xFFFF); }
    constexpr std::uint16_t length() const { return static_cast<std::uint16_t>(word[1] & 0xFFFF); }
    constexpr std::uint16_t flags() const { return static_cast<std::uint16_t>(word[1] >> 16); }
    constexpr bool IsLastFragment() const { return (flags() & kFlagLastFragment) != 0; }

    constexpr void SetCode(std::uint16_t id, std::uint8_t subValue = 0)
    {
        word[0] = MessageCode(id, subValue);
    }
    constexpr void SetLength(std::uint16_t n) { word[1] = (word[1] & 0xFFFF0000u) | n; }
    constexpr void SetFlags(std::uint16_t f) { word[1] = (word[1] & 0xFFFFu) | (std::uint32_t(f) << 16); }

    // A request header: code, length, everything else zero.
    static constexpr WireHeader Make(std::uint16_t id, std::uint16_t payloadLength = 0,
                                     std::uint8_t subValue = 0, std::uint16_t flagBits = 0)
    {
        WireHeader h{};
        h.SetCode(id, subValue);
        h.SetLength(payloadLength);
        h.SetFlags(flagBits);
        return h;
    }
};
static_assert(sizeof(WireHeader) == 16);

inline constexpr std::size_t kWireHeaderSize = 16;

void EncodeHeader(const WireHeader& header, std::uint8_t out[kWireHeaderSize]);
WireHeader DecodeHeader(const std::uint8_t in[kWireHeaderSize]);

// Big- and little-endian 32-bit reads and writes on byte buffers.
std::uint32_t ReadBE32(const std::uint8_t* p);
void WriteBE32(std::uint8_t* p, std::uint32_t v);
std::uint32_t ReadLE32(const std::uint8_t* p);
void WriteLE32(std::uint8_t* p, std::uint32_t v);

// Writes the channel (0-15) into bits 6-9 of the header's flags half-word, as
// every queued frame carries it.
void SetHeaderChannel(WireHeader& header, int channel);
int HeaderChannel(const WireHeader& header);

// ---------------------------------------------------------------------------
// Sending and receiving.

// The time a receive of n bytes may take in all before it gives up.
inline constexpr std::chrono::milliseconds kReceiveLimit = std::chrono::seconds(180);

// Sends one message: the header in network order followed by the payload,
// under the socket's send lock so that no other thread's bytes come between.
// False when the socket is closed or the send fails.
bool SendPacket(TcpSocket& socket, const WireHeader& header, const void* payload = nullptr,
                std::size_t payloadLength = 0);
// Sends bytes the caller framed itself, continuing partial sends.
bool SendAll(TcpSocket& socket, const void* bytes, std::size_t count);

// Receives exactly `count` bytes. False when the peer closes the connection, on
// a socket error, when *stop becomes true, or when `limit` has passed.
bool LoopReceive(TcpSocket& socket, void* buffer, std::size_t count, const std::atomic<bool>* stop = nullptr,
                 std::chrono::milliseconds limit = kReceiveLimit);
// Reads and drops `count` bytes; false as LoopReceive.
bool DiscardBytes(TcpSocket& socket, std::size_t count, const std::atomic<bool>* stop = nullptr,
                  std::chrono::milliseconds limit = kReceiveLimit);

inline constexpr int kReplyNoPayload = -100;
inline constexpr int kReplyRecvFailed = -99;

// Reads the payload of an answer whose header has just been read and returns
// its reason code: the first four bytes as a big-endian signed integer (a
// payload of 1-3 bytes counts its missing bytes as zero). -100 for an empty
// payload, -99 when receiving fails. A 12-byte payload copies its bytes 4-11
// (unchanged) into `extra` when given; other bytes past the fourth are dropped.
int RecvReply(TcpSocket& socket, const WireHeader& header, std::uint8_t* extra = nullptr,
              const std::atomic<bool>* stop = nullptr, std::chrono::milliseconds limit = kReceiveLimit);
// The same decision on bytes already in memory.
int ReasonFromPayload(const std::uint8_t* payload, std::size_t length);

// ---------------------------------------------------------------------------
// Frames.

inline constexpr std::uint32_t kFrameMarker = 511;
inline constexpr std::size_t kFrameHeaderSize = 40;

// The 40-byte header at the start of every live, played-back and backed-up
// frame: ten little-endian 32-bit words.
struct FrameHeader
{
    std::uint8_t bytes[kFrameHeaderSize];
};
static_assert(sizeof(FrameHeader) == 40);

// The fields of a FrameHeader that the client reads.
struct FrameHeaderFields
{
    std::uint32_t marker = 0;      // word 0, 511 in a valid frame
    std::uint8_t channel = 0;      // word 8 bits 0-3
    std::uint8_t single_audio = 0; // word 8 bits 4-7: the one audio source
    std::uint8_t size_code = 0;    // word 8 bits 8-11
    std::uint32_t body_size = 0;   // word 8 bits 12-31: stored size after the 192-byte prefix
    std::uint32_t time_sec = 0;    // word 12
    bool line576 = false;          // word 16 bit 23: 576-line (25-frame) standard
    std::uint32_t data_size = 0;   // word 20 bits 0-19: video bytes after the header
    std::uint32_t audio_size = 0;  // word 20 bits 20-31
    std::uint16_t audio_mask = 0;  // word 24 bits 0-15: audio source, 0 none
    std::uint16_t time_msec = 0;   // word 24 bits 16-31
    std::uint8_t frame_type = 0;   // word 28 bits 0-1: 1 key frame
    std::uint8_t audio_select = 0; // word 28 bits 18-21: 1 = audio_mask is a channel mask
};

// The decoded description that every receiver puts in front of a queued frame.
struct FrameInfo
{
    std::uint8_t channel;
    std::uint8_t frame_type;
    std::uint16_t audio_channel; // 0xFFFF no audio; a mask when audio_select is 1; else one channel
    std::uint32_t time_sec;
    std::uint32_t time_msec;
    std::uint32_t frame_size; // data_size + 40: header and video bytes the item carries
    std::uint16_t width;
    std::uint16_t height;
    std::uint32_t stream_seq;
    std::uint32_t data_size;
    std::uint32_t audio_size;
    char caption[32];
    std::uint8_t audio_select;
    std::uint8_t reserved[7];
};
static_assert(sizeof(FrameInfo) == 72);

// Decodes a 40-byte frame header (`bytes` must hold 40 bytes).
void ParseFrameHeader(const std::uint8_t* bytes, FrameHeaderFields& fields);
// Packs decoded fields into a FrameInfo; stream_seq and caption stay zero.
void MakeFrameInfo(const FrameHeaderFields& fields, FrameInfo& info);
// Picture size from the size code and the 576-line bit.
void FramePictureSize(std::uint8_t sizeCode, bool line576, std::uint16_t& width, std::uint16_t& height);

// A queued frame is one block: FrameInfo, a copy of the carrying message's
// header in host order with the channel in flags bits 6-9, then the frame.
inline constexpr std::size_t kQueuedItemHeadSize = sizeof(FrameInfo) + sizeof(WireHeader); // 88
std::vector<std::uint8_t> MakeQueuedItem(const FrameInfo& info, const WireHeader& header, const void* frame,
                                         std::size_t frameSize);
// Splits a queued item; false when it is shorter than its head.
bool ReadQueuedItem(const std::uint8_t* item, std::size_t size, FrameInfo& info, WireHeader& header,
                    const std::uint8_t*& frame, std::size_t& frameSize);

// ---------------------------------------------------------------------------
// Small shared helpers.

// True when every character is a decimal digit or '.' (an empty text passes).
bool IsIPAddressText(std::string_view text);
// Rewrites a dotted address: four parts read like atoi, each kept to its low
// 8 bits; "%d.%d.%d.%d", or empty when all four are zero.
void NormalizeIPAddress(std::string& text);
std::string NormalizedIPAddress(std::string_view text);
// The address text a connection hands to the resolver. A dotted quad (three
// dots, four parts of digits only) is normalised as above; any other text of
// digits and dots names no address and becomes empty; everything else (a host
// name) passes unchanged, so that a name is never read as numbers.
std::string AddressForConnect(std::string_view text);

// The picture sizes a frame may have.
bool IsValidVideoSize(int width, int height);

// 16-bit sum of the first byte of each item in a chain of items, each
// (first byte & 7) x 2 + 2 bytes long, over `count` bytes.
std::uint16_t ComputeItemChecksum(const std::uint8_t* bytes, std::size_t count);

void MemCopy(void* destination, const void* source, std::size_t count);

// The bold caption font of the skinned dialogs at the given point size.
QFont BuildBoldLogFont(double points);

// The program's own version, most significant part first. Always true.
bool GetProgramVersion(std::array<std::uint16_t, 4>& version);

// Operating-system class: 0 supported NT family, 1 and 2 older NT releases,
// 3-6 the consumer family, 7 unknown. The client runs on Linux: always 0.
int GetOSVersion();
// The classification table itself, for a platform id (1 consumer family, 2 NT
// family, any other unknown), major and minor version and service-pack text.
// A failed query is asked with platformId -1 and gives 7.
int ClassifyOSVersion(int platformId, int major, int minor, std::string_view servicePack);
