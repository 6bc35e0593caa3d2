#include "net/Wire.h"

#include "platform/Skin.h"
#include "platform/System.h"
#include "platform/Trace.h"

#include <algorithm>
#include <cstring>

// ---------------------------------------------------------------------------
// Byte order

std::uint32_t ReadBE32(const std::uint8_t* p)
{
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3];
}

void WriteBE32(std::uint8_t* p, std::uint32_t v)
{
    p[0] = static_cast<std::uint8_t>(v >> 24);
    p[1] = static_cast<std::uint8_t>(v >> 16);
    p[2] = static_cast<std::uint8_t>(v >> 8);
    p[3] = static_cast<std::uint8_t>(v);
}

std::uint32_t ReadLE32(const std::uint8_t* p)
{
    return (std::uint32_t(p[3]) << 24) | (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[1]) << 8) | p[0];
}

void WriteLE32(std::uint8_t* p, std::uint32_t v)
{
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
    p[2] = static_cast<std::uint8_t>(v >> 16);
    p[3] = static_cast<std::uint8_t>(v >> 24);
}

void EncodeHeader(const WireHeader& header, std::uint8_t out[kWireHeaderSize])
{
    for (int i = 0; i < 4; ++i)
        WriteBE32(out + 4 * i, header.word[i]);
}

WireHeader DecodeHeader(const std::uint8_t in[kWireHeaderSize])
{
    WireHeader h{};
    for (int i = 0; i < 4; ++i)
        h.word[i] = ReadBE32(in + 4 * i);
    return h;
}

void SetHeaderChannel(WireHeader& header, int channel)
{
    const std::uint16_t flags =
        static_cast<std::uint16_t>((header.flags() & ~0x03C0u) | ((unsigned(channel) & 0xFu) << 6));
    header.SetFlags(flags);
}

int HeaderChannel(const WireHeader& header)
{
    return (header.flags() >> 6) & 0xF;
}

// ---------------------------------------------------------------------------
// Sending and receiving

bool SendPacket(TcpSocket& socket, const WireHeader& header, const void* payload, std::size_t payloadLength)
{
    std::uint8_t head[kWireHeaderSize];
    EncodeHeader(header, head);
    const bool ok = payloadLength > 0 ? socket.SendAll2(head, sizeof head, payload, payloadLength)
                                      : socket.SendAll(head, sizeof head);
    if (!ok)
        TRACE("SendPacket: send of 0x%x failed\n", header.code());
    return ok;
}

bool SendAll(TcpSocket& socket, const void* bytes, std::size_t count)
{
    const bool ok = socket.SendAll(bytes, count);
    if (!ok)
        TRACE("SendAll: send failed (%d)\n", socket.LastError());
    return ok;
}

bool LoopReceive(TcpSocket& socket, void* buffer, std::size_t count, const std::atomic<bool>* stop,
                 std::chrono::milliseconds limit)
{
    if (count == 0)
        return true;
    const RecvResult r = socket.RecvExact(buffer, count, stop, limit);
    if (r != RecvResult::Ok) {
        TRACE("LoopReceive: %d of %zu bytes failed\n", static_cast<int>(r), count);
        return false;
    }
    return true;
}

bool DiscardBytes(TcpSocket& socket, std::size_t count, const std::atomic<bool>* stop,
                  std::chrono::milliseconds limit)
{
    std::uint8_t scratch[4096];
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (count > 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return false;
        const std::size_t n = std::min(count, sizeof scratch);
        if (!LoopReceive(socket, scratch, n, stop, left))
            return false;
        count -= n;
    }
    return true;
}

int ReasonFromPayload(const std::uint8_t* payload, std::size_t length)
{
    if (length == 0)
        return kReplyNoPayload;
    std::uint8_t word[4] = {0, 0, 0, 0};
    std::memcpy(word, payload, std::min<std::size_t>(length, 4));
    return static_cast<std::int32_t>(ReadBE32(word));
}

int RecvReply(TcpSocket& socket, const WireHeader& header, std::uint8_t* extra, const std::atomic<bool>* stop,
              std::chrono::milliseconds limit)
{
    const std::size_t length = header.length();
    if (length == 0)
        return kReplyNoPayload;
    std::uint8_t head[12] = {};
    const std::size_t first = std::min<std::size_t>(length, sizeof head);
    if (!LoopReceive(socket, head, first, stop, limit))
        return kReplyRecvFailed;
    if (length > first && !DiscardBytes(socket, length - first, stop, limit))
        return kReplyRecvFailed;
    if (length == 12 && extra != nullptr)
        std::memcpy(extra, head + 4, 8);
    return ReasonFromPayload(head, first);
}

