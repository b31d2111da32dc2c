// Main window: editing, appending and inserting records in their forms.
#include "app/formmain.h"

void TFormMain::M6_EDITClick() {}
void TFormMain::M6_APPENDClick() {}
void TFormMain::M6_INSERTClick() {}
