// Main window: creating tables and adding or deleting fields of the open table.
#include "app/formmain.h"

void TFormMain::M1_NEWClick() {}
void TFormMain::M1_NEWFROMFILEClick() {}
void TFormMain::M6_FIELDADDClick() {}
void TFormMain::M6_FIELDMODIFYClick() {}
void TFormMain::M6_FIELDDELETEClick() {}
