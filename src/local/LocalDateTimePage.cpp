#include "local/LocalSearchDlg.h"

void RegisterLocalDateTimePage()
{
}
