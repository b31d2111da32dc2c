// Draws the program's pictures and message icons:
//   pictures/welcome.jpg  640 x 120  banner of the welcome page
//   pictures/about.jpg    440 x 120  banner of the about box
//   pictures/options.jpg  120 x 340  strip at the left of the options dialog
//   pictures/tips.jpg     120 x 220  strip at the left of the tip of the day
//   programfiles/Icon/Question48.ico, Information48.ico, Warnning48.ico  (48 x 48)
// Usage: vx_artwork <resources folder>
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cstdio>

namespace {

const QColor kDeep(0x17, 0x2f, 0x52);
const QColor kSea(0x2b, 0x5f, 0x97);
const QColor kAmber(0xf2, 0xa9, 0x2c);
const QColor kPale(0xcf, 0xe2, 0xf6);

QFont Font(int pixels, bool bold) {
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(pixels);
    f.setBold(bold);
    f.setStyleStrategy(QFont::PreferAntialias);
    return f;
}

// Blue gradient with a faint grid: the table motif of every picture.
void Background(QPainter& p, const QRect& r, bool vertical) {
    QLinearGradient g(r.topLeft(), vertical ? r.bottomLeft() : r.topRight());
    g.setColorAt(0, kDeep);
    g.setColorAt(1, kSea);
    p.fillRect(r, g);
    p.setPen(QPen(QColor(255, 255, 255, 22), 1));
    for (int x = r.left() + 8; x < r.right(); x += 16) p.drawLine(x, r.top(), x, r.bottom());
    for (int y = r.top() + 8; y < r.bottom(); y += 16) p.drawLine(r.left(), y, r.right(), y);
}

// A small table: a white card with an amber header row, column lines and a highlighted row.
void TableCard(QPainter& p, const QRectF& r) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 60));
    p.drawRoundedRect(r.translated(3, 3), 6, 6);
    QPainterPath card;
    card.addRoundedRect(r, 6, 6);
    p.setClipPath(card);
    p.fillRect(r, Qt::white);
    const qreal header = r.height() * 0.22;
    p.fillRect(QRectF(r.left(), r.top(), r.width(), header), kAmber);
    const int rows = 4;
    const qreal rowH = (r.height() - header) / rows;
    p.fillRect(QRectF(r.left(), r.top() + header + rowH, r.width(), rowH), QColor(0xdc, 0xea, 0xfa));
    p.setPen(QPen(QColor(0xb8, 0xc6, 0xd8), 1));
    for (int i = 1; i < rows; ++i) {
        const qreal y = r.top() + header + i * rowH;
        p.drawLine(QPointF(r.left(), y), QPointF(r.right(), y));
    }
    const qreal cols[] = {0.3, 0.62};
    for (qreal c : cols) {
        const qreal x = r.left() + r.width() * c;
        p.drawLine(QPointF(x, r.top()), QPointF(x, r.bottom()));
    }
    // Text marks in the cells.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x7d, 0x8f, 0xa8));
    for (int i = 0; i < rows; ++i) {
        const qreal y = r.top() + header + i * rowH + rowH * 0.38;
        const qreal starts[] = {0.05, 0.35, 0.67};
        const qreal lens[] = {0.18, 0.2 + 0.04 * (i % 2), 0.24 - 0.05 * (i % 3)};
        for (int c = 0; c < 3; ++c)
            p.drawRoundedRect(QRectF(r.left() + r.width() * starts[c], y, r.width() * lens[c], rowH * 0.28), 1, 1);
    }
    p.restore();
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x0e, 0x22, 0x3d), 1.2));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(r, 6, 6);
    p.restore();
}

void Text(QPainter& p, const QRectF& r, const QString& text, const QFont& font, const QColor& colour,
          int flags = Qt::AlignLeft | Qt::AlignVCenter) {
    p.save();
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setFont(font);
    p.setPen(QColor(0, 0, 0, 90));
    p.drawText(r.translated(1, 1), flags, text);
    p.setPen(colour);
    p.drawText(r, flags, text);
    p.restore();
}

