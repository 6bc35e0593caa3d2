#include "local/LocalSearchDlg.h"

void RegisterLocalLogPages()
{
}
