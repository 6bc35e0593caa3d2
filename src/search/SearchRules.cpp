#include "search/SearchRules.h"

#include "ui/ChannelRows.h"

#include <algorithm>
#include <cstring>

SearchTab InitialSearchTab(const SearchRights& rights, const PlayHandOver& handOver, bool& closeNow)
{
    closeNow = false;
    if (!rights.connected)
        return SearchTab::None;
    if (!rights.search) {
        if (rights.transferRunning) {
            closeNow = true;
            return SearchTab::None;
        }
        return SearchTab::Backup;
    }
    return handOver.active && handOver.fromLog ? SearchTab::Log : SearchTab::Search;
}

std::array<bool, 4> SearchTabsEnabled(const SearchRights& rights)
{
    if (!rights.connected)
        return {true, true, true, true};
    const bool backup = rights.backup && !(rights.search && rights.transferRunning);
    if (!rights.search)
        return {false, true, false, false};
    return {true, backup, true, true};
}

std::uint32_t AllCamerasMask(int channels)
{
    channels = std::clamp(channels, 0, 32);
    return channels >= 32 ? 0xFFFFFFFFu : ((1u << channels) - 1u);
}

std::uint32_t InitialChannelMask(const PlayHandOver& handOver, int channels)
{
    return handOver.active ? handOver.channelMask : AllCamerasMask(channels);
}

SearchView SearchTabFirstView(const PlayHandOver& handOver, bool& forget)
{
    forget = false;
    if (!handOver.active)
        return SearchView::DateTime;
    if (handOver.fromLog) {
        forget = true;
        return SearchView::DateTime;
    }
    if (handOver.view == 1)
        return SearchView::Event;
    if (handOver.view == 2)
        return SearchView::Timeline;
    return SearchView::DateTime;
}

int LogTabFirstView(const PlayHandOver& handOver, bool& forget)
{
    forget = false;
    if (!handOver.active)
        return 0;
    if (handOver.fromLog != 1) {
        forget = true;
        return 0;
    }
    return handOver.logPage == 1 ? 1 : 0;
}

int CameraRowCount(bool connected, int channels)
{
    if (!connected)
        return 16;
    return channels == 4 || channels == 8 ? channels : 16;
}

std::uint32_t ApplyCameraOnOff(std::uint32_t mask, const ChannelRows& rows, int row, bool on)
{
    rows.Apply(row, [&](int i) {
        if (on)
            mask |= 1u << i;
        else
            mask &= ~(1u << i);
    });
    return mask;
}

bool ArchiveGateNeedsPrompt(bool connected, int userIndex)
{
    return connected && userIndex == 0;
}

bool ArchiveGateOpen(const ArchiveGateInput& in)
{
    if (!ArchiveGateNeedsPrompt(in.connected, in.userIndex))
        return true;
    if (!in.promptOk || !in.loggedIn || !in.searchRight)
        return false;
    const std::size_t n = strnlen(in.archivePass.data(), 8);
    return in.typed == std::string(in.archivePass.data(), n);
}

int SearchListCount(int count)
{
    return std::clamp(count, 0, kSearchListMaxCells);
}

int SearchListInnerHeight(int count, bool fourPerRow)
{
    count = SearchListCount(count);
    return fourPerRow ? (count / 4 + 1) * 21 : count * 21;
}

PopupRect PopupWindowRect(const PopupAnchor& anchor, int width, int innerHeight)
{
    return {anchor.left + anchor.clickX - width / 2 + 1, anchor.top + anchor.clickY + 1, width,
            innerHeight + 10};
}

PopupRect SearchListCellRect(int i, int width, bool fourPerRow)
{
    if (!fourPerRow)
        return {width / 4, 9 + 21 * i, width * 5 / 8, 14};
    const int cw = (width - 13) / 4;
    const int c = i % 4;
    return {13 + c * (cw + 1), 9 + 21 * (i / 4), cw - 16, 14};
}

PopupRect KeepOnScreen(const PopupRect& rect, const PopupRect& screen)
{
    PopupRect out = rect;
    if (screen.width <= 0 || screen.height <= 0)
        return out;
    if (out.x + out.width > screen.x + screen.width)
        out.x = screen.x + screen.width - out.width;
    if (out.y + out.height > screen.y + screen.height)
        out.y = screen.y + screen.height - out.height;
    out.x = std::max(out.x, screen.x);
    out.y = std::max(out.y, screen.y);
    return out;
}

TimeOfDay ClampTimeResult(int hour, int minute, int second)
{
    TimeOfDay t{std::clamp(hour, 0, 24), std::clamp(minute, 0, 59), std::clamp(second, 0, 59)};
    if (t.hour == 24)
        t.minute = t.second = 0;
    return t;
}
