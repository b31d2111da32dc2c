// Main window: find, find next, replace, the quick search, filter, sorting, statistics and
// the columns dialog.
#include "app/formmain.h"

void TFormMain::M3_FINDClick() {}
void TFormMain::M3_FINDNEXTClick() {}
void TFormMain::M3_REPLACEClick() {}
void TFormMain::M6_FILTERClick() {}
void TFormMain::M6_DOFILTERClick() {}
void TFormMain::M2_COLUMNSClick() {}
void TFormMain::M4_STATClick() {}
void TFormMain::M4_AdSortClick() {}
void TFormMain::TB_QUICKFINDClick() {}
