// Backed-up frames from the wire into a file set, in memory: fragments
// reassembled in the bounded buffer, each whole frame checked as the receive
// thread checks it, the kept frames written by the set writer onto an
// in-memory file system (small split size and entry limit, an optional full
// disk at a chosen byte), and every set read back by the tests' independent
// reader, which must find every frame written, byte for byte.
//
// Input: split size (16-bit, x 64 bytes), entry limit byte, fault byte
// (bits 0-1 file: none, .idx, .vih, .vid; with a file, a 16-bit byte
// position follows), then fragments: flags byte (bit 0 last), 16-bit length,
// the bytes.
#include "FuzzSupport.h"

#include "BackupSetReader.h"
#include "BackupTestFiles.h"
#include "net/BackupWriter.h"
#include "net/LiveData.h"

#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::size_t at = 0;
    auto byte = [&]() -> unsigned { return at < size ? data[at++] : 0; };
    auto word = [&]() -> unsigned { return byte() | byte() << 8; };

    BackupSetOptions o;
    o.folder = "/fuzz/Download";
    o.name = "f";
    o.splitSize = (static_cast<std::uint64_t>(word()) + 1) * 64;
    o.entryLimit = byte() % 8 + 1;
    std::uint32_t clock = 1000;
    o.clock = [&clock] { return clock; };
    // One file system for the process, emptied per input: its files' storage
    // is reused rather than mapped and faulted in afresh for every set.
    static const auto fs = std::make_shared<CMemoryBackupFileSystem>();
    fs->Reset();
    o.fileSystem = fs;
    const unsigned fault = byte();
    if (fault & 3) {
        static const char* const kSuffix[] = {"", ".idx", ".vih", ".vid"};
        fs->FailAt(kSuffix[fault & 3], word() + ((fault & 3) == 1 ? 262336u : 0u));
    }

    CStreamAssembler stream(64 * 1024);
    CBackupSetWriter writer(o);
    writer.Open();
    std::vector<std::vector<std::uint8_t>> written;
    while (at < size) {
        const bool last = (byte() & 1) != 0;
        const std::size_t length = std::min<std::size_t>(word(), size - at);
        const bool whole = stream.Append(data + at, length, last);
        at += length;
        if (!whole)
            continue;
        const std::size_t keep = CheckBackupFrame(stream.Data(), stream.Length());
        if (keep != 0) {
            K5_FUZZ_CHECK(keep <= stream.Length());
            if (writer.WriteFrame(stream.Data(), keep))
                written.emplace_back(stream.Data(), stream.Data() + keep);
        }
        stream.Reset();
        ++clock;
    }
    writer.Close();

    // Every set reads back; together they hold exactly the frames written.
    std::size_t n = 0;
    for (const auto& files : writer.SetFiles()) {
        backup_reader::Set set;
        std::string error;
        if (!backup_reader::ReadSet(fs->View(files[0]), fs->View(files[1]), fs->View(files[2]), set,
                                    error)) {
            // Only a file that could not take its trailer is unreadable.
            K5_FUZZ_CHECK(writer.Failure() != BackupFailure::None);
            return 0;
        }
        for (auto f : set.frames) {
            K5_FUZZ_CHECK(n < written.size());
            auto want = written[n++];
            K5_FUZZ_CHECK(f.size() == want.size());
            std::memset(f.data() + 32, 0, 4);
            std::memset(f.data() + 44, 0, 4);
            std::memset(want.data() + 32, 0, 4);
            std::memset(want.data() + 44, 0, 4);
            K5_FUZZ_CHECK(f == want);
        }
    }
    K5_FUZZ_CHECK(n == written.size());
    return 0;
}
