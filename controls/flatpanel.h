// A panel with a one-pixel two-colour frame, a caption and an optional see-through look.
#pragma once

#include "controls/alignment.h"
#include "controls/colors.h"

#include <QString>
#include <QWidget>

class TFlatPanel : public QWidget {
    Q_OBJECT
public:
    explicit TFlatPanel(QWidget* parent = nullptr);

    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool value);
    TColor ColorHighLight() const { return FColorHighLight; }
    void SetColorHighLight(TColor value);
    TColor ColorShadow() const { return FColorShadow; }
    void SetColorShadow(TColor value);
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment value);
    // The fill colour; with ParentColor the parent's.
    TColor Color() const;
    void SetColor(TColor value);
    bool ParentColor() const { return FParentColor; }
    void SetParentColor(bool value);
    QString Caption() const { return FCaption; }
    void SetCaption(const QString& value);

    QSize sizeHint() const override { return QSize(185, 41); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    bool FTransparent = false;
    TColor FColorHighLight = 0x8396A0;
    TColor FColorShadow = 0x8396A0;
    TAlignment FAlignment = taCenter;
    TColor FColor = clBtnFace;
    bool FParentColor = true;
    QString FCaption;
};
