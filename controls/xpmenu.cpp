#include "controls/xpmenu.h"

#include <QWidget>

TXPMenu::TXPMenu(QWidget* owner) : QObject(owner), Owner(owner) {}

TXPMenu::~TXPMenu() = default;

void TXPMenu::SetActive(bool value) {
    if (value == FActive) return;
    FActive = value;
}
