// The connection-log viewer's printout: the shared log printing with this
// viewer's document name, title, boxes and rows (newest first, numbered as
// the list numbers them).
#pragma once

#include "local/LocalLogModel.h"
#include "ui/LogPrint.h"

// The job over rows built by BuildLocalLogRows; `rows` must outlive it.
LogPrintJob MakeConnectLogPrintJob(const std::vector<LocalLogRow>& rows, const std::string& title);
