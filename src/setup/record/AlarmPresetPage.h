// The alarm preset page: for each of the first eight sensors four entries of
// camera, action and preset number. Cameras and actions come from the list
// picker, preset numbers are typed and stored when their box loses the focus
// (or, for a box still being typed in, before the sensor changes and before
// the page goes). Back returns to the sensor record page.
#pragma once

#include "setup/SetupPage.h"
#include "setup/record/AlarmPreset.h"
#include "ui/SkinEdit.h"

#include <QString>
#include <vector>

class CAlarmPresetPage : public CSetupPage
{
    Q_OBJECT
public:
    static constexpr int kTabs = 8;
    static constexpr int kFirstTabId = 550;
    static constexpr int kFirstCellId = 790; // 790-793 cameras, 794-797 actions
    static constexpr int kFirstRowLabelId = 798;
    static constexpr int kFirstPresetId = 530;
    static constexpr int kBackId = 482;
    static constexpr int kPickerWidth = 150;

    CAlarmPresetPage();

    void SelectSensor(int s);
    // Cells 0-3 cameras, 4-7 actions.
    void OpenCellPicker(int c);
    void OnListPicked(int nItemId, int nIndex) override;
    void OnPresetKillFocus(int k);
    void OnBack();

    int Sensor() const { return m_nSensor; }
    bool IsExtended() const { return m_bExtended; }
    CSkinLabel& Cell(int c) { return m_rowLabel[c < 0 || c > 7 ? 0 : c]; }
    CSkinLabel& RowLabel(int k) { return m_rowLabel[8 + (k < 0 || k > 3 ? 0 : k)]; }
    const std::vector<QString>& CameraItems() const { return m_cameraItems; }
    const std::vector<QString>& ActionItems() const { return m_actionItems; }

    CSkinTextButton m_btnTab[kTabs];
    CDigitEdit m_editPreset[AlarmPreset::kEntries];
    CSkinTextButton m_btnBack;

protected:
    void BuildPage() override;
    bool OnCommand(int id, WORD code) override;
    void OnTeardown() override;

private:
    QString CameraText(int v) const;
    QString ActionText(int v) const;
    void StorePreset(int k);
    // Boxes typed in but not yet left are stored for the shown sensor.
    void FlushTypedPresets();

    int m_nSensor = 0;
    bool m_bExtended = false;
    std::vector<QString> m_cameraItems; // no camera, camera 1-16
    std::vector<QString> m_actionItems; // the three actions
};