bool SaveJpeg(const QImage& img, const QString& path) {
    QImageWriter w(path, "jpeg");
    w.setQuality(92);
    if (!w.write(img.convertToFormat(QImage::Format_RGB32))) {
        std::fprintf(stderr, "cannot write %s: %s\n", qPrintable(path), qPrintable(w.errorString()));
        return false;
    }
    return true;
}

QImage Welcome() {
    QImage img(640, 120, QImage::Format_RGB32);
    QPainter p(&img);
    Background(p, img.rect(), false);
    TableCard(p, QRectF(28, 18, 104, 84));
    Text(p, QRectF(160, 14, 460, 56), QStringLiteral("Vellibrox"), Font(42, true), Qt::white);
    Text(p, QRectF(162, 68, 470, 26), QStringLiteral("View, edit, create and convert dBase / FoxPro tables"),
         Font(16, false), kPale);
    p.fillRect(QRectF(162, 98, 120, 3), kAmber);
    return img;
}

QImage About() {
    QImage img(440, 120, QImage::Format_RGB32);
    QPainter p(&img);
    Background(p, img.rect(), false);
    TableCard(p, QRectF(22, 20, 96, 80));
    Text(p, QRectF(140, 18, 290, 50), QStringLiteral("Vellibrox"), Font(36, true), Qt::white);
    Text(p, QRectF(142, 66, 290, 24), QStringLiteral("Table viewer and editor"), Font(15, false), kPale);
    p.fillRect(QRectF(142, 94, 100, 3), kAmber);
    return img;
}