// ---------------------------------------------------------------------------
// Frames

void FramePictureSize(std::uint8_t sizeCode, bool line576, std::uint16_t& width, std::uint16_t& height)
{
    switch (sizeCode & 0xF) {
    case 1:
    case 2:
    case 3:
    case 4:
    case 8:
        width = 704;
        height = line576 ? 576 : 480;
        break;
    case 5:
    case 9:
        width = 704;
        height = line576 ? 288 : 240;
        break;
    default:
        width = 352;
        height = line576 ? 288 : 240;
        break;
    }
}

void ParseFrameHeader(const std::uint8_t* b, FrameHeaderFields& f)
{
    f.marker = ReadLE32(b + 0);
    const std::uint32_t w8 = ReadLE32(b + 8);
    f.channel = static_cast<std::uint8_t>(w8 & 0xF);
    f.single_audio = static_cast<std::uint8_t>((w8 >> 4) & 0xF);
    f.size_code = static_cast<std::uint8_t>((w8 >> 8) & 0xF);
    f.body_size = w8 >> 12;
    f.time_sec = ReadLE32(b + 12);
    f.line576 = (ReadLE32(b + 16) >> 23) & 1;
    const std::uint32_t w20 = ReadLE32(b + 20);
    f.data_size = w20 & 0xFFFFF;
    f.audio_size = w20 >> 20;
    const std::uint32_t w24 = ReadLE32(b + 24);
    f.audio_mask = static_cast<std::uint16_t>(w24 & 0xFFFF);
    f.time_msec = static_cast<std::uint16_t>(w24 >> 16);
    const std::uint32_t w28 = ReadLE32(b + 28);
    f.frame_type = static_cast<std::uint8_t>(w28 & 0x3);
    f.audio_select = static_cast<std::uint8_t>((w28 >> 18) & 0xF);
}

void MakeFrameInfo(const FrameHeaderFields& f, FrameInfo& info)
{
    std::memset(&info, 0, sizeof info);
    info.channel = f.channel;
    info.frame_type = f.frame_type;
    if (f.audio_mask == 0)
        info.audio_channel = 0xFFFF;
    else if (f.audio_select == 1)
        info.audio_channel = f.audio_mask;
    else
        info.audio_channel = f.single_audio;
    info.time_sec = f.time_sec;
    info.time_msec = f.time_msec;
    info.data_size = f.data_size;
    info.audio_size = f.audio_size;
    info.frame_size = f.data_size + static_cast<std::uint32_t>(kFrameHeaderSize);
    FramePictureSize(f.size_code, f.line576, info.width, info.height);
    info.audio_select = f.audio_select;
}

std::vector<std::uint8_t> MakeQueuedItem(const FrameInfo& info, const WireHeader& header, const void* frame,
                                         std::size_t frameSize)
{
    std::vector<std::uint8_t> item(kQueuedItemHeadSize + frameSize);
    WireHeader h = header;
    SetHeaderChannel(h, info.channel);
    std::memcpy(item.data(), &info, sizeof info);
    std::memcpy(item.data() + sizeof info, &h, sizeof h);
    if (frameSize > 0)
        std::memcpy(item.data() + kQueuedItemHeadSize, frame, frameSize);
    return item;
}

bool ReadQueuedItem(const std::uint8_t* item, std::size_t size, FrameInfo& info, WireHeader& header,
                    const std::uint8_t*& frame, std::size_t& frameSize)
{
    if (item == nullptr || size < kQueuedItemHeadSize)
        return false;
    std::memcpy(&info, item, sizeof info);
    std::memcpy(&header, item + sizeof info, sizeof header);
    frame = item + kQueuedItemHeadSize;
    frameSize = size - kQueuedItemHeadSize;
    return true;
}

// ---------------------------------------------------------------------------
// Small helpers

bool IsIPAddressText(std::string_view text)
{
    for (char c : text) {
        if (!((c >= '0' && c <= '9') || c == '.'))
            return false;
    }
    return true;
}

