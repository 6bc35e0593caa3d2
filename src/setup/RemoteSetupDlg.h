// The remote setup window: a modal skinned dialog with four tabs and their
// menus, one page at a time in its page area, and the list and slider
// pickers that its pages open. It edits the main window's image in place:
// the multi-byte fields are turned to host order when it opens and back to
// network order on OK, which ends it with IDOK so that the main window sends
// the image; Cancel, Close and a posted WM_CLOSE end it with IDCANCEL and
// nothing is sent.
#pragma once

#include "platform/Wnd.h"
#include "setup/RecorderCaps.h"
#include "setup/RecorderLink.h"
#include "setup/SetupImage.h"
#include "setup/SetupPageRegistry.h"
#include "ui/PickerRequests.h"
#include "ui/SkinButton.h"

#include <QImage>
#include <QPointer>
#include <array>
#include <map>

class CListPickerPopup;
class CMotionGridStatic;
class CSetupMenuPage;
class CSetupPage;
class CSliderPickerPopup;
class QPainter;

// What the window needs of the main window.
class ISetupHost
{
public:
    // WM_NOTIFY_EVENT to the main window (code << 16 | sub), the box over `owner`.
    virtual void PostNotifyToMain(WndHandle owner, int code, int sub) = 0;
    // The channel's current picture under the grid (1), or nothing (0): the
    // copy is taken under the channel's lock by the main window.
    virtual int GrabStillForMotionGrid(CMotionGridStatic* grid, int channel)
    {
        (void)grid;
        (void)channel;
        return 0;
    }

protected:
    ~ISetupHost() = default;
};

class CRemoteSetupDlg : public Dialog, public IPickerHost
{
    Q_OBJECT
public:
    static constexpr int kWidth = 618;
    static constexpr int kHeight = 546;
    static constexpr int kIdTabFirst = 430; // 430-433: Display, Rec, System, Event
    static constexpr int kIdClose = 435;
    static constexpr int kIdOk = 1;
    static constexpr int kIdCancel = 2;

    // `image` is the main window's buffer of kImageSize bytes, in network
    // order; the window keeps the pointer for its whole life.
    CRemoteSetupDlg(QWidget* pParent, std::uint8_t* image, BYTE nOpacity, const RecorderCaps& caps,
                    RecorderLink link = RecorderLink(), ISetupHost* pHost = nullptr,
                    const CSetupPageRegistry* pRegistry = nullptr);
    ~CRemoteSetupDlg() override;

    bool OnInitDialog() override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void OnOK();
    void OnCancel();
    // Neither ended (OK, Cancel, the session's close) nor destroyed.
    bool Stands() const;

    // Tabs 0-3 (Display, Rec, System, Event).
    void OnTab(int index);
    int CurrentTab() const { return m_nCurTab; }
    CSetupMenuPage* Menu(int index) const;

    // --- Pages ----------------------------------------------------------------
    // The opener of every page: closes the pickers and every other page, then
    // shows the page (made and created when it is not open yet). Returns the
    // page, or null when no page class is registered for the id or the
    // window ended while the old page was being torn down.
    CSetupPage* ShowPage(int templateId, const SetupPageArgs& args = {});
    CSetupPage* Page(int templateId) const;
    CSetupPage* CurrentPage() const;
    // Closes the pickers first (a slider reports to a page still open), then
    // hides, tears down and destroys every page but `keep`.
    void ShowOnlyPage(CSetupPage* keep);
    void ShowClientAccountPage(int bReturning, int nUser);
    void ShowAccountChannelPage(int nUser);
    void ShowMailSchedulePage(int nMailMode);
    // Openers no menu of a served-model recorder offers.
    void ShowSpotSequencePage();
    void ShowEmptyPage();
    void OnPageGone(CSetupPage* page);
    void OnMenuGone(CSetupMenuPage* menu);

    // --- Pickers --------------------------------------------------------------
    void OpenListPicker(CSetupPage* pOwnerPage, int nItemId, const ListPickerRequest* pRequest,
                        int nColumnsMode);
    void OpenSliderPicker(CSetupPage* pOwnerPage, int nItemId, const SliderPickerRequest* pRequest,
                          int bTimeMode);
    void ClosePickers();
    CListPickerPopup* ListPicker() const { return m_pListPicker; }
    CSliderPickerPopup* SliderPicker() const { return m_pSliderPicker; }
    void OnListPicked(QWidget* pOwner, int nItemId, int nIndex) override;
    void OnSliderPicked(QWidget* pOwner, int nItemId, int nValue1, int nValue2, int nValue3) override;
    void OnPickerGone(Wnd* pPopup) override;

    // --- Services of the pages ------------------------------------------------
    ImageRef Image() const { return ImageRef(m_pSetupDb, SetupDb::kImageSize); }
    const RecorderCaps& Caps() const { return m_caps; }
    const RecorderLink& Link() const { return m_link; }
    SetupVersion Version() const { return {m_nMajor, m_nMinor}; }
    ISetupHost* SetupHost() const { return m_pHost; }
    // A 19-pixel section bar of the three bar bitmaps.
    void DrawSectionBar(QPainter& p, int x, int y, int nWidth) const;
    // Without sub product 6 every channel; with it only the channels the four
    // audio inputs record.
    bool IsAudioInputChannel(int nChannel) const;

    std::uint8_t* m_pSetupDb;
    BYTE m_nOpacity;
    int m_nMajor = 0;
    int m_nMinor = 0;
    int m_nTimeDelay = 0;
    BYTE m_bSubProduct6 = 0;
    BYTE m_bChannelLock = 0;
    BYTE m_bServedModel = 0;

    CSkinButton m_btnTab[4];
    CSkinTextButton m_btnOK;
    CSkinTextButton m_btnCancel;
    CSkinButton m_btnClose;

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;

private:
    void DestroyPage(CSetupPage* page);

    RecorderCaps m_caps;
    RecorderLink m_link;
    ISetupHost* m_pHost;
    const CSetupPageRegistry& m_registry;
    std::array<CSetupMenuPage*, 4> m_arrMenu{};
    std::map<int, CSetupPage*> m_arrPage; // open pages by template id
    CListPickerPopup* m_pListPicker = nullptr;
    CSliderPickerPopup* m_pSliderPicker = nullptr;
    int m_nCurTab = -1;
    bool m_bEnded = false; // OK or Cancel (or the session's close) has ended the window
    QImage m_bmpBack;
    std::array<QImage, 3> m_bmpBar;
};
