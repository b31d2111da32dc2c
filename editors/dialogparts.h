// Small pieces the find, filter, sort, statistics and columns dialogs share.
#pragma once

#include <QComboBox>
#include <QPushButton>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <optional>
#include <string>

namespace dlg {

template <class T>
T* Named(T* w, const char* name) {
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

inline QPushButton* Button(const QString& text, QWidget* parent, const char* name) {
    auto* b = Named(new QPushButton(text, parent), name);
    b->setMinimumWidth(80);
    b->setAutoDefault(false);
    return b;
}

// A drop-down list (no typing) holding `items`.
inline QComboBox* DropDown(QWidget* parent, const char* name, const QStringList& items = {}) {
    auto* c = Named(new QComboBox(parent), name);
    c->addItems(items);
    c->setMaxVisibleItems(16);
    return c;
}

// The bytes of a text the user typed; shows the code page's refusal and puts the focus on
// `focus` when a character cannot be held.
std::optional<std::string> TypedBytes(const QString& text, QWidget* focus);
// The warning box of a failed check (empty caption, warning icon, OK), then the focus to
// `focus` when given.
void Warn(const QString& text, QWidget* owner, QWidget* focus = nullptr);

}  // namespace dlg