namespace {

// atoi of the part, kept to its low 8 bits. Accumulating modulo 256 gives the
// same low byte as the full value without ever overflowing.
unsigned LowByteOfAtoi(std::string_view part)
{
    std::size_t i = 0;
    while (i < part.size() && (part[i] == ' ' || (part[i] >= '\t' && part[i] <= '\r')))
        ++i;
    bool negative = false;
    if (i < part.size() && (part[i] == '+' || part[i] == '-')) {
        negative = part[i] == '-';
        ++i;
    }
    unsigned v = 0;
    for (; i < part.size() && part[i] >= '0' && part[i] <= '9'; ++i)
        v = (v * 10 + unsigned(part[i] - '0')) & 0xFF;
    if (negative)
        v = (256 - v) & 0xFF;
    return v;
}

} // namespace

std::string NormalizedIPAddress(std::string_view text)
{
    // Before the first dot, between the first and second, between the second
    // and third, and everything after the third; a missing part is empty.
    std::string_view parts[4];
    std::string_view rest = text;
    bool more = true;
    for (int i = 0; i < 3 && more; ++i) {
        const std::size_t dot = rest.find('.');
        if (dot == std::string_view::npos) {
            parts[i] = rest;
            more = false;
        } else {
            parts[i] = rest.substr(0, dot);
            rest = rest.substr(dot + 1);
        }
    }
    if (more)
        parts[3] = rest;
    unsigned v[4];
    bool any = false;
    for (int i = 0; i < 4; ++i) {
        v[i] = LowByteOfAtoi(parts[i]);
        any = any || v[i] != 0;
    }
    if (!any)
        return std::string();
    return std::to_string(v[0]) + '.' + std::to_string(v[1]) + '.' + std::to_string(v[2]) + '.' +
           std::to_string(v[3]);
}

std::string AddressForConnect(std::string_view text)
{
    int dots = 0;
    bool digitsOnly = true;
    bool emptyPart = text.empty() || text.front() == '.' || text.back() == '.';
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '.') {
            ++dots;
            if (i + 1 < text.size() && text[i + 1] == '.')
                emptyPart = true;
        } else if (c < '0' || c > '9') {
            digitsOnly = false;
        }
    }
    if (!digitsOnly)
        return std::string(text);
    // Short forms like "10.1" would be read as other addresses by the
    // resolver (10.0.0.1) or by filling zeros (10.1.0.0): neither is what
    // was typed.
    if (dots != 3 || emptyPart)
        return std::string();
    return NormalizedIPAddress(text);
}

void NormalizeIPAddress(std::string& text)
{
    text = NormalizedIPAddress(text);
}

bool IsValidVideoSize(int width, int height)
{
    switch (width) {
    case 176:
    case 180:
        return height == 120 || height == 144;
    case 352:
    case 360:
        return height == 240 || height == 288;
    case 704:
    case 720:
        return height == 240 || height == 288 || height == 480 || height == 576;
    default:
        return false;
    }
}

std::uint16_t ComputeItemChecksum(const std::uint8_t* bytes, std::size_t count)
{
    std::uint16_t sum = 0;
    std::size_t pos = 0;
    while (pos < count) {
        const std::uint8_t first = bytes[pos];
        sum = static_cast<std::uint16_t>(sum + first);
        pos += std::size_t(first & 7) * 2 + 2;
    }
    return sum;
}

void MemCopy(void* destination, const void* source, std::size_t count)
{
    if (count > 0)
        std::memcpy(destination, source, count);
}

QFont BuildBoldLogFont(double points)
{
    QFont font = MakeSkinFont("Arial Bold", points, 700);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

bool GetProgramVersion(std::array<std::uint16_t, 4>& version)
{
    version = ProgramVersion();
    return true;
}

int ClassifyOSVersion(int platformId, int major, int minor, std::string_view servicePack)
{
    constexpr int kConsumerFamily = 1;
    constexpr int kNtFamily = 2;
    if (platformId == kConsumerFamily) {
        if (major == 4 && minor == 10)
            return servicePack.size() > 1 && servicePack[1] == 'A' ? 5 : 4;
        if (major == 4 && minor == 90)
            return 6;
        return 3;
    }
    if (platformId == kNtFamily) {
        if (major == 5 && minor == 0)
            return 1;
        if (major == 5 && minor == 1)
            return 2;
        return 0;
    }
    return 7;
}

int GetOSVersion()
{
    // Linux stands where the supported NT family stood.
    return 0;
}
