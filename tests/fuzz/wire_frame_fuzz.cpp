// The small decoders of recorder bytes that every receiver shares: the
// 16-byte message header, the 40-byte frame header and its FrameInfo, the
// queued-item layout, a refusal's reason, the item checksum and the dotted
// address text. Every input is copied into a heap block of exactly its size,
// so that a read past it is caught.
//
// Input: mode byte, then the bytes.
//   mode % 4 == 0  16-byte message header, 40-byte frame header, then a frame
//   mode % 4 == 1  a queued item as it stands
//   mode % 4 == 2  a refusal's payload and an item chain
//   mode % 4 == 3  an address text
#include "FuzzSupport.h"

#include "net/Wire.h"

#include <cstring>
#include <memory>
#include <string>

namespace {

std::unique_ptr<std::uint8_t[]> Exact(const std::uint8_t* data, std::size_t size)
{
    std::unique_ptr<std::uint8_t[]> copy(new std::uint8_t[size ? size : 1]);
    if (size)
        std::memcpy(copy.get(), data, size);
    return copy;
}

void FrameHeaders(const std::uint8_t* data, std::size_t size)
{
    if (size < kWireHeaderSize + kFrameHeaderSize)
        return;
    const auto wire = Exact(data, kWireHeaderSize);
    const WireHeader header = DecodeHeader(wire.get());
    std::uint8_t again[kWireHeaderSize];
    EncodeHeader(header, again);
    K5_FUZZ_CHECK(std::memcmp(again, wire.get(), kWireHeaderSize) == 0);

    const auto frameHead = Exact(data + kWireHeaderSize, kFrameHeaderSize);
    FrameHeaderFields f;
    ParseFrameHeader(frameHead.get(), f);
    K5_FUZZ_CHECK(f.channel < 16 && f.single_audio < 16 && f.size_code < 16);
    K5_FUZZ_CHECK(f.data_size <= 0xFFFFF && f.audio_size <= 0xFFF);
    K5_FUZZ_CHECK(f.frame_type <= 3 && f.audio_select <= 15);

    FrameInfo info;
    std::memset(&info, 0xA5, sizeof info);
    MakeFrameInfo(f, info);
    K5_FUZZ_CHECK(info.channel == f.channel);
    K5_FUZZ_CHECK(info.frame_size == f.data_size + kFrameHeaderSize);
    K5_FUZZ_CHECK(info.data_size == f.data_size && info.audio_size == f.audio_size);
    K5_FUZZ_CHECK(IsValidVideoSize(info.width, info.height));
    K5_FUZZ_CHECK(info.stream_seq == 0 && info.caption[0] == '\0');
    if (f.audio_mask == 0)
        K5_FUZZ_CHECK(info.audio_channel == 0xFFFF);
    else if (f.audio_select != 1)
        K5_FUZZ_CHECK(info.audio_channel < 16);

    // The frame as a receiver queues it, and split again.
    const std::uint8_t* body = data + kWireHeaderSize;
    const std::size_t bodySize = size - kWireHeaderSize;
    const auto frame = Exact(body, bodySize);
    std::vector<std::uint8_t> item = MakeQueuedItem(info, header, frame.get(), bodySize);
    K5_FUZZ_CHECK(item.size() == kQueuedItemHeadSize + bodySize);
    const auto exactItem = Exact(item.data(), item.size());
    FrameInfo back;
    WireHeader backHeader;
    const std::uint8_t* backFrame = nullptr;
    std::size_t backSize = 0;
    K5_FUZZ_CHECK(ReadQueuedItem(exactItem.get(), item.size(), back, backHeader, backFrame, backSize));
    K5_FUZZ_CHECK(std::memcmp(&back, &info, sizeof info) == 0);
    K5_FUZZ_CHECK(HeaderChannel(backHeader) == info.channel);
    K5_FUZZ_CHECK(backHeader.code() == header.code() && backHeader.length() == header.length());
    K5_FUZZ_CHECK(backSize == bodySize && std::memcmp(backFrame, frame.get(), bodySize) == 0);
}

void QueuedItem(const std::uint8_t* data, std::size_t size)
{
    const auto item = Exact(data, size);
    FrameInfo info;
    WireHeader header;
    const std::uint8_t* frame = nullptr;
    std::size_t frameSize = 0;
    const bool ok = ReadQueuedItem(item.get(), size, info, header, frame, frameSize);
    K5_FUZZ_CHECK(ok == (size >= kQueuedItemHeadSize));
    if (!ok)
        return;
    K5_FUZZ_CHECK(frame == item.get() + kQueuedItemHeadSize && frameSize == size - kQueuedItemHeadSize);
    // Reads every byte it hands out.
    unsigned sum = 0;
    for (std::size_t i = 0; i < frameSize; ++i)
        sum += frame[i];
    (void)sum;
}

void Replies(const std::uint8_t* data, std::size_t size)
{
    const std::size_t split = size ? data[0] % (size + 1) : 0;
    const auto payload = Exact(data, split);
    const int reason = ReasonFromPayload(payload.get(), split);
    if (split == 0)
        K5_FUZZ_CHECK(reason == kReplyNoPayload);
    else if (split >= 4)
        K5_FUZZ_CHECK(static_cast<std::uint32_t>(reason) == ReadBE32(payload.get()));

    const auto chain = Exact(data + split, size - split);
    ComputeItemChecksum(chain.get(), size - split);
}

void Address(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const bool plain = IsIPAddressText(text);
    K5_FUZZ_CHECK(plain == (text.find_first_not_of("0123456789.") == std::string::npos));
    const std::string n = NormalizedIPAddress(text);
    K5_FUZZ_CHECK(n.size() <= 15);
    K5_FUZZ_CHECK(IsIPAddressText(n));
    K5_FUZZ_CHECK(NormalizedIPAddress(n) == n);
    std::string inPlace = text;
    NormalizeIPAddress(inPlace);
    K5_FUZZ_CHECK(inPlace == n);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    const std::uint8_t mode = data[0];
    ++data;
    --size;
    switch (mode % 4) {
    case 0: FrameHeaders(data, size); break;
    case 1: QueuedItem(data, size); break;
    case 2: Replies(data, size); break;
    default: Address(data, size); break;
    }
    return 0;
}
