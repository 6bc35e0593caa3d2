#include "net/PasswordMatch.h"

std::string LowerAscii(std::string text)
{
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

bool PasswordMatches(const std::string& typed, const std::string& loginPassword)
{
    return LowerAscii(typed) == LowerAscii(loginPassword);
}
