// The local setup window: a modal skinned frame that edits the main window's
// edit copy of the local settings (LocalSetupRecord). A menu on the left
// opens one page at a time (Global, Opacity, Audio buffer, Camera Name,
// Deinterlace); the Global page offers its choices in a list pop-up. Pages
// write every change straight into the record; OK ends the run with
// kModalOk (the main window applies and saves the record), Cancel and Close
// with kModalCancel (the main window refills it).
//
// Pages are built anew on every visit and keep no state of their own; a page
// clears its slot in the frame the moment it is destroyed, so a pick of a
// pop-up whose page has gone cannot reach anything.
#pragma once

#include "app/LocalSettings.h"
#include "app/LocalSetupModel.h"
#include "platform/Wnd.h"
#include "ui/ListPickerPopup.h"
#include "ui/PickerRequests.h"
#include "ui/SkinButton.h"
#include "ui/SkinLabel.h"

#include <QImage>
#include <QPointer>
#include <functional>
#include <memory>
#include <vector>

class CLocalSetupDlg;
class CLocalGlobalPage;
class CLocalSliderRowsPage;
class CLocalCameraNamePage;
class CLocalDeinterlacePage;
class CLocalListPickerPopup;
class CLocalSetupMenuPage;

// What the local setup window reads of the main window.
class ILocalSetupHost
{
public:
    virtual ~ILocalSetupHost() = default;
    // The video grid's view mode: 0 idle, 1 live, 2 remote, 3 local playback.
    virtual int VideoViewMode() const = 0;
    virtual bool ReadOnlyMedia() const = 0;
    // A two-line notice over `over` (a skinned message box with OK).
    virtual void ShowNotice(QWidget* over, const QString& first, const QString& second) = 0;
};

// The folder browser: false when the user cancelled. Tests replace it.
using FolderChooser =
    std::function<bool(QWidget* parent, const QString& title, const QString& start, QString* chosen)>;
FolderChooser DefaultFolderChooser();

// The base of the local pages and the menu: a child of the frame that
// clears its slot in the frame when destroyed and deletes itself afterwards.
class CLocalPage : public Dialog
{
    Q_OBJECT
public:
    explicit CLocalPage(CLocalSetupDlg* host);
    bool DestroyWindow() override;
    void PostNcDestroy() override;
    CLocalSetupDlg* Host() const { return m_pHost; }
    LocalSetupRecord& Record() const;

protected:
    void paintEvent(QPaintEvent* e) override;
    // Stretched over the page.
    QImage m_bmpBack;

private:
    CLocalSetupDlg* m_pHost;
};

class CLocalSetupDlg : public Dialog, public IPickerHost
{
    Q_OBJECT
public:
    static constexpr int kWidth = 618;
    static constexpr int kHeight = 546;
    static constexpr int kIdSet = 430;
    static constexpr int kIdOk = 1;
    static constexpr int kIdCancel = 2;
    static constexpr int kIdClose = 435;
    static constexpr QRect kPageRect{197, 83, 403, 417};

    CLocalSetupDlg(QWidget* pMainWnd, ILocalSetupHost* pHost, LocalSetupRecord* pRecord, BYTE nOpacity);
    ~CLocalSetupDlg() override;

    bool OnInitDialog() override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

    void OnSet();
    // Destroys every page but `keep` and the list pop-up (unless it is `keep`).
    void ShowOnlyPage(QWidget* keep);
    void ShowGlobalPage();
    void ShowOpacityPage();
    void ShowAudioBufferPage();
    void ShowDeinterlacePage();
    void ShowCameraNamePage();
    // The request is copied: the caller may build it on its stack.
    void OpenListPicker(QWidget* pOwnerPage, int nItemId, const ListPickerRequest* pRequest,
                        int nColumnsMode);
    void ClosePicker();
    // IPickerHost: a cell was picked (index -1: nothing); only the open
    // Global page hears it, never a page that has gone meanwhile.
    void OnListPicked(QWidget* pOwnerPage, int nItemId, int nIndex) override;
    void OnPickerGone(Wnd* pPopup) override;

    void SetFolderChooser(FolderChooser chooser) { m_chooseFolder = std::move(chooser); }
    const FolderChooser& FolderChooserFn() const { return m_chooseFolder; }
    ILocalSetupHost* SetupHost() const { return m_pSetupHost; }

    // Slots: null while the page does not exist.
    CLocalSetupMenuPage* m_pMenuPage = nullptr;
    CLocalGlobalPage* m_pGlobalPage = nullptr;
    CLocalSliderRowsPage* m_pOpacityPage = nullptr;
    CLocalSliderRowsPage* m_pAudioBufferPage = nullptr;
    CLocalDeinterlacePage* m_pDeinterlacePage = nullptr;
    CLocalCameraNamePage* m_pCameraNamePage = nullptr;
    CLocalListPickerPopup* m_pListPicker = nullptr;
    LocalSetupRecord* m_pRecord;
    BYTE m_nOpacity;

    CSkinButton m_btnSet;
    CSkinTextButton m_btnOk;
    CSkinTextButton m_btnCancel;
    CSkinButton m_btnClose;

    // A page or pop-up going away clears its slot.
    void ForgetChild(QWidget* child);

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;

private:
    template <typename Page, typename... Args> void OpenPage(Page*& slot, Args&&... args);

    ILocalSetupHost* m_pSetupHost;
    QImage m_bmpBack;
    FolderChooser m_chooseFolder;
};

class CLocalSetupMenuPage : public CLocalPage
{
    Q_OBJECT
public:
    static constexpr int kFirstButton = 450;
    static constexpr int kButtons = 5;
    explicit CLocalSetupMenuPage(CLocalSetupDlg* host);
    bool OnInitDialog() override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void OnMenuButton(int id);
    CSkinTextButton m_btnMenu[kButtons];
};

// The list pop-up of the local setup window: the shared list pop-up with the
// local rows (four columns always end with an empty row) and cell places.
class CLocalListPickerPopup : public CListPickerPopup
{
    Q_OBJECT
public:
    CLocalListPickerPopup(QWidget* pOwnerPage, int nItemId, const ListPickerRequest* pRequest,
                          int nColumnsMode, QWidget* pParent);

protected:
    int Rows() const override;
    PickerStrip StripRect(int i) const override;
    QRect CellRect(int i) const override;

private:
    LocalListLayout Layout() const;
};

// Runs a CLocalSetupDlg for the main window's LSetup button.
class IMainModalWindow;
std::unique_ptr<IMainModalWindow> MakeLocalSetupWindow(QWidget* pMainWnd, ILocalSetupHost* pHost,
                                                       LocalSetupRecord* pRecord, BYTE nOpacity,
                                                       CLocalSetupDlg** runningSlot);
