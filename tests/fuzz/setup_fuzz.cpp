// The setup database from the recorder: fragments of DB_INFO_ACK joined in
// the bounded buffer and checked, the update built from whatever image came
// through; and arbitrary images turned to host order and back and read
// field by field, texts included. In memory only.
//
// Input: a mode byte (bit 1: the record pages' rules, below; bit 0: the
// remaining bytes are one image for the conversion and the field reads;
// otherwise fragments follow: flags byte (bit 0 last, bit 1 a valid CRC word
// is put in front of a first fragment), 16-bit length, the bytes).
//
// Record pages' rules: a typed preset text (length byte, Latin-1 bytes), a
// sensor, entry and camera, a sensitivity value and slider position, then
// the rest as the image the camera refusal reads.
#include "FuzzSupport.h"

#include "net/SetupTransport.h"
#include "net/Wire.h"
#include "setup/SetupImage.h"
#include "setup/record/AlarmPreset.h"
#include "setup/record/Sensitivity.h"

#include <cstring>
#include <vector>

namespace {

void Fragments(k5fuzz::Reader& in)
{
    CSetupDbAssembler a;
    a.Begin();
    bool first = true;
    std::vector<std::uint8_t> joined;
    while (in.Left() > 0) {
        const std::uint8_t flags = in.U8();
        const std::size_t length = in.U16();
        const std::string bytes = in.Bytes(length);
        std::vector<std::uint8_t> fragment(bytes.begin(), bytes.end());
        fragment.resize(length, 0);
        if (first && (flags & 2) && fragment.size() >= 4) {
            const std::uint32_t crc = SetupDbCrc32(fragment.data() + 4, fragment.size() - 4);
            WriteBE32(fragment.data(), crc);
        }
        first = false;
        joined.insert(joined.end(), fragment.begin(), fragment.end());
        const CSetupDbAssembler::Result r = a.Feed(fragment.data(), fragment.size(), (flags & 1) != 0);
        if (r == CSetupDbAssembler::Result::More)
            continue;
        if (r == CSetupDbAssembler::Result::Ready) {
            K5_FUZZ_CHECK(a.Length() == joined.size());
            K5_FUZZ_CHECK(a.Length() >= 4 && a.Length() <= kSetupDbMaxPayload);
            K5_FUZZ_CHECK(std::memcmp(a.Payload(), joined.data(), joined.size()) == 0);
            K5_FUZZ_CHECK(a.ImageLength() <= kSetupDbSize);
            std::vector<std::uint8_t> image(kSetupDbSize, 0);
            std::memcpy(image.data(), a.Payload() + 4, a.ImageLength());
            const std::vector<std::uint8_t> update = a.BuildUpdate(image.data());
            // Sent back unchanged: exactly what arrived.
            K5_FUZZ_CHECK(update == joined);
        } else {
            K5_FUZZ_CHECK(a.ImageLength() == 0);
        }
        // A new fetch for whatever follows.
        a.Begin();
        joined.clear();
        first = true;
    }
}

void Image(k5fuzz::Reader& in)
{
    const std::string bytes = in.Rest();
    SetupDbImage image{};
    std::memcpy(image.data(), bytes.data(), std::min(bytes.size(), image.size()));
    const SetupDbImage original = image;
    ConvertDbToHost(image.data());
    ImageRef ref(image);
    std::uint64_t sum = 0;
    for (const SetupDb::Field& f : SetupDb::kAllFields) {
        for (std::uint32_t i = 0; i < f.count; ++i) {
            if (f.width == 1 || f.width == 2 || f.width == 4)
                sum += ref.Get(f, static_cast<int>(i));
            const QString text = ref.Text(f, static_cast<int>(i));
            K5_FUZZ_CHECK(static_cast<std::uint32_t>(text.size()) <= f.width);
        }
    }
    (void)sum;
    // A text written back stays inside its slot with its NUL.
    SetupDbImage copy = image;
    ImageRef w(copy);
    w.SetText(SetupDb::CameraName, 5, ref.Text(SetupDb::CameraName, 4), 30);
    K5_FUZZ_CHECK(copy[88 + 5 * 32 + 31] == 0);
    K5_FUZZ_CHECK(std::memcmp(copy.data(), image.data(), 88 + 5 * 32) == 0);
    K5_FUZZ_CHECK(
        std::memcmp(copy.data() + 88 + 6 * 32, image.data() + 88 + 6 * 32, copy.size() - 88 - 6 * 32) == 0);
    ConvertDbToNetwork(image.data());
    K5_FUZZ_CHECK(image == original);
}

void RecordRules(k5fuzz::Reader& in)
{
    const std::string typed = in.Bytes(in.U8());
    const std::uint16_t preset = AlarmPreset::ParsePreset(QString::fromLatin1(typed.data(), typed.size()));
    K5_FUZZ_CHECK(preset >= 1 && preset <= 999);
    // A number the box shows reads back as itself.
    K5_FUZZ_CHECK(AlarmPreset::ParsePreset(QString::number(preset)) == preset);

    const int s = static_cast<std::int8_t>(in.U8());
    const int k = static_cast<std::int8_t>(in.U8());
    const int camera = static_cast<std::int8_t>(in.U8());
    const std::uint8_t stored = in.U8();
    const int position = static_cast<std::int8_t>(in.U8());
    const int pos = Sensitivity::PositionOf(stored);
    K5_FUZZ_CHECK(pos >= 0 && pos <= 3);
    const Sensitivity::Drag d = Sensitivity::DragTo(position);
    K5_FUZZ_CHECK(d.stored <= 2 && Sensitivity::PositionOf(d.stored) == d.thumb && d.textId != 0);

    const std::string bytes = in.Rest();
    SetupDbImage image{};
    std::memcpy(image.data(), bytes.data(), std::min(bytes.size(), image.size()));
    const ImageRef ref(image);
    const bool refused = AlarmPreset::CameraRefused(ref, s, k, camera);
    K5_FUZZ_CHECK(!(refused && camera <= 0));
    for (std::uint32_t at : {AlarmPreset::CameraOffset(s, k), AlarmPreset::ActionOffset(s, k),
                             AlarmPreset::NumberOffset(s, k) + 1})
        K5_FUZZ_CHECK(at < SetupDb::kUsedEnd);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    k5fuzz::Reader in(data, size);
    const std::uint8_t mode = in.U8();
    if (mode & 2)
        RecordRules(in);
    else if (mode & 1)
        Image(in);
    else
        Fragments(in);
    return 0;
}
