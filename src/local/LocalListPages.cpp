#include "local/LocalSearchDlg.h"

void RegisterLocalListPages()
{
}
