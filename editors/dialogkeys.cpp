#include "editors/dialogkeys.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QKeyEvent>

namespace {

class TDialogKeys : public QObject {
public:
    explicit TDialogKeys(QDialog* dialog) : QObject(dialog), Dialog(dialog) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress) return false;
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) return false;
        if (key->modifiers() & ~Qt::KeypadModifier) return false;
        auto* w = qobject_cast<QWidget*>(watched);
        if (auto* button = qobject_cast<QAbstractButton*>(w)) {
            button->click();
            return true;
        }
        if (auto* combo = qobject_cast<QComboBox*>(w); combo && combo->view() && combo->view()->isVisible())
            return false;  // Enter picks the item of an open list
        // As Tab would: the focus goes to the next control of the dialog.
        QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
        QCoreApplication::sendEvent(w ? w : static_cast<QWidget*>(Dialog), &tab);
        return true;
    }

private:
    QDialog* Dialog;
};

}  // namespace

void InstallDialogKeys(QDialog* dialog) {
    auto* keys = new TDialogKeys(dialog);
    for (QWidget* w : dialog->findChildren<QWidget*>()) w->installEventFilter(keys);
}
