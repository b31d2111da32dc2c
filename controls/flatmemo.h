// A plain-text memo with a flat three-pixel border that lights up while the memo has the focus
// or the mouse is over it.
#pragma once

#include "controls/colors.h"
#include "controls/flatutilitys.h"

#include <QPlainTextEdit>
#include <QStringList>

enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

class TFlatMemo : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit TFlatMemo(QWidget* parent = nullptr);

    // The text with lines separated by CR LF; every character 0..255 is kept as it is
    // (unlike toPlainText(), which turns no-break spaces into blanks). SetText takes CR LF,
    // LF or CR as a line break.
    QString Text() const;
    void SetText(const QString& text);
    QStringList Lines() const;
    // Scroll bars shown always (the chosen ones) or never; lines wrap at the memo's width while
    // WordWrap is on (the default).
    TScrollStyle ScrollBars() const { return FScrollBars; }
    void SetScrollBars(TScrollStyle value);
    bool WordWrap() const { return lineWrapMode() != QPlainTextEdit::NoWrap; }
    void SetWordWrap(bool value) { setLineWrapMode(value ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap); }

    bool UseAdvColors() const { return FUseAdvColors; }
    void SetUseAdvColors(bool value);
    TAdvColors AdvColorFocused() const { return FAdvColorFocused; }
    void SetAdvColorFocused(TAdvColors value);
    TAdvColors AdvColorBorder() const { return FAdvColorBorder; }
    void SetAdvColorBorder(TAdvColors value);
    bool ParentColor() const { return FParentColor; }
    void SetParentColor(bool value);
    TColor ColorFocused() const { return FColorFocused; }
    void SetColorFocused(TColor value);
    TColor ColorBorder() const { return FColorBorder; }
    void SetColorBorder(TColor value);
    TColor ColorFlat() const { return FColorFlat; }
    void SetColorFlat(TColor value);
    // The background colour of the text, set by the border's look.
    TColor Color() const { return FColor; }
    bool MouseInControl() const { return FMouseInControl; }
    // True when the border shows its active look.
    bool ActiveLook() const;

    // Width of the flat border on every side.
    static constexpr int BorderWidth = 3;

protected:
    bool event(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void CalcAdvColors();
    void RedrawBorder();
    void SetColor(TColor value);
    void PaintBorder();

    bool FUseAdvColors = false;
    TAdvColors FAdvColorFocused = 10;
    TAdvColors FAdvColorBorder = 50;
    bool FParentColor = true;
    TColor FColorFocused = clWhite;
    TColor FColorBorder = 0x8396A0;
    TColor FColorFlat = 0xE1EAEB;
    bool FMouseInControl = false;
    TScrollStyle FScrollBars = ssNone;
    TColor FColor = clWindow;
};
