// The event action pages of the Event tab: one Yes/No row per event kind,
// and on the action pages how long the action lasts. The notify page, the
// two action pages differ only in data: which bytes the rows edit, whether a
// duration and which one, the model row, the Attach Image button and whether
// Yes/No close the pickers. Each is a descriptor of this one class.
#pragma once

#include "setup/SetupPage.h"

#include <QString>

struct EventActionDesc
{
    int templateId = 0;
    // Rows 0-3 (4 bytes) and row 4, the latter only on images later than 4.6.
    SetupDb::Field rowField{};
    SetupDb::Field extRowField{};
    // The title id of row 4: 794 on the notify page, 797 where 794 titles the
    // duration.
    int row4TitleId = 797;
    // Row 6, shown only when `extraRowShown` says so; count 0: none.
    SetupDb::Field extraRowField{};
    bool (*extraRowShown)(const RecorderCaps& caps, SetupVersion version) = nullptr;
    // The action's duration (u32 seconds); count 0: no duration row.
    SetupDb::Field durationField{};
    // Yes and No close the window's pickers after writing.
    bool yesNoClosePickers = true;
    // Attach Image (482) from format 5 on, opening this page; 0: none.
    int attachImagePage = 0;
};

class CEventActionPage : public CSetupPage
{
    Q_OBJECT
public:
    static constexpr int kRowCount = 7; // 0-4 events, 5 duration, 6 model row
    static constexpr int kDurationRow = 5;
    static constexpr int kModelRow = 6;
    static constexpr int kFirstYesId = 550;
    static constexpr int kFirstNoId = 570;
    static constexpr int kFirstTitleId = 790;
    static constexpr int kDurationTitleId = 794;
    static constexpr int kDurationCellId = 795;
    static constexpr int kDurationUnitId = 796;
    static constexpr int kModelTitleId = 798;
    static constexpr int kAttachImageId = 482;
    static constexpr int kDurationSliderItem = 5;
    static constexpr int kPresetListItem = 0;
    static constexpr int kPresetCount = 10;
    static constexpr int kDurationMax = 999;

    explicit CEventActionPage(const EventActionDesc& desc);

    const EventActionDesc& Desc() const { return m_desc; }
    // Seconds of preset `index`; any other index is 5.
    static int PresetSeconds(int index);
    static QString PresetText(int index);

    // Whether row r is on the page (rows 0-6 as above).
    bool RowShown(int r) const;
    bool HasDuration() const { return m_desc.durationField.count != 0; }
    void OnYes(int r);
    void OnNo(int r);
    void OnDurationCell();
    void OnAttachImage();
    void OnListPicked(int nItemId, int nIndex) override;
    void OnSliderPicked(int nItemId, int nValue1, int nValue2, int nValue3) override;

    bool m_bEventRow5 = false;      // row 4 shown (later than 4.6)
    bool m_bDurationChoice = false; // the duration as a Yes/No pair, not presets
    bool m_bModelRow = false;
    CSkinLabel m_lblTitle[kRowCount];
    CSkinTextButton m_btnYes[kRowCount];
    CSkinTextButton m_btnNo[kRowCount];
    CSkinLabel m_lblDuration;
    CSkinLabel m_lblUnit;
    CSkinTextButton m_btnAttach;

protected:
    void BuildPage() override;
    bool OnCommand(int id, WORD code) override;
    void DrawExtra(QPainter& p) override;

private:
    // The image byte of event row r (0-4, 6).
    std::uint32_t RowOffset(int r) const;
    std::uint32_t Duration() const;
    void SetDuration(std::uint32_t seconds);
    QString DurationCaption(std::uint32_t seconds) const;
    bool IsEventRow(int r) const { return r >= 0 && r < kRowCount && r != kDurationRow; }

    const EventActionDesc m_desc;
    QImage m_bmpRowBar;
};

// The notify page (186), action A (187) and action B (188).
const EventActionDesc& EventNotifyDesc();
const EventActionDesc& EventActionADesc();
const EventActionDesc& EventActionBDesc();
