// The connection's receive loop, dispatcher and handlers fed straight from
// memory: the session reads the input as the bytes a recorder sent and then
// finds the recorder gone. No socket, no thread: the loop runs on the
// fuzzer's thread, so a whole input takes microseconds. The first byte
// chooses which streams the session pretends to run (ApplySessionMode); the
// slow end-to-end twin over a socket pair is net_receive_e2e_fuzz.
#include "NetFuzzHost.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    static k5fuzz::NullHost host;
    const std::uint8_t mode = data[0];

    NetTimings timings;
    timings.keepAlive = std::chrono::hours(1);
    timings.keepAliveThread = false;
    auto client = CNetClient::Create(host, timings);
    k5fuzz::ApplySessionMode(*client, mode);
    if (!client->AttachSocketForTesting(TcpSocket::FromBytes(data + 1, size - 1)))
        std::abort();
    client->Thread_Connecting();
    client->DestroyWindow();
    return 0;
}
