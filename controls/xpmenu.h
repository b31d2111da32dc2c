// The flat look of a form's menus, tool bars and controls: one painter per form, dropped on
// it like a component. While Active, the form's menus and the controls of the kinds it
// handles are painted flat; Active off gives every widget back its own look.
#pragma once

#include <QObject>

class QWidget;

class TXPMenu : public QObject {
    Q_OBJECT
public:
    // owner: the form (or frame) whose menus and controls are painted.
    explicit TXPMenu(QWidget* owner);
    ~TXPMenu() override;

    bool Active() const { return FActive; }
    void SetActive(bool value);

private:
    QWidget* Owner;
    bool FActive = false;
};
