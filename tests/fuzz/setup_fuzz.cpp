// The setup database from the recorder: fragments of DB_INFO_ACK joined in
// the bounded buffer and checked, the update built from whatever image came
// through; and arbitrary images turned to host order and back and read
// field by field, texts included. In memory only.
//
// Input: a mode byte (bit 1: the remaining bytes are the recorder's two
// protocol records, read as the PTZ pages read them; bit 0: the remaining
// bytes are one image for the conversion, the field reads and the mail
// texts; otherwise fragments follow: flags byte
// (bit 0 last, bit 1 a valid CRC word is put in front of a first fragment),
// 16-bit length, the bytes).
#include "FuzzSupport.h"

#include "net/SetupTransport.h"
#include "net/Wire.h"
#include "net/NetRecords.h"
#include "setup/MailFields.h"
#include "setup/PtzProtocolTable.h"
#include "setup/SetupImage.h"

#include <algorithm>
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
    // Each mail text read and written back changes nothing outside its field.
    for (int r = 0; r < MailFields::kRows; ++r) {
        SetupDbImage mail = image;
        ImageRef m(mail);
        const QString text = MailFields::ReadText(m, r);
        K5_FUZZ_CHECK(text.size() <= MailFields::kMaxChars);
        MailFields::WriteText(m, r, text);
        const std::size_t start = SetupDb::MailAddress.At(static_cast<std::uint32_t>(r));
        K5_FUZZ_CHECK(std::memcmp(mail.data(), image.data(), start) == 0);
        K5_FUZZ_CHECK(std::memcmp(mail.data() + start + 128, image.data() + start + 128,
                                  mail.size() - start - 128) == 0);
        K5_FUZZ_CHECK(MailFields::ReadText(m, r) == text);
        (void)MailFields::ChoiceText({"a", "b", "c"}, m.U8(SetupDb::MailMode.offset));
    }
    ConvertDbToNetwork(image.data());
    K5_FUZZ_CHECK(image == original);
}

void Tables(k5fuzz::Reader& in)
{
    const std::string bytes = in.Rest();
    SysEtcInfo info{};
    SysEtcInfoEx infoEx{};
    std::memcpy(info.bytes, bytes.data(), std::min(bytes.size(), sizeof info.bytes));
    if (bytes.size() > sizeof info.bytes)
        std::memcpy(infoEx.bytes, bytes.data() + sizeof info.bytes,
                    std::min(bytes.size() - sizeof info.bytes, sizeof infoEx.bytes));
    for (PtzDevice device : {PtzDevice::Camera, PtzDevice::Keyboard}) {
        for (const PtzProtocolTable& t :
             {PtzProtocolTable::Named(infoEx, device), PtzProtocolTable::Numbered(info, device)}) {
            const std::vector<QString> lines = t.Lines();
            const std::vector<int> positions = t.LinePositions();
            K5_FUZZ_CHECK(lines.size() == positions.size());
            for (std::size_t i = 0; i < lines.size(); ++i) {
                // Every line is a used entry, in table order, shown under its name.
                K5_FUZZ_CHECK(positions[i] >= 0 && positions[i] < PtzProtocolTable::kEntries);
                K5_FUZZ_CHECK(i == 0 || positions[i] > positions[i - 1]);
                K5_FUZZ_CHECK(!lines[i].isEmpty() && lines[i] == t.Name(positions[i]));
                K5_FUZZ_CHECK(lines[i].size() <= PtzProtocolTable::kNameBytes);
            }
            // Any image byte as a position or a baud index stays inside the tables.
            for (int v = 0; v < 256; ++v) {
                const int m = t.MaxBaud(v);
                K5_FUZZ_CHECK(m >= 0 && m <= 255);
                K5_FUZZ_CHECK(v < PtzProtocolTable::kEntries || (m == 0 && t.Name(v).isEmpty()));
                K5_FUZZ_CHECK(static_cast<int>(PtzProtocolTable::BaudLines(m).size()) ==
                              std::min(m, PtzProtocolTable::kBaudSlots));
                (void)PtzProtocolTable::BaudText(v);
            }
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    k5fuzz::Reader in(data, size);
    const std::uint8_t mode = in.U8();
    if (mode & 2)
        Tables(in);
    else if (mode & 1)
        Image(in);
    else
        Fragments(in);
    return 0;
}
