#pragma once

#include <string>

// The recorder keeps its users' passwords lower-cased and the connection
// stores the login password the same way, so every prompt that asks for the
// login password again compares without letter case. Only ASCII letters fold:
// other bytes are the recorder's own and stay as they are.
std::string LowerAscii(std::string text);

// True when the text typed into a password prompt is the login password.
bool PasswordMatches(const std::string& typed, const std::string& loginPassword);
