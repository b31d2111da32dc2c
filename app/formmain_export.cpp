// Main window: export, save as and worksheet import.
#include "app/formmain.h"

void TFormMain::M1_IMPORTClick() {}
void TFormMain::M1_SAVEASClick() {}
void TFormMain::M1_EXPORTClick() {}
