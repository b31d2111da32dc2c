// A flat progress bar drawn as a row of blocks or as one smooth bar.
#pragma once

#include "controls/colors.h"
#include "controls/flatutilitys.h"

#include <QRect>
#include <QSize>
#include <QWidget>

#include <vector>

// Geometry of the bar's elements, measured on the client area.
namespace FlatProgress {
// The length along the orientation that block mode snaps the control to: whole blocks plus
// the 3-pixel frame allowance, never below 12.
int SnapLength(int length, int elementWidth);
// Number of blocks that fit the client length.
int BlockTotal(int clientLength, int elementWidth);
// Number of blocks drawn for Position; none when Max is not above Min or Position is below Min.
int BlockFilled(int position, int min, int max, int total);
// The rectangles of the first Filled blocks.
std::vector<QRect> BlockRects(QSize client, TProgressBarOrientation orientation, int elementWidth, int filled);
// The filled rectangle of smooth mode; empty when nothing is filled or Max is not above Min.
QRect SmoothRect(QSize client, TProgressBarOrientation orientation, int position, int min, int max);
}  // namespace FlatProgress

class TFlatProgressBar : public QWidget {
    Q_OBJECT
public:
    explicit TFlatProgressBar(QWidget* parent = nullptr);

    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool value);
    bool Smooth() const { return FSmooth; }
    void SetSmooth(bool value);
    bool UseAdvColors() const { return FUseAdvColors; }
    void SetUseAdvColors(bool value);
    TAdvColors AdvColorBorder() const { return FAdvColorBorder; }
    void SetAdvColorBorder(TAdvColors value);
    TProgressBarOrientation Orientation() const { return FOrientation; }
    void SetOrientation(TProgressBarOrientation value);
    TColor ColorElement() const { return FColorElement; }
    void SetColorElement(TColor value);
    TColor ColorBorder() const { return FColorBorder; }
    void SetColorBorder(TColor value);
    int Position() const { return FPosition; }
    void SetPosition(int value);
    int Min() const { return FMin; }
    void SetMin(int value);
    int Max() const { return FMax; }
    void SetMax(int value);
    int Step() const { return FStep; }
    void SetStep(int value);
    // The fill colour; with ParentColor the parent's.
    TColor Color() const;
    void SetColor(TColor value);
    bool ParentColor() const { return FParentColor; }
    void SetParentColor(bool value);
    int ElementWidth() const { return FElementWidth; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void CalcAdvColors();
    void SnapSize();

    bool FTransparent = false;
    bool FSmooth = false;
    bool FUseAdvColors = false;
    TAdvColors FAdvColorBorder = 50;
    TProgressBarOrientation FOrientation = pbHorizontal;
    int FElementWidth = 8;
    TColor FColorElement = 0x996633;
    TColor FColorBorder = 0x8396A0;
    int FPosition = 0;
    int FMin = 0;
    int FMax = 100;
    int FStep = 10;
    TColor FColor = clBtnFace;
    bool FParentColor = true;
};
