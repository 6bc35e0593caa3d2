// The firmware image probe on bytes in memory: the head and tail of a file
// of a chosen size against a recorder's component list. Whatever it accepts
// names a component with a row and a terminated name; the build-date reader
// never reads past the bytes it is given.
//
// Input: 32-bit file size, then the head bytes (the last 64 of them also
// serve as the tail).
#include "FuzzSupport.h"

#include "net/FirmwareUpgrade.h"

#include <cstring>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 4)
        return 0;
    std::uint64_t fileSize = 0;
    std::memcpy(&fileSize, data, 4);
    data += 4;
    size -= 4;
    // Exact copies, so that a read past them is caught.
    std::unique_ptr<std::uint8_t[]> head(new std::uint8_t[size ? size : 1]);
    if (size)
        std::memcpy(head.get(), data, size);
    std::unique_ptr<std::uint8_t[]> tail;
    if (size >= 64) {
        tail.reset(new std::uint8_t[64]);
        std::memcpy(tail.get(), data + size - 64, 64);
    }

    HelloRecord hello{};
    std::strcpy(hello.FirmName[0], "Boot_K5_v2");
    std::strcpy(hello.FirmName[3], "app");
    std::strcpy(hello.FirmName[4], "font");
    std::strcpy(hello.FirmName[5], "front");
    std::strcpy(hello.FirmName[6], "fpga");
    std::strcpy(hello.FirmName[7], "other");

    FirmwareImageInfo info;
    if (ProbeFirmwareBytes(fileSize, head.get(), size, tail.get(), hello, info)) {
        K5_FUZZ_CHECK(fileSize >= 256 && size >= 256);
        K5_FUZZ_CHECK(GetTypeToIdx(info.type) >= 0);
        // A component header may name the boot loader too; a boot image is row 0.
        if (info.boot)
            K5_FUZZ_CHECK(info.type == 0);
        if (!info.boot)
            K5_FUZZ_CHECK(std::memchr(info.name.data(), 0, 32) != nullptr);
        const auto request = MakeFwUpdateRequest(info.version, info.type, info.name);
        K5_FUZZ_CHECK(request[16] == info.type);
    }
    std::uint32_t t = 0;
    if (ParseBuildDate(head.get(), size, t) == 0)
        K5_FUZZ_CHECK(t <= 4291747199u); // at the latest the end of 2105
    return 0;
}
