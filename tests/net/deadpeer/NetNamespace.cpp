#include "NetNamespace.h"

#include <fcntl.h>
#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <string>

namespace {

bool g_private = false;

bool WriteFile(const char* path, const std::string& text)
{
    const int fd = ::open(path, O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    ::close(fd);
    return ok;
}

bool SetLoopbackFlag(bool up)
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    ifreq req{};
    std::strncpy(req.ifr_name, "lo", IFNAMSIZ - 1);
    bool ok = ::ioctl(fd, SIOCGIFFLAGS, &req) == 0;
    if (ok) {
        if (up)
            req.ifr_flags = static_cast<short>(req.ifr_flags | IFF_UP);
        else
            req.ifr_flags = static_cast<short>(req.ifr_flags & ~IFF_UP);
        ok = ::ioctl(fd, SIOCSIFFLAGS, &req) == 0;
    }
    ::close(fd);
    return ok;
}

} // namespace

bool EnterPrivateNetwork()
{
    if (g_private)
        return true;
    if (::unshare(CLONE_NEWNET) != 0) {
        const uid_t uid = ::geteuid();
        const gid_t gid = ::getegid();
        if (::unshare(CLONE_NEWUSER | CLONE_NEWNET) != 0)
            return false;
        // Root inside, so that the loopback may be configured.
        WriteFile("/proc/self/setgroups", "deny");
        WriteFile("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1");
        WriteFile("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1");
    }
    // From here on only this process's own namespace is touched.
    g_private = SetLoopbackFlag(true);
    return g_private;
}

bool InPrivateNetwork()
{
    return g_private;
}

bool SetLoopbackUp(bool up)
{
    return g_private && SetLoopbackFlag(up);
}
