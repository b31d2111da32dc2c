#include "controls/drawutils.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QMessageBox>
#include <QPainter>
#include <QThread>
#include <QWidget>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace {
bool gCursorsRegistered = false;
QCursor* gHandCursor = nullptr;
QCursor* gDragCursor = nullptr;

void FreeExtraCursors() {
    delete gHandCursor;
    delete gDragCursor;
    gHandCursor = gDragCursor = nullptr;
}

// Source pixels of Key become transparent; everything else is kept opaque.
QImage WithTransparentKey(const QImage& part, TColor key) {
    QImage img = part.convertToFormat(QImage::Format_ARGB32);
    const QRgb k = qRgb(GetRValue(key), GetGValue(key), GetBValue(key)) & 0xFFFFFF;
    for (int y = 0; y < img.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x)
            line[x] = (line[x] & 0xFFFFFF) == k ? 0 : (line[x] | 0xFF000000u);
    }
    return img;
}

QRgb ToRgb(TColor c) {
    TColor v = ColorToRGB(c);
    return qRgb(GetRValue(v), GetGValue(v), GetBValue(v));
}
}  // namespace

void RegisterExtraCursors() {
    if (gCursorsRegistered)
        return;
    gCursorsRegistered = true;
    gHandCursor = new QCursor(Qt::PointingHandCursor);
    gDragCursor = new QCursor(Qt::ClosedHandCursor);
    std::atexit(FreeExtraCursors);
}

QCursor ExtraCursor(int id) {
    RegisterExtraCursors();
    if (id == crHand)
        return *gHandCursor;
    if (id == crDragHand)
        return *gDragCursor;
    return QCursor(Qt::ArrowCursor);
}

void RaiseResourceNotFound(const QString& resName) {
    throw EResNotFound(QStringLiteral("Resource %1 not found").arg(resName));
}

void RaiseResourceNotFound(int resId) { RaiseResourceNotFound(QString::number(resId)); }

QPixmap LoadResourceBitmap(const QString& resName) {
    QStringList candidates;
    if (resName.startsWith(QLatin1Char(':')))
        candidates << resName;
    else
        candidates << QStringLiteral(":/") + resName << QStringLiteral(":/") + resName + QStringLiteral(".bmp")
                   << QStringLiteral(":/") + resName + QStringLiteral(".png");
    for (const QString& path : candidates) {
        if (!QFile::exists(path))
            continue;
        QPixmap pm(path);
        if (!pm.isNull())
            return pm;
    }
    RaiseResourceNotFound(resName);
}

QPixmap LoadResourceBitmap(int resId) {
    QString name = QString::number(resId);
    try {
        return LoadResourceBitmap(name);
    } catch (const EResNotFound&) {
        RaiseResourceNotFound(resId);
    }
}

void PaintParentBackground(QWidget* Control, QPainter& Dest) {
    if (!Control || !Control->parentWidget())
        return;
    QWidget* parent = Control->parentWidget();
    const QRect bounds = Control->geometry();
    const QRect visible = bounds.intersected(parent->rect());
    if (!visible.isEmpty()) {
        // The parent's background and its own painting (not its children).
        Dest.save();
        Dest.setClipRect(QRect(visible.topLeft() - bounds.topLeft(), visible.size()), Qt::IntersectClip);
        parent->render(&Dest, visible.topLeft() - bounds.topLeft(), QRegion(visible), QWidget::DrawWindowBackground);
        Dest.restore();
    }
    // The siblings below the control in stacking order.
    for (QObject* child : parent->children()) {
        if (child == Control)
            break;
        auto* w = qobject_cast<QWidget*>(child);
        if (!w || w->isWindow() || !w->isVisible() || !w->geometry().intersects(bounds))
            continue;
        Dest.save();
        const QPoint at = w->pos() - Control->pos();
        Dest.setClipRect(QRect(at, w->size()), Qt::IntersectClip);
        w->render(&Dest, at, QRegion(), QWidget::DrawWindowBackground | QWidget::DrawChildren);
        Dest.restore();
    }
}

TColor PaletteRelativeColor(TColor Color) { return ColorToRGB(Color) | 0x02000000; }

