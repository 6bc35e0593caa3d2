// Feeds arbitrary bytes, as a recorder would send them, to the connection's
// receive loop and dispatcher over a real socket pair, the recorder's side
// written by a thread of its own: the whole path end to end, slow (a socket
// pair and a thread per input). The fast twin without socket or thread,
// net_receive_fuzz, is the one that meets the rate. The first byte chooses
// which streams the session pretends to run (ApplySessionMode).
#include "NetFuzzHost.h"

#include <cstdint>
#include <cstdlib>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    static k5fuzz::NullHost host;
    const std::uint8_t mode = data[0];
    ++data;
    --size;

    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0)
        return 0;

    NetTimings timings;
    timings.keepAlive = std::chrono::hours(1);
    timings.receiveLimit = std::chrono::milliseconds(200);
    timings.idleWait = std::chrono::milliseconds(200);
    auto client = CNetClient::Create(host, timings);
    k5fuzz::ApplySessionMode(*client, mode);
    client->AttachSocketForTesting(std::make_unique<TcpSocket>(fds[0]));

    // The recorder's side writes everything and then closes; the loop reads
    // until the close or until a handler ends it.
    std::thread writer([fd = fds[1], data, size] {
        std::size_t done = 0;
        while (done < size) {
            const ssize_t n = ::send(fd, data + done, size - done, MSG_NOSIGNAL);
            if (n <= 0)
                break;
            done += static_cast<std::size_t>(n);
        }
        ::shutdown(fd, SHUT_WR);
    });
    client->Thread_Connecting();
    // A loop that ended early leaves the writer blocked on a full buffer.
    ::shutdown(fds[1], SHUT_RDWR);
    writer.join();
    client->DestroyWindow();
    client.reset();
    ::close(fds[1]);
    return 0;
}
