// The main window as the connect dialog and the address book see it: the
// password rule of the settings file, the data folder, the clock and the
// skinned message box.
#include "app/ClientDlg.h"

#include "app/NotifyTable.h"
#include "app/SkinMessageDlg.h"

int CClientDlg::RunMessageBox(QWidget* over, const BookMessage& message)
{
    MessageBoxContent content;
    content.lineCount = message.lineCount;
    content.text = message.text;
    content.width = message.width;
    content.buttonMode =
        message.buttons == BookMessage::OkOnly ? NOTIFY_BUTTONS_OK : NOTIFY_BUTTONS_OK_CANCEL;
    const int result = RunSkinMessageBox(over ? over : this, m_arrOpacity[8], content);
    return result == kNotifyBoxOk ? kBookMessageOk : kBookMessageCancel;
}

std::uint32_t CClientDlg::Now() const
{
    return static_cast<std::uint32_t>(m_deps.now());
}
