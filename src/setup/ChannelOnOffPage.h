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
};

class CChannelOnOffPage : public CSetupPage
{
    Q_OBJECT
public:
    static constexpr int kFirstOnId = 550;
    static constexpr int kFirstOffId = 570;
    static constexpr int kBackId = 482;
    static constexpr int kFirstTabId = 470;

    explicit CChannelOnOffPage(const ChannelOnOffDesc& desc);

    const ChannelOnOffDesc& Desc() const { return m_desc; }
    // Row r's buttons pressed: r, or every checked row with it, gets 1 or 0.
    void OnRowOn(int r) { SetRows(r, 1); }
    void OnRowOff(int r) { SetRows(r, 0); }
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
