// Pages that are a short column of settings, one per row: a caption and a
// value cell that opens a list, a slider with its value text, or an On/Off
// pair. Rows may be offered only to some recorders; the rows shown close up.
// The ETC., auto delete and Smart pages are descriptors of this one class.
#pragma once

#include "setup/SetupPage.h"
#include "setup/TextTable.h"
#include "ui/SkinSlider.h"

#include <QRect>
#include <vector>

struct SettingRowDesc
{
    enum class Kind
    {
        List,   // value cell; the list of `values` in value order
        Slider, // slider 0-99 and a value label
        Pair,   // On (writes 1) and Off (writes 0); shows On only for a stored 1
    };
    Kind kind = Kind::List;
    SetupDb::Field field{};
    int caption = 0; // string id; 0: `fixedCaption` or none
    const char* fixedCaption = nullptr;
    QRect captionRect;
    QRect valueRect; // value cell, or the slider's value label
    // List: one text per value, each a row of string ids joined by spaces.
    std::vector<std::vector<int>> values;
    int listWidth = 140;
    // Slider.
    QRect sliderRect;
    int sliderChannel = 0;
    int sliderActive = 0;
    int zeroText = 5243; // shown for 0
    int unitText = 0;    // "%d %s" or "%02d %s" of the value and this text
    bool twoDigits = false;
    // Pair: left (On) and right (Off) buttons.
    int onCaption = 5344;
    int offCaption = 5340;
    int xOn = 160;
    int xOff = 261;
    int yPair = 6;
    // The pair's control ids are 550 + n and 570 + n; -1: n is the row.
    // CSettingRowsPage::PairId gives them, to the buttons and the handler.
    int pairNumber = -1;
    // Who gets the row; null: every recorder.
    bool (*offered)(const RecorderCaps& caps, SetupVersion version) = nullptr;
};

struct SettingRowsDesc
{
    int templateId = 0;
    int background = 1751;
    std::vector<SettingRowDesc> rows;
    // Shown rows move up into the places of hidden ones.
    bool closeUp = false;
    // A bar behind each shown row k: `barFirst` moved down 23 pixels a row.
    int barBitmap = 0;
    QRect barFirst;
    bool closePickersOnPress = true;
};

class CSettingRowsPage : public CSetupPage
{
    Q_OBJECT
public:
    static constexpr int kMaxRows = 4;
    static constexpr int kFirstCaptionId = 790;
    static constexpr int kFirstSliderId = 510;
    static constexpr int kFirstOnId = 550;
    static constexpr int kFirstOffId = 570;

    explicit CSettingRowsPage(const SettingRowsDesc& desc);

    const SettingRowsDesc& Desc() const { return m_desc; }
    bool RowShown(int row) const { return row >= 0 && row < RowCount() && m_shown[row]; }
    int RowCount() const { return static_cast<int>(m_desc.rows.size()); }
    // The text a row shows for a stored value.
    QString ValueText(int row, int value) const;
    void OpenRowList(int row);
    void OnListPicked(int nItemId, int nIndex) override;
    void OnPair(int row, bool on);
    void OnSliderMoved(int row);
    // The control id of row `row`'s On (or Off) button: the buttons get it
    // and OnCommand answers to it, so the two cannot drift apart.
    int PairId(int row, bool on) const;

    CSkinLabel m_lblCaption[kMaxRows];
    CSkinLabel m_lblValue[kMaxRows];
    CSkinSlider m_slider[kMaxRows];
    CSkinTextButton m_btnOn[kMaxRows];
    CSkinTextButton m_btnOff[kMaxRows];

    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

protected:
    void BuildPage() override;
    bool OnCommand(int id, WORD code) override;
    void DrawExtra(QPainter& p) override;

private:
    int SliderRow(int id) const;
    int PairNumber(int row) const;
    const SettingRowsDesc m_desc;
    std::vector<TextTable> m_texts; // per list row
    bool m_shown[kMaxRows] = {};
    QImage m_bmpBar;
};

const SettingRowsDesc& EtcSetupDesc();
const SettingRowsDesc& AutoDeleteDesc();
const SettingRowsDesc& SmartSetupDesc();
