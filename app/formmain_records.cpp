// Main window: the record commands (deletion marks, removal, truncate, zap, select all,
// the deleted-rows views, append from a file) and the clipboard's copy, cut and paste.
#include "app/formmain.h"

void TFormMain::M3_COPYClick() {}
void TFormMain::M3_CUTClick() {}
void TFormMain::M3_PASTEClick() {}
void TFormMain::M3_SELALLRECClick() {}
void TFormMain::M6_APPENDFClick() {}
void TFormMain::M6_DELETEClick() {}
void TFormMain::M6_DELETERECClick() {}
void TFormMain::M6_DELETEBYDELFLAGClick() {}
void TFormMain::M6_SETALLDELFLG_TClick() {}
void TFormMain::M6_SETALLDELFLG_FClick() {}
void TFormMain::M6_TRUNCATEClick() {}
void TFormMain::M6_ZAPClick() {}
void TFormMain::M2_HIDEDELRECClick() {}
void TFormMain::M2_SHOWDELRECClick() {}
