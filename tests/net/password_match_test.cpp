// The one comparison behind every password prompt.
#include "net/PasswordMatch.h"

#include <gtest/gtest.h>

namespace {

TEST(PasswordMatch, FoldsAsciiLettersOnly)
{
    struct Case
    {
        const char* name;
        std::string typed;
        std::string login;
        bool match;
    };
    const Case cases[] = {
        {"same", "secret12", "secret12", true},
        {"typed in capitals", "SeCrEt12", "secret12", true},
        {"stored in capitals", "secret12", "SECRET12", true},
        {"both empty", "", "", true},
        {"empty typed", "", "secret12", false},
        {"prefix", "secret1", "secret12", false},
        {"longer", "secret123", "secret12", false},
        {"digit differs", "secret13", "secret12", false},
        // Latin-1 letters are the recorder's bytes, not folded.
        {"latin-1 capital", "\xC9t\xE9", "\xE9t\xE9", false},
        {"latin-1 same", "\xC9T\xE9", "\xC9t\xE9", true},
        // Neighbours of the letter ranges stay apart.
        {"at sign and backquote", "@[", "`{", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(PasswordMatches(c.typed, c.login), c.match);
    }
    EXPECT_EQ(LowerAscii("AbZ@[`z{\xC9"), "abz@[`z{\xC9");
}

} // namespace
