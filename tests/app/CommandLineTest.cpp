#include "app/CommandLine.h"

#include <gtest/gtest.h>

namespace {

struct LineCase
{
    const char* name;
    std::string args;
    bool hasArgs;
    std::string address;
    int port;
    std::string user;
    std::string password;
};

class CommandLineTest : public ::testing::TestWithParam<LineCase>
{
};

TEST_P(CommandLineTest, SplitsIntoFourWords)
{
    const LineCase& c = GetParam();
    ConnectRequest r;
    EXPECT_EQ(ParseCommandLine(c.args, r), c.hasArgs);
    EXPECT_EQ(r.address, c.address);
    EXPECT_EQ(r.port, c.port);
    EXPECT_EQ(r.user, c.user);
    EXPECT_EQ(r.password, c.password);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CommandLineTest,
    ::testing::Values(
        LineCase{"NoArguments", "", false, "", 0, "", ""},
        LineCase{"FourWords", "192.168.0.10 8000 admin 1234", true, "192.168.0.10", 8000, "admin", "1234"},
        LineCase{"PasswordKeepsItsBlanks", "dvr.local 8000 admin my pass  word", true, "dvr.local", 8000,
                 "admin", "my pass  word"},
        LineCase{"TwoWordsGivePasswordOnly", "10.0.0.1 secret", true, "10.0.0.1", 0, "", "secret"},
        LineCase{"ThreeWords", "host 80 user", true, "host", 80, "", "user"},
        LineCase{"OneWordIsThePassword", "onlyone", true, "", 0, "", "onlyone"},
        LineCase{"DoubleBlankGivesAnEmptyWord", "a  b c", true, "a", 0, "b", "c"},
        LineCase{"PortReadAsLeadingNumber", "h 80x u p", true, "h", 80, "u", "p"},
        LineCase{"PortOutOfIntRangeIsZero", "h 99999999999999 u p", true, "h", 0, "u", "p"},
        LineCase{"LongWordsAreCut",
                 std::string(200, 'a') + " 1 " + std::string(20, 'u') + " " + std::string(10, 'p') + " " +
                     std::string(10, 'q'),
                 true, std::string(127, 'a'), 1, std::string(15, 'u'), std::string(10, 'p') + " qqqq"}),
    [](const ::testing::TestParamInfo<LineCase>& info) { return std::string(info.param.name); });

TEST(CommandLineJoin, ArgumentsJoinedWithSingleBlanks)
{
    const char* argv[] = {"/usr/bin/clientk5", "192.168.0.10", "8000", "admin", "my pass"};
    EXPECT_EQ(JoinArguments(5, argv), "192.168.0.10 8000 admin my pass");
    EXPECT_EQ(JoinArguments(1, argv), "");
    ConnectRequest r;
    ASSERT_TRUE(ParseCommandLine(JoinArguments(5, argv), r));
    EXPECT_EQ(r.password, "my pass");
}

} // namespace
