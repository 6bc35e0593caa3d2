// Writes the demo's downloaded file sets into a folder (tools/run.sh --demo):
// four watermarked channels with one tampered picture, then after a gap four
// channels with checksums. A folder that already holds them is left alone.
#include "streams/LocalSetBuilder.h"

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>
#include <system_error>

using namespace k5streams;

namespace {

bool HasDemoSets(const std::filesystem::path& folder)
{
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(folder, ec)) {
        const std::string name = e.path().filename().string();
        if (name.rfind("demo-", 0) == 0)
            return true;
    }
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: local-demo-sets FOLDER\n");
        return 2;
    }
    const std::filesystem::path folder(argv[1]);
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) {
        std::fprintf(stderr, "local-demo-sets: cannot make %s: %s\n", argv[1], ec.message().c_str());
        return 1;
    }
    if (HasDemoSets(folder)) {
        std::printf("local-demo-sets: %s already holds the demo sets\n", argv[1]);
        return 0;
    }
    // Two hours ago, so that today's calendar day is marked.
    const auto now = static_cast<std::uint32_t>(std::time(nullptr));
    const std::uint32_t start = (now - 7200) / 60 * 60;

    auto watermarked = MakeLocalRun(start, 120, 0x000F, 4, 2, 1, 4);
    for (LocalFrameSpec& f : watermarked)
        if (f.channel == 0 && f.time == start + 40 && f.msec == 0)
            f.tampered = true; // playback pauses here with the warning
    auto checksummed = MakeLocalRun(start + 180, 60, 0x00F0, 4, 3, 2, 4);
    for (LocalFrameSpec& f : checksummed)
        f.eventKind = 1;

    LocalSetOptions o;
    o.folder = folder.string();
    o.clock = now;
    o.name = "demo-watermark";
    if (WriteLocalSets(o, watermarked).empty()) {
        std::fprintf(stderr, "local-demo-sets: writing %s failed\n", o.name.c_str());
        return 1;
    }
    o.name = "demo-checksum";
    if (WriteLocalSets(o, checksummed).empty()) {
        std::fprintf(stderr, "local-demo-sets: writing %s failed\n", o.name.c_str());
        return 1;
    }
    std::printf("local-demo-sets: wrote the demo sets to %s\n", argv[1]);
    return 0;
}
