#include "local/LocalSearchDlg.h"

void RegisterLocalCalendarPages()
{
}