void StretchCopyTransparent(QPainter& Dst, int DstX, int DstY, int DstW, int DstH, const QImage& Src, int SrcX,
                            int SrcY, int SrcW, int SrcH, TColor TransparentColor) {
    if (Src.isNull() || DstW < 1 || DstH < 1 || SrcW < 1 || SrcH < 1)
        return;
    const QRect want(SrcX, SrcY, SrcW, SrcH);
    const QRect have = want.intersected(Src.rect());
    if (have.isEmpty())
        return;
    // Keep the scale of the requested rectangle for the part that exists.
    const double sx = double(DstW) / SrcW, sy = double(DstH) / SrcH;
    const int x0 = DstX + int((have.left() - SrcX) * sx), y0 = DstY + int((have.top() - SrcY) * sy);
    const int x1 = DstX + int((have.right() + 1 - SrcX) * sx), y1 = DstY + int((have.bottom() + 1 - SrcY) * sy);
    if (x1 <= x0 || y1 <= y0)
        return;
    QImage part = WithTransparentKey(Src.copy(have), ColorToRGB(TransparentColor));
    QImage scaled = part.scaled(x1 - x0, y1 - y0, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    Dst.save();
    Dst.setCompositionMode(QPainter::CompositionMode_SourceOver);
    Dst.drawImage(QPoint(x0, y0), scaled);
    Dst.restore();
}

void DrawTransparentBitmapEx(QPainter& Dest, const QImage& Bitmap, TColor TransparentColor, const QRect& SrcRect,
                             int DstX, int DstY, int DstW, int DstH) {
    if (Bitmap.isNull())
        return;
    if (DstW < 1)
        DstW = Bitmap.width();
    if (DstH < 1)
        DstH = Bitmap.height();
    const QRect src = SrcRect.isEmpty() ? Bitmap.rect() : SrcRect;
    if (TransparentColor == clNone) {
        const QRect have = src.intersected(Bitmap.rect());
        if (have.isEmpty())
            return;
        const double sx = double(DstW) / src.width(), sy = double(DstH) / src.height();
        const QRect target(QPoint(DstX + int((have.left() - src.left()) * sx), DstY + int((have.top() - src.top()) * sy)),
                           QPoint(DstX + int((have.right() + 1 - src.left()) * sx) - 1,
                                  DstY + int((have.bottom() + 1 - src.top()) * sy) - 1));
        Dest.save();
        Dest.setRenderHint(QPainter::SmoothPixmapTransform, false);
        Dest.drawImage(target, Bitmap, have);
        Dest.restore();
        return;
    }
    TColor key;
    if (Bitmap.depth() == 1)
        key = clWhite;
    else if (TransparentColor == clDefault)
        key = FromQColor(QColor(Bitmap.pixel(0, Bitmap.height() - 1)));
    else
        key = ColorToRGB(TransparentColor);
    StretchCopyTransparent(Dest, DstX, DstY, DstW, DstH, Bitmap, src.x(), src.y(), src.width(), src.height(), key);
}

void DrawTransparentBitmapEx(QPainter& Dest, const QPixmap& Bitmap, TColor TransparentColor, const QRect& SrcRect,
                             int DstX, int DstY, int DstW, int DstH) {
    DrawTransparentBitmapEx(Dest, Bitmap.toImage(), TransparentColor, SrcRect, DstX, DstY, DstW, DstH);
}

void DrawTransparentBitmapPart(QPainter& Dest, int DstX, int DstY, int DstW, int DstH, const QRect& SrcRect,
                               const QImage& Bitmap, TColor TransparentColor) {
    if (!SrcRect.isEmpty()) {
        if (DstW < 1)
            DstW = SrcRect.width();
        if (DstH < 1)
            DstH = SrcRect.height();
    }
    DrawTransparentBitmapEx(Dest, Bitmap, TransparentColor, SrcRect, DstX, DstY, DstW, DstH);
}

void DrawTransparentBitmapPart(QPainter& Dest, int DstX, int DstY, int DstW, int DstH, const QRect& SrcRect,
                               const QPixmap& Bitmap, TColor TransparentColor) {
    DrawTransparentBitmapPart(Dest, DstX, DstY, DstW, DstH, SrcRect, Bitmap.toImage(), TransparentColor);
}

QImage MakeDisabledBitmapEx(const QImage& Source, TColor OutlineColor, TColor BackColor, TColor HighlightColor,
                            TColor ShadowColor, bool DrawHighlight) {
    if (Source.isNull())
        return QImage();
    const int w = Source.width(), h = Source.height();
    const QRgb key = Source.depth() == 1 ? qRgb(255, 255, 255) : ToRgb(OutlineColor);
    std::vector<bool> mask(size_t(w) * size_t(h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            mask[size_t(y) * w + x] = (Source.pixel(x, y) & 0xFFFFFF) == (key & 0xFFFFFF);
    QImage out(w, h, QImage::Format_RGB32);
    out.fill(ToRgb(BackColor));
    if (DrawHighlight) {
        const QRgb hi = ToRgb(HighlightColor);
        for (int y = 0; y + 1 < h; ++y)
            for (int x = 0; x + 1 < w; ++x)
                if (mask[size_t(y) * w + x])
                    out.setPixel(x + 1, y + 1, hi);
    }
    const QRgb sh = ToRgb(ShadowColor);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (mask[size_t(y) * w + x])
                out.setPixel(x, y, sh);
    return out;
}

QImage MakeDisabledBitmap(const QImage& Source, TColor OutlineColor) {
    return MakeDisabledBitmapEx(Source, OutlineColor, clBtnFace, clBtnHighlight, clBtnShadow, true);
}

void DrawImageDisabled(const QImage& Image, QPainter& Canvas, int X, int Y, TColor HighlightColor, TColor GrayColor,
                       bool DrawHighlight) {
    if (Image.isNull())
        return;
    const QImage src = Image.convertToFormat(QImage::Format_ARGB32);
    auto tinted = [&src](TColor c) {
        QImage t(src.size(), QImage::Format_ARGB32);
        const QRgb rgb = ToRgb(c) & 0xFFFFFF;
        for (int y = 0; y < src.height(); ++y) {
            const auto* in = reinterpret_cast<const QRgb*>(src.constScanLine(y));
            auto* o = reinterpret_cast<QRgb*>(t.scanLine(y));
            for (int x = 0; x < src.width(); ++x)
                o[x] = qAlpha(in[x]) >= 128 ? (rgb | 0xFF000000u) : 0;
        }
        return t;
    };
    Canvas.save();
    Canvas.setCompositionMode(QPainter::CompositionMode_SourceOver);
    if (DrawHighlight)
        Canvas.drawImage(QPoint(X + 1, Y + 1), tinted(HighlightColor));
    Canvas.drawImage(QPoint(X, Y), tinted(GrayColor));
    Canvas.restore();
}

void DrawImageDisabled(const QList<QImage>& Images, QPainter& Canvas, int X, int Y, int Index, TColor HighlightColor,
                       TColor GrayColor, bool DrawHighlight) {
    if (Index < 0 || Index >= Images.size())
        return;
    DrawImageDisabled(Images[Index], Canvas, X, Y, HighlightColor, GrayColor, DrawHighlight);
}

std::function<void(const QString&)> ShowNotImplementedMessage = [](const QString& text) {
    QMessageBox::information(QApplication::activeWindow(), QString(), text, QMessageBox::Ok);
};

void ReportNotImplemented() {
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
    if (ShowNotImplementedMessage)
        ShowNotImplementedMessage(QStringLiteral("Function not yet implemented"));
    throw EAbort();
}

void RemovePendingMessage(QObject* Receiver, QEvent::Type Type) {
    if (Receiver)
        QCoreApplication::removePostedEvents(Receiver, Type);
}

QString ShortenTextToWidth(const QString& Text, const std::function<int(const QString&)>& WidthOf, int MaxWidth) {
    QString result = Text;
    const int len = int(Text.size());
    int i = 1;
    while (i <= len && WidthOf(result) > MaxWidth) {
        ++i;
        result = Text.left(IntMax(0, len - i)) + QStringLiteral("...");
    }
    return result;
}

QString ShortenTextToWidth(const QString& Text, const QFontMetrics& Metrics, int MaxWidth) {
    return ShortenTextToWidth(Text, [&Metrics](const QString& s) { return Metrics.horizontalAdvance(s); }, MaxWidth);
}

void* AllocZeroedGlobalMem(long long Size) {
    if (Size < 1)
        return nullptr;
    return std::calloc(static_cast<size_t>(Size), 1);
}

void FreeGlobalMem(void*& P) {
    if (P) {
        std::free(P);
        P = nullptr;
    }
}

bool MemBlocksEqual(const void* P1, const void* P2, long long Count) {
    if (Count <= 0)
        return true;
    return std::memcmp(P1, P2, static_cast<size_t>(Count)) == 0;
}

void CopyMemBlock(void* Dst, const void* Src, long long Count) {
    if (Count > 0)
        std::memmove(Dst, Src, static_cast<size_t>(Count));
}

bool ActiveWindowIsOurs() {
    QWidget* w = QApplication::activeWindow();
    return w && w->thread() == QThread::currentThread();
}
