#include "editors/dialogparts.h"

#include "app/bytetext.h"
#include "app/msgbox.h"

namespace dlg {

void Warn(const QString& text, QWidget* owner, QWidget* focus) {
    MsgBox(QString(), text, mbiWarning, mbbOK, false, false, 30, 30, owner);
    if (focus) focus->setFocus();
}

std::optional<std::string> TypedBytes(const QString& text, QWidget* focus) {
    QString bad;
    std::optional<std::string> bytes = TryTextToBytes(text, &bad);
    if (!bytes) Warn(CannotHoldMessage(bad), focus ? focus->window() : nullptr, focus);
    return bytes;
}

}  // namespace dlg
