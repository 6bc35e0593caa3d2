// PTZ request payloads, the channel answer, the channel choice and the
// senders on a fake connection.
#include "net/PtzRequests.h"
#include "net/Wire.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Sent
{
    std::uint16_t id;
    std::vector<std::uint8_t> payload;
};

class FakePtzConnection : public IPtzConnection
{
public:
    bool closed = false;
    std::vector<Sent> sent;
    CPtzState state;
    bool SendPtzMessage(std::uint16_t id, const void* payload, std::size_t length) override
    {
        if (closed)
            return false;
        const auto* p = static_cast<const std::uint8_t*>(payload);
        sent.push_back({id, std::vector<std::uint8_t>(p, p + length)});
        return true;
    }
    CPtzState& PtzState() override { return state; }
    int HelloAccount() const override { return 0; }
    std::uint32_t VideoLossMask() const override { return 0; }
    bool IsLiveOn() const override { return true; }
};

using Bytes = std::vector<std::uint8_t>;
Bytes B(const PtzPayload& p)
{
    return Bytes(p.begin(), p.end());
}

} // namespace

TEST(PtzPayload, MessageCodesOnTheWire)
{
    EXPECT_EQ(MessageCode(PTZ_CHANNEL_REQ), 0x8D00);
    EXPECT_EQ(MessageCode(PTZ_CHANNEL_ACK), 0x8D80);
    EXPECT_EQ(MessageCode(PTZ_MOVE_REQ), 0x8E00);
    EXPECT_EQ(MessageCode(PTZ_MOVE_STOP), 0x8E80);
}

TEST(PtzPayload, EveryDirectionInEveryMode)
{
    struct Case
    {
        int mode;
        unsigned direction;
        int command;
    };
    const Case cases[] = {
        {kPtzModePan, kPtzUp, 2},    {kPtzModePan, kPtzDown, 3},   {kPtzModePan, kPtzLeft, 1},
        {kPtzModePan, kPtzRight, 0}, {kPtzModeZoom, kPtzUp, 4},    {kPtzModeZoom, kPtzDown, 5},
        {kPtzModeZoom, kPtzLeft, 7}, {kPtzModeZoom, kPtzRight, 6}, {kPtzModePan, kPtzPreset, -1},
        {kPtzModeZoom, 99, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << c.mode << " direction " << c.direction);
        EXPECT_EQ(PtzMoveCommand(c.mode, c.direction), c.command);
        FakePtzConnection connection;
        connection.state.m_nPanelMode = c.mode;
        // A press sends the command, a release the stop with no payload.
        EXPECT_EQ(SendPtzMoveReq(connection, 0, c.direction), c.command >= 0);
        EXPECT_TRUE(SendPtzMoveReq(connection, 1, c.direction));
        if (c.command >= 0) {
            ASSERT_EQ(connection.sent.size(), 2u);
            EXPECT_EQ(connection.sent[0].id, PTZ_MOVE_REQ);
            EXPECT_EQ(connection.sent[0].payload, (Bytes{static_cast<std::uint8_t>(c.command), 0, 0, 0}));
        }
        EXPECT_EQ(connection.sent.back().id, PTZ_MOVE_STOP);
        EXPECT_TRUE(connection.sent.back().payload.empty());
    }
}

TEST(PtzPayload, PresetCommandsAndNumbers)
{
    struct Case
    {
        int action;
        int number;
        Bytes payload;
    };
    const Case cases[] = {
        {kPresetCall, 300, {0x09, 0x2C, 0x00, 0x01}},
        {kPresetSet, 1, {0x08, 0x01, 0x00, 0x00}},
        {kPresetLearnSet, 5, {0x0A, 0x05, 0x00, 0x00}},
        {kPresetLearnComplete, 5, {0x0B, 0x05, 0x00, 0x00}},
        {kPresetLearnCall, 255, {0x0C, 0xFF, 0x00, 0x00}},
        {kPresetCall, 256, {0x09, 0x00, 0x00, 0x01}},
        {kPresetTour, 4, {0x11, 0x04, 0x00, 0x00}},
        {kPresetCall, 999, {0x09, 0xE7, 0x00, 0x03}},
        {kPresetSet, 65535, {0x08, 0xFF, 0x00, 0xFF}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "action " << c.action << " number " << c.number);
        EXPECT_EQ(B(PtzPresetPayload(c.action, c.number)), c.payload);
        FakePtzConnection connection;
        EXPECT_TRUE(SendPtzPresetReq(connection, c.action, c.number));
        ASSERT_EQ(connection.sent.size(), 1u);
        EXPECT_EQ(connection.sent[0].id, PTZ_MOVE_REQ);
        EXPECT_EQ(connection.sent[0].payload, c.payload);
    }
    // The dome menu keys.
    EXPECT_EQ(B(PtzCommandPayload(kPtzDomeMenuAccess)), (Bytes{13, 0, 0, 0}));
    EXPECT_EQ(B(PtzCommandPayload(kPtzMenuEnter)), (Bytes{14, 0, 0, 0}));
    EXPECT_EQ(B(PtzCommandPayload(kPtzMenuEsc)), (Bytes{15, 0, 0, 0}));
    EXPECT_EQ(B(PtzCommandPayload(kPtzDomeMenuExit)), (Bytes{16, 0, 0, 0}));
}

