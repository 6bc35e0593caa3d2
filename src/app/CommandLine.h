// The command line that connects at once: ADDRESS PORT USER PASSWORD, the
// password being all the rest of the line, blanks included.
#pragma once

#include <string>

struct ConnectRequest
{
    std::string address; // at most 127 characters
    int port = 0;
    std::string user;     // at most 15 characters
    std::string password; // at most 15 characters
    std::string description; // the connect dialog's; empty from the command line
};

constexpr std::size_t kMaxAddressLength = 127;
constexpr std::size_t kMaxUserLength = 15;
constexpr std::size_t kMaxPasswordLength = 15;

// The arguments after the program, joined with single blanks.
std::string JoinArguments(int argc, const char* const* argv);

// Splits the argument text into the four words. Each of the first three ends
// at the next blank; when no blank is left the word is empty and the text is
// kept for the next word; the fourth word is the rest. The port is read as a
// decimal number (0 when it is none). Words longer than their fields are cut.
// False when there are no arguments.
bool ParseCommandLine(const std::string& args, ConnectRequest& request);
