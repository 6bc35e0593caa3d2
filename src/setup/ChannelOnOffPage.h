// The per-channel On/Off page: one row per channel with an On and an Off
// button, the row rule, All Check and Return All, and optionally a back
// button. Pages that differ only in the byte field they edit, their texts,
// background and back button are descriptors of this one class.
#pragma once

#include "setup/SetupControls.h"
#include "setup/SetupPage.h"

struct ChannelOnOffDesc
{
    int templateId = 0;
    int background = 1721;
    // The 16 bytes edited: field element `channel`, or, when
    // `recordFromArgs`, byte `channel` of record args.a (for example one
    // user's row of a per-user table).
    SetupDb::Field field{};
    bool recordFromArgs = false;
    int onCaption = 5344;  // "On"
    int offCaption = 5340; // "Off"
    // A back button (482) to another page; 0: none. With `backWithArgs` the
    // back page gets {1, args.a} (return to the same record).
    int backCaption = 0;
    int backPage = 0;
    bool backWithArgs = false;
    // Who may change anything; null: everyone.
    bool (*canEdit)(const RecorderCaps& caps) = nullptr;
    // Pages with a row of tabs above the rows move them down.
    int rowOffsetY = 0;
    // Tabs over the records of `field` (ids 470 + t, at most four, 100 x 24
    // along the top): tab t edits record t. Every tab press clears the row
    // checks. The caption is "%s %d" of `tabCaption` and t + 1.
    int tabCount = 0;
    int tabCaption = 0;
    // Three-way pages: a third button (590 + r) stands for `thirdValue`, On
    // and Off for `onValue` and `offValue`, and a row shows only its exact
    // value selected (any other value selects none). Two-way pages show On
    // for a stored 1 and Off for everything else.
    int thirdCaption = 0; // 0: two-way
    int thirdValue = 0;
    int onValue = 1;
    int offValue = 0;
    int xOn = 135;
    int xOff = 236;
    int xThird = 0;
    int buttonWidth = 100;
    int buttonBitmap = 0; // 0: the choice pair's own bitmaps
    // Row labels "%s%02d" of this text and r + 1 (0: the channel text).
    int rowLabelText = 0;
    int xLabel = 28;
    int labelWidth = 60;
    // Rows at and beyond this stay hidden even when below the channel count;
    // they still follow All Check and the checked-row rule.
    int shownRows = 16;
};

class CChannelOnOffPage : public CSetupPage
{
    Q_OBJECT
public:
    static constexpr int kFirstOnId = 550;
    static constexpr int kFirstOffId = 570;
    static constexpr int kBackId = 482;
    static constexpr int kFirstTabId = 470;
    static constexpr int kFirstThirdId = 590;

    explicit CChannelOnOffPage(const ChannelOnOffDesc& desc);

    const ChannelOnOffDesc& Desc() const { return m_desc; }
    // Row r's buttons pressed: r, or every checked row with it, gets 1 or 0.
    void OnRowOn(int r) { SetRows(r, m_desc.onValue); }
    void OnRowOff(int r) { SetRows(r, m_desc.offValue); }
    void OnRowThird(int r) { SetRows(r, m_desc.thirdValue); }
    // What row r shows: 1 only for a stored 1.
    bool RowIsOn(int r) const;
    void OnBack();
    // Tab t shown: its record's rows, every row unchecked.
    void SelectTab(int t);
    int Tab() const { return m_nTab; }
    // Those who may not edit cannot tick rows in bulk either.
    void OnAllCheck() override;
    void OnReturnAll() override;

    CSetupTabBar m_tabs;
    CSkinTextButton m_btnOn[kRows];
    CSkinTextButton m_btnOff[kRows];
    CSkinTextButton m_btnThird[kRows];
    CSkinTextButton m_btnBack;

protected:
    void BuildPage() override;
    bool OnCommand(int id, WORD code) override;

protected:
    // The image byte of row `channel`; a page with tabs over several records
    // derives and chooses the record here.
    virtual std::uint32_t Offset(int channel) const;
    // Shows every row's pair from the image again (after a tab change).
    void ShowRows();

private:
    void SetRows(int r, int value);
    void ShowRow(int r, int value);
    bool ThreeWay() const { return m_desc.thirdCaption != 0; }
    bool CanEdit() const;

    const ChannelOnOffDesc m_desc;
    int m_nTab = 0;
};

// The camera covert page: Covert (72), one byte per channel.
const ChannelOnOffDesc& CameraCovertDesc();
// The sensor link page: four sensor tabs over the channels each sensor
// links, back to the sensor record page.
const ChannelOnOffDesc& SensorLinkDesc();
// The live channels of one account (args.a), editable by accounts 0 and 1;
// Prev returns to the account page with that account selected.
const ChannelOnOffDesc& AccountChannelDesc();
// The mail image page: a picture of the channel with the notification (6760).
const ChannelOnOffDesc& MailImageDesc();
// The sensor setup page: one of three kinds per sensor (3088), four sensors.
const ChannelOnOffDesc& SensorSetupDesc();
