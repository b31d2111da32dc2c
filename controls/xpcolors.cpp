#include "controls/xpcolors.h"

#include <algorithm>
#include <cstdlib>

namespace {

int Clamp255(int v) { return std::clamp(v, 0, 255); }

// num / den rounded to the nearest integer, halves to the even one (num, den > 0).
int RoundHalfEven(int num, int den) {
    int q = num / den;
    int r = num % den;
    if (2 * r > den || (2 * r == den && (q & 1)))
        ++q;
    return q;
}

// Applies f to every pixel of a 32-bit copy, reusing the last result for runs of equal pixels.
template <class F>
QImage MapPixels(const QImage& bitmap, F f) {
    if (bitmap.isNull())
        return bitmap;
    QImage img = bitmap.convertToFormat(QImage::Format_ARGB32);
    QRgb lastIn = 0, lastOut = 0;
    bool have = false;
    for (int y = 0; y < img.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            const QRgb px = line[x];
            if (!have || px != lastIn) {
                const TColor c = RGB(qRed(px), qGreen(px), qBlue(px));
                const TColor n = f(c);
                lastIn = px;
                lastOut = qRgba(GetRValue(n), GetGValue(n), GetBValue(n), qAlpha(px));
                have = true;
            }
            line[x] = lastOut;
        }
    }
    return img;
}

}  // namespace

TColor Darken(TColor color, int n) {
    const TColor c = ColorToRGB(color);
    return RGB(Clamp255(GetRValue(c) - n), Clamp255(GetGValue(c) - n + 2), Clamp255(GetBValue(c) - n));
}

TColor Lighten(TColor color, int percent) {
    const TColor c = ColorToRGB(color);
    const int p = std::clamp(percent, 0, 100);
    auto ch = [p](int v) { return v + RoundHalfEven((255 - v) * p, 100); };
    return RGB(ch(GetRValue(c)), ch(GetGValue(c)), ch(GetBValue(c)));
}

TColor Grey(TColor color, int level) {
    const TColor c = ColorToRGB(color);
    const int m = std::min((GetRValue(c) + GetGValue(c) + GetBValue(c)) / 3 + level, 240);
    const int v = Clamp255(m);
    return RGB(v, v, v);
}

QImage GrayBitmap(const QImage& bitmap, int level) {
    return MapPixels(bitmap, [level](TColor c) { return Grey(c, level); });
}

QImage DimBitmap(const QImage& bitmap, int percent) {
    const int p = std::min(percent, 100);
    return MapPixels(bitmap, [p](TColor c) { return Lighten(c, p); });
}

TXPColorSet CalcColorSet(const TXPColorProps& props, bool highColor, TColor systemMenuText) {
    TXPColorSet s;
    auto rgb = [](TColor c) { return ColorToRGB(c); };
    if (props.UseSystemColors) {
        s.MenuBack = highColor ? Lighten(clBtnFace, 86) : rgb(clWhite);
        s.IconBack = highColor ? Lighten(clBtnFace, 16) : rgb(clBtnFace);
        s.SelectFill = highColor ? Lighten(clHighlight, 68) : rgb(clWhite);
        s.SelectFrame = rgb(clHighlight);
        s.SelectText = rgb(systemMenuText);
        s.CheckedFill = highColor ? Lighten(clHighlight, 80) : rgb(clWhite);
        s.CheckedSelFill = highColor ? Lighten(clHighlight, 50) : rgb(clWhite);
        s.CheckFrame = rgb(clHighlight);
        s.MenuBar = rgb(clBtnFace);
        s.Disabled = highColor ? Lighten(clBtnShadow, 10) : rgb(clBtnShadow);
        s.Separator = highColor ? Lighten(clBtnShadow, 25) : rgb(clBtnShadow);
    } else {
        s.MenuBack = rgb(props.Color);
        s.IconBack = rgb(props.IconBackColor);
        s.SelectFill = highColor ? Lighten(props.SelectColor, 68) : rgb(props.SelectColor);
        s.SelectFrame = rgb(props.SelectBorderColor);
        s.SelectText = rgb(props.SelectFontColor);
        s.CheckedFill = highColor ? Lighten(props.SelectColor, 80) : rgb(clWhite);
        s.CheckedSelFill = highColor ? Lighten(props.SelectColor, 50) : rgb(clSilver);
        s.CheckFrame = rgb(props.CheckedColor);
        s.MenuBar = rgb(props.MenuBarColor);
        s.Disabled = rgb(props.DisabledColor);
        s.Separator = rgb(props.SeparatorColor);
    }
    s.MenuFrame = highColor ? Darken(clBtnFace, 90) : rgb(clBtnShadow);
    s.MenuShadow = highColor ? Darken(clBtnFace, 76) : rgb(clBtnShadow);
    return s;
}