TEST(PtzPayload, ChannelRequestCarriesTheChannelAndThePanelMode)
{
    EXPECT_EQ(B(PtzChannelPayload(3, kPtzModePan)), (Bytes{3, 0, 0, 0}));
    EXPECT_EQ(B(PtzChannelPayload(15, kPtzModeZoom)), (Bytes{15, 1, 0, 0}));
    FakePtzConnection connection;
    connection.state.m_nPtzChannel = 7;
    connection.state.m_nPanelMode = kPtzModeZoom;
    EXPECT_TRUE(SendPtzChannelReq(connection));
    ASSERT_EQ(connection.sent.size(), 1u);
    EXPECT_EQ(connection.sent[0].id, PTZ_CHANNEL_REQ);
    EXPECT_EQ(connection.sent[0].payload, (Bytes{7, 1, 0, 0}));
}

TEST(PtzPayload, ChannelAnswerNeedsAFirstByteOfOne)
{
    const std::uint8_t yes[] = {1, 0, 0, 0};
    const std::uint8_t no[] = {0};
    const std::uint8_t other[] = {2, 1};
    EXPECT_TRUE(PtzAckHasPtz(yes, sizeof yes));
    EXPECT_TRUE(PtzAckHasPtz(yes, 1));
    EXPECT_FALSE(PtzAckHasPtz(no, sizeof no));
    EXPECT_FALSE(PtzAckHasPtz(other, sizeof other));
    EXPECT_FALSE(PtzAckHasPtz(yes, 0)); // an empty answer: no PTZ
    EXPECT_FALSE(PtzAckHasPtz(nullptr, 0));

    // With the direction panel closed the answer changes nothing.
    CPtzState state;
    state.OnChannelAck(yes, sizeof yes);
    EXPECT_EQ(state.m_nPtzMode.load(), kPtzStateNoPanel);
}

TEST(PtzPayload, ChannelChoiceOnOpening)
{
    std::array<int, 16> identity{};
    for (int i = 0; i < 16; ++i)
        identity[static_cast<std::size_t>(i)] = i;
    std::array<int, 16> shifted = identity;
    shifted[0] = 3;
    shifted[1] = 9;
    struct Case
    {
        const char* name;
        int current;
        std::uint32_t visible;
        const std::array<int, 16>* cells;
        std::uint32_t loss;
        int expected;
    };
    const Case cases[] = {
        {"current visible with video", 2, 0x0004, &identity, 0, 2},
        // The mask is by cell: cell 1 shows channel 9, cell 0 channel 3.
        {"current shown in another cell", 9, 0x0003, &shifted, 0, 9},
        {"current's own cell number visible, the channel not", 0, 0x0001, &shifted, 0, 3},
        {"current shown in another cell without video", 9, 0x0003, &shifted, 1u << 9, 3},
        {"current not visible: first visible cell", 5, 0x0001, &shifted, 0, 3},
        {"current has no video", 2, 0x0007, &identity, 0x0004, 0},
        {"cells with video loss are passed over", 5, 0x0003, &shifted, 1u << 3, 9},
        {"nothing qualifies", 12, 0x0003, &shifted, (1u << 3) | (1u << 9), -1},
        {"nothing visible", 0, 0, &identity, 0, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ChoosePtzChannel(c.current, c.visible, *c.cells, c.loss), c.expected);
    }
}

TEST(PtzPayload, NothingGoesOutOnAClosedConnection)
{
    FakePtzConnection connection;
    connection.closed = true;
    EXPECT_FALSE(SendPtzChannelReq(connection));
    EXPECT_FALSE(SendPtzMoveReq(connection, 0, kPtzUp));
    EXPECT_FALSE(SendPtzPresetReq(connection, kPresetCall, 1));
    EXPECT_FALSE(SendPtzCommand(connection, kPtzMenuEnter));
    EXPECT_TRUE(connection.sent.empty());
}
