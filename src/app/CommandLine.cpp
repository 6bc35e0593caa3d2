#include "app/CommandLine.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace {
// Reads the leading decimal number as atoi does, but a number that does not
// fit an int gives 0 instead of undefined behaviour.
int ToInt(const std::string& text)
{
    errno = 0;
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (errno == ERANGE || v > INT_MAX || v < INT_MIN)
        return 0;
    return static_cast<int>(v);
}
} // namespace

std::string JoinArguments(int argc, const char* const* argv)
{
    std::string text;
    for (int i = 1; i < argc; ++i) {
        if (i > 1)
            text.push_back(' ');
        if (argv[i])
            text += argv[i];
    }
    return text;
}

bool ParseCommandLine(const std::string& args, ConnectRequest& request)
{
    request = ConnectRequest();
    if (args.empty())
        return false;

    std::string rest = args;
    auto nextWord = [&rest]() {
        const std::size_t blank = rest.find(' ');
        if (blank == std::string::npos)
            return std::string();
        std::string word = rest.substr(0, blank);
        rest.erase(0, blank + 1);
        return word;
    };
    const std::string address = nextWord();
    const std::string port = nextWord();
    const std::string user = nextWord();

    request.address = address.substr(0, kMaxAddressLength);
    request.port = ToInt(port);
    request.user = user.substr(0, kMaxUserLength);
    request.password = rest.substr(0, kMaxPasswordLength);
    return true;
}
