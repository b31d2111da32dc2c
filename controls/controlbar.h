// A bar of bands, each band one child control (usually a tool bar) with a grip at its left
// edge, laid out left to right. The bands' painting can be taken over by a band-paint handler
// (the menu and control painter assigns one); without a handler each band shows the style's
// tool-bar handle as its grip.
#pragma once

#include <QWidget>

#include <functional>

class QHBoxLayout;

class TControlBar : public QWidget {
    Q_OBJECT
public:
    explicit TControlBar(QWidget* parent = nullptr);

    // The row layout the bands are added to (left margin and spacing leave room for grips).
    QHBoxLayout* Bands() const { return Layout; }

    // Room at the left of every band for its grip.
    static constexpr int GripWidth = 9;

    // The band rectangles: each visible child control with its grip area in front of it.
    QList<QRect> BandRects() const;

    // Paints one band (the child control, a painter on the bar, the band's rectangle). The
    // owner tag tells who assigned it, so that only they clear it.
    using TBandPaint = std::function<void(QWidget* band, QPainter& canvas, const QRect& rect)>;
    void SetOnBandPaint(TBandPaint handler, const void* owner);
    bool HasBandPaint() const { return static_cast<bool>(OnBandPaint); }
    const void* BandPaintOwner() const { return PaintOwner; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QHBoxLayout* Layout = nullptr;
    TBandPaint OnBandPaint;
    const void* PaintOwner = nullptr;
};