// Three sliders over the grid.
QImage Options() {
    QImage img(120, 340, QImage::Format_RGB32);
    QPainter p(&img);
    Background(p, img.rect(), true);
    TableCard(p, QRectF(16, 24, 88, 70));
    p.setRenderHint(QPainter::Antialiasing);
    const qreal knobs[] = {0.3, 0.7, 0.45};
    for (int i = 0; i < 3; ++i) {
        const qreal y = 140 + i * 40;
        p.setPen(QPen(kPale, 4, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(22, y), QPointF(98, y));
        p.setPen(QPen(kDeep, 2));
        p.setBrush(kAmber);
        p.drawEllipse(QPointF(22 + 76 * knobs[i], y), 8, 8);
    }
    Text(p, QRectF(0, 262, 120, 30), QStringLiteral("Options"), Font(18, true), Qt::white, Qt::AlignCenter);
    Text(p, QRectF(0, 300, 120, 24), QStringLiteral("Vellibrox"), Font(13, false), kPale, Qt::AlignCenter);
    return img;
}

// A light bulb over the grid.
QImage Tips() {
    QImage img(120, 220, QImage::Format_RGB32);
    QPainter p(&img);
    Background(p, img.rect(), true);
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF c(60, 70);
    QRadialGradient glow(c, 46);
    glow.setColorAt(0, QColor(255, 220, 120, 140));
    glow.setColorAt(1, QColor(255, 220, 120, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    p.drawEllipse(c, 46, 46);
    QRadialGradient bulb(c - QPointF(8, 8), 34);
    bulb.setColorAt(0, QColor(0xff, 0xf4, 0xc2));
    bulb.setColorAt(1, kAmber);
    p.setBrush(bulb);
    p.setPen(QPen(QColor(0x9a, 0x62, 0x08), 2));
    QPainterPath shape;
    shape.addEllipse(c, 26, 26);
    QPainterPath neck;
    neck.addRoundedRect(QRectF(c.x() - 12, c.y() + 14, 24, 22), 4, 4);
    p.drawPath(shape.united(neck));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xd5, 0xdc, 0xe4));
    for (int i = 0; i < 3; ++i) p.drawRoundedRect(QRectF(c.x() - 12, c.y() + 38 + i * 6, 24, 4), 2, 2);
    Text(p, QRectF(0, 140, 120, 30), QStringLiteral("Tips"), Font(20, true), Qt::white, Qt::AlignCenter);
    Text(p, QRectF(0, 176, 120, 24), QStringLiteral("Vellibrox"), Font(13, false), kPale, Qt::AlignCenter);
    return img;
}

// kind 0 question (blue circle, "?"), 1 information (green circle, "i"), 2 warning (amber
// triangle, "!").
QImage Icon(int kind) {
    QImage img(48, 48, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    QString mark;
    QColor markColour = Qt::white;
    QRectF markRect(0, 0, 48, 48);
    if (kind == 2) {
        QPainterPath tri;
        tri.moveTo(24, 3);
        tri.quadTo(27, 3, 28.5, 6);
        tri.lineTo(45.5, 39);
        tri.quadTo(47, 44, 42, 44);
        tri.lineTo(6, 44);
        tri.quadTo(1, 44, 2.5, 39);
        tri.lineTo(19.5, 6);
        tri.quadTo(21, 3, 24, 3);
        QLinearGradient g(0, 3, 0, 44);
        g.setColorAt(0, QColor(0xff, 0xd0, 0x4a));
        g.setColorAt(1, QColor(0xf0, 0x9a, 0x10));
        p.setBrush(g);
        p.setPen(QPen(QColor(0x9a, 0x5c, 0x00), 1.5));
        p.drawPath(tri);
        mark = QStringLiteral("!");
        markColour = QColor(0x3a, 0x26, 0x00);
        markRect = QRectF(0, 12, 48, 32);
    } else {
        const QColor top = kind == 0 ? QColor(0x4a, 0x8d, 0xe6) : QColor(0x3c, 0xb8, 0x86);
        const QColor bottom = kind == 0 ? QColor(0x1d, 0x56, 0xa8) : QColor(0x16, 0x7a, 0x55);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 0, 0, 50));
        p.drawEllipse(QRectF(3, 4, 43, 43));
        QLinearGradient g(0, 2, 0, 46);
        g.setColorAt(0, top);
        g.setColorAt(1, bottom);
        p.setBrush(g);
        p.setPen(QPen(bottom.darker(130), 1.5));
        p.drawEllipse(QRectF(2, 2, 43, 43));
        mark = kind == 0 ? QStringLiteral("?") : QStringLiteral("i");
        markRect = QRectF(2, 2, 43, 43);
    }
    QFont f = Font(kind == 2 ? 26 : 30, true);
    if (kind == 1) f.setFamily(QStringLiteral("DejaVu Serif"));
    p.setFont(f);
    p.setPen(markColour);
    p.drawText(markRect, Qt::AlignCenter, mark);
    return img;
}

bool SaveIco(const QImage& img, const QString& path) {
    QImageWriter w(path, "ico");
    if (!w.write(img)) {
        std::fprintf(stderr, "cannot write %s: %s\n", qPrintable(path), qPrintable(w.errorString()));
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: vx_artwork <resources folder>\n");
        return 2;
    }
    const QDir root(QString::fromLocal8Bit(argv[1]));
    root.mkpath(QStringLiteral("pictures"));
    root.mkpath(QStringLiteral("programfiles/Icon"));
    bool ok = SaveJpeg(Welcome(), root.filePath(QStringLiteral("pictures/welcome.jpg")));
    ok = SaveJpeg(About(), root.filePath(QStringLiteral("pictures/about.jpg"))) && ok;
    ok = SaveJpeg(Options(), root.filePath(QStringLiteral("pictures/options.jpg"))) && ok;
    ok = SaveJpeg(Tips(), root.filePath(QStringLiteral("pictures/tips.jpg"))) && ok;
    ok = SaveIco(Icon(0), root.filePath(QStringLiteral("programfiles/Icon/Question48.ico"))) && ok;
    ok = SaveIco(Icon(1), root.filePath(QStringLiteral("programfiles/Icon/Information48.ico"))) && ok;
    ok = SaveIco(Icon(2), root.filePath(QStringLiteral("programfiles/Icon/Warnning48.ico"))) && ok;
    return ok ? 0 : 1;
}
