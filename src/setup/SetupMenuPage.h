// A tab menu of the setup window: a column of buttons on the left, laid out
// by its plan when it is built. A click selects the button and opens its
// page; a press on the menu's own background closes the pickers. Opening the
// menu opens its first page.
#pragma once

#include "platform/Wnd.h"
#include "setup/SetupMenuPlan.h"
#include "ui/SkinButton.h"

#include <QImage>
#include <array>
#include <vector>

class CRemoteSetupDlg;

class CSetupMenuPage : public Dialog
{
    Q_OBJECT
public:
    static constexpr int kMaxButtons = 11;

    CSetupMenuPage(SetupMenuKind kind, const SetupMenuCaps& caps);
    ~CSetupMenuPage() override;

    bool Create(CRemoteSetupDlg* pHost);
    bool OnInitDialog() override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void PostNcDestroy() override;

    // Button `id` clicked: it alone is selected, then its page opens.
    void OnMenuButton(int id);

    SetupMenuKind Kind() const { return m_kind; }
    const std::vector<SetupMenuButton>& Plan() const { return m_plan; }
    CSkinTextButton& Button(int index) { return m_buttons[static_cast<size_t>(index)]; }

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;

private:
    SetupMenuKind m_kind;
    std::vector<SetupMenuButton> m_plan;
    std::array<CSkinTextButton, kMaxButtons> m_buttons;
    CRemoteSetupDlg* m_pHost = nullptr;
    QImage m_bmpBack;
};
