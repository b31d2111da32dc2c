#include "editors/dialogparts.h"

#include "common/bytetext.h"
#include "common/findhistory.h"
#include "common/msgbox.h"
#include "controls/colors.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>

namespace dlg {

void SetUpDesignDialog(QDialog* dialog, const char* name, const QString& caption) {
    dialog->setObjectName(QLatin1String(name));
    dialog->setWindowTitle(caption);
    dialog->setModal(true);
    QFont font(QStringLiteral("Verdana"));
    font.setPixelSize(12);
    dialog->setFont(font);
}

QLabel* KindLabel(const QString& text, QWidget* parent) {
    auto* label = Named(new QLabel(text, parent), "LabelFileType");
    QPalette shadow = label->palette();
    shadow.setColor(QPalette::WindowText, ToQColor(clBtnShadow));
    label->setPalette(shadow);
    return label;
}

QHBoxLayout* OkCancelRow(QWidget* parent, QPushButton*& ok, QPushButton*& cancel) {
    ok = Button(QStringLiteral("OK"), parent, "BitBtn1");
    cancel = Button(QStringLiteral("Cancel"), parent, "BitBtn2");
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(ok);
    row->addWidget(cancel);
    return row;
}

QComboBox* FindTextBox(QWidget* parent, int minimumWidth) {
    auto* box = Named(new QComboBox(parent), "cbKeyvalue");
    vx::MakeSearchTextBox(box);
    box->addItems(vx::FindHistoryTexts());
    box->setCurrentIndex(box->count() ? 0 : -1);
    box->setMinimumWidth(minimumWidth);
    return box;
}

void SetEditEnabled(QWidget* edit, bool enabled) {
    edit->setEnabled(enabled);
    QPalette p = edit->palette();
    p.setColor(QPalette::Base, ToQColor(enabled ? clWindow : clBtnFace));
    edit->setPalette(p);
}

void Warn(const QString& text, QWidget* owner, QWidget* focus) {
    MsgBox(QString(), text, TMsgBoxIcon::Warning, TMsgBoxButtons::OK, false, false, 30, 30, owner);
    if (focus) focus->setFocus();
}

std::optional<std::string> TypedBytes(const QString& text, QWidget* focus) {
    QString bad;
    std::optional<std::string> bytes = TryTextToBytes(text, &bad);
    if (!bytes) Warn(CannotHoldMessage(bad), focus ? focus->window() : nullptr, focus);
    return bytes;
}

}  // namespace dlg
