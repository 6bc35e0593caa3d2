// The Info tab's two read-only lists: the recorder's status (from its
// answer) and what the connection knows of the recorder.
#pragma once

#include "search/RemoteLog.h"
#include "search/SearchPage.h"
#include "ui/SkinListCtrl.h"

class CInfoListPage : public CSearchPage
{
    Q_OBJECT
public:
    CInfoListPage(CRemoteSearchDlg& host, SearchSlot slot);
    void OnInitPage() override;
    CSkinListCtrl m_lstInfo;
};

void RegisterInfoPages();