int GradientShade(int column, int iconWidth) {
    if (column <= 0)
        return 0;
    const int inside = std::max(iconWidth + 5, 0);
    const int steep = std::min(column, inside);
    return std::min(3 * steep + (column - steep), 96);
}

QSize MeasureMenuItem(const TMenuMeasure& item) {
    if (item.Caption == QLatin1String("-"))
        return QSize(0, 4);
    QString text = item.Caption;
    if (!item.ShortCut.trimmed().isEmpty())
        text = item.Caption + QStringLiteral("WWW") + item.ShortCut;
    int width = (item.TextWidth ? item.TextWidth(text) : 0) + 5;
    if (text.contains(QLatin1Char('&')) && item.TextWidth)
        width -= item.TextWidth(QStringLiteral("&"));
    int iconWidth = item.IconWidth;
    if (!item.MainMenuTopLevel)
        iconWidth = std::max(iconWidth, item.ColumnWidth);
    if (iconWidth > 0)
        width += iconWidth;
    if (item.MainMenuTopLevel)
        width += 8;
    const int th = item.TextHeight ? item.TextHeight(text) : 0;
    int height = th + RoundHalfEven(th * 75, 100);
    if (height < item.IconHeight + 6)
        height = item.IconHeight + 6;
    return QSize(width, height);
}

TPixelList LinePixels(QPoint a, QPoint b) {
    TPixelList out;
    int x = a.x(), y = a.y();
    const int dx = std::abs(b.x() - x), dy = -std::abs(b.y() - y);
    const int sx = x < b.x() ? 1 : -1, sy = y < b.y() ? 1 : -1;
    int err = dx + dy;
    while (x != b.x() || y != b.y()) {
        out.append(QPoint(x, y));
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y += sy;
        }
    }
    return out;
}

TPixelList MenuCheckMarkPixels(int l, int t, int r, int b) {
    TPixelList out;
    out += LinePixels({l + 1, t + 5}, {l + 4, b - 2});
    out += LinePixels({l + 2, t + 5}, {l + 4, b - 3});
    out += LinePixels({l + 2, t + 4}, {l + 5, b - 3});
    out += LinePixels({l + 4, b - 3}, {r + 2, t - 1});
    out += LinePixels({l + 4, b - 2}, {r - 2, t + 3});
    return out;
}

TPixelList CheckBoxMarkPixels(int x, int y) {
    TPixelList out;
    for (int up = 0; up < 3; ++up) {
        out += LinePixels({x + 2, y - 5 - up}, {x + 4, y - 3 - up});
        out += LinePixels({x + 4, y - 3 - up}, {x + 9, y - 8 - up});
    }
    return out;
}

TPixelList DownArrowPixels(int x, int y) {
    TPixelList out;
    out += LinePixels({x, y}, {x + 5, y});
    out += LinePixels({x + 1, y + 1}, {x + 4, y + 1});
    out += LinePixels({x + 2, y + 2}, {x + 3, y + 2});
    return out;
}

QVector<TGripLine> GripLines(int top, int bottom) {
    QVector<TGripLine> out;
    int darkness = 30;
    for (int y = top + 5; y < bottom - 5; ++y) {
        if ((y - top) % 2 != 0)
            continue;
        out.append({y, darkness});
        darkness += 7;
    }
    return out;
}
