// Small pieces the dialogs of editors/ share: named controls, the row of OK and Cancel, the
// box of the text to find, edits that show whether they take input, and the warning of a
// failed check.
#pragma once

#include <QComboBox>
#include <QPushButton>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <optional>
#include <string>

class QDialog;
class QHBoxLayout;
class QLabel;

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

// The table-design dialogs (create table, field definitions, field add and delete): named,
// captioned, modal, in Verdana of 12 pixels.
void SetUpDesignDialog(QDialog* dialog, const char* name, const QString& caption);

// The label of the table kind above a design dialog's controls (`LabelFileType`), in the
// button-shadow colour.
QLabel* KindLabel(const QString& text, QWidget* parent);

// OK (`BitBtn1`) and Cancel (`BitBtn2`) at the right end of a row, for the foot of a dialog.
QHBoxLayout* OkCancelRow(QWidget* parent, QPushButton*& ok, QPushButton*& cancel);

// The editable box of the text to find (`cbKeyvalue`): the search history, newest first, with
// its first entry chosen.
QComboBox* FindTextBox(QWidget* parent, int minimumWidth);

// Enables an edit with the window colour, or disables it with the button-face colour.
void SetEditEnabled(QWidget* edit, bool enabled);

// The bytes of a text the user typed; shows the code page's refusal and puts the focus on
// `focus` when a character cannot be held.
std::optional<std::string> TypedBytes(const QString& text, QWidget* focus);
// The warning box of a failed check (empty caption, warning icon, OK), then the focus to
// `focus` when given.
void Warn(const QString& text, QWidget* owner, QWidget* focus = nullptr);

}  // namespace dlg
