#include "imaging/graphic.h"

#include "controls/drawutils.h"
#include "imaging/gifimage.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QMimeData>
#include <QMutex>
#include <QPainter>
#include <cstring>
#include <map>

namespace vx::img {

const char* const IconClipboardFormat = "Vellibrox Icon";

namespace {

uint32_t Le32(const unsigned char* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

struct TFileFormat {
    QString Description;
    TGraphicFactory Factory;
};

struct TRegistry {
    QMutex Lock;
    std::map<QString, TFileFormat> Files;  // by lower-case extension
    std::vector<std::pair<QString, TGraphicFactory>> Clipboard;
};

void RegisterBuiltIn(TRegistry& r) {
    r.Files[QStringLiteral("bmp")] = {QStringLiteral("Bitmaps"), [] { return std::make_unique<TBitmap>(); }};
    r.Files[QStringLiteral("ico")] = {QStringLiteral("Icons"), [] { return std::make_unique<TIcon>(); }};
    r.Files[QStringLiteral("gif")] = {QStringLiteral("CompuServe GIF Image"), [] { return std::make_unique<TGIFImage>(); }};
    r.Clipboard.emplace_back(QString::fromLatin1(GIFClipboardFormat), [] { return std::make_unique<TGIFImage>(); });
    r.Clipboard.emplace_back(QString::fromLatin1(IconClipboardFormat), [] { return std::make_unique<TIcon>(); });
}

TRegistry& Registry() {
    static TRegistry* r = [] {
        auto* reg = new TRegistry;
        RegisterBuiltIn(*reg);
        return reg;
    }();
    return *r;
}

}  // namespace

QImage DibToImage(const TDib& dib) {
    if (dib.Empty()) return QImage();
    QImage img;
    if (dib.Bits == 24) {
        img = QImage(dib.Width, dib.Height, QImage::Format_RGB888);
        for (int y = 0; y < dib.Height; ++y) {
            const uint8_t* s = dib.Row(y);
            uchar* d = img.scanLine(y);
            for (int x = 0; x < dib.Width; ++x) {
                d[3 * x] = s[3 * x + 2];
                d[3 * x + 1] = s[3 * x + 1];
                d[3 * x + 2] = s[3 * x];
            }
        }
        return img;
    }
    QVector<QRgb> table;
    for (uint32_t c : dib.Palette) table.push_back(qRgb(RedOf(c), GreenOf(c), BlueOf(c)));
    if (dib.Bits == 1) {
        img = QImage(dib.Width, dib.Height, QImage::Format_Mono);
        img.setColorTable(table);
        for (int y = 0; y < dib.Height; ++y) std::memcpy(img.scanLine(y), dib.Row(y), size_t((dib.Width + 7) / 8));
        return img;
    }
    img = QImage(dib.Width, dib.Height, QImage::Format_Indexed8);
    img.setColorTable(table);
    for (int y = 0; y < dib.Height; ++y) {
        uchar* d = img.scanLine(y);
        if (dib.Bits == 8) {
            std::memcpy(d, dib.Row(y), size_t(dib.Width));
        } else {
            for (int x = 0; x < dib.Width; ++x) d[x] = uchar(dib.Index(x, y));
        }
    }
    return img;
}

TDib ImageToDib(const QImage& image) {
    if (image.isNull()) return TDib();
    if (image.format() == QImage::Format_Mono || image.format() == QImage::Format_MonoLSB) {
        QImage m = image.convertToFormat(QImage::Format_Mono);
        TDib dib(m.width(), m.height(), 1);
        QVector<QRgb> t = m.colorTable();
        for (int i = 0; i < 2; ++i) dib.Palette[size_t(i)] = i < t.size() ? Rgb(qRed(t[i]), qGreen(t[i]), qBlue(t[i])) : (i ? 0xFFFFFF : 0);
        for (int y = 0; y < m.height(); ++y) std::memcpy(dib.Row(y), m.constScanLine(y), size_t((m.width() + 7) / 8));
        return dib;
    }
    if (image.format() == QImage::Format_Indexed8) {
        TDib dib(image.width(), image.height(), 8);
        QVector<QRgb> t = image.colorTable();
        for (int i = 0; i < t.size() && i < 256; ++i) dib.Palette[size_t(i)] = Rgb(qRed(t[i]), qGreen(t[i]), qBlue(t[i]));
        for (int y = 0; y < image.height(); ++y) std::memcpy(dib.Row(y), image.constScanLine(y), size_t(image.width()));
        return dib;
    }
    QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    TDib dib(rgb.width(), rgb.height(), 24);
    for (int y = 0; y < rgb.height(); ++y) {
        const uchar* s = rgb.constScanLine(y);
        uint8_t* d = dib.Row(y);
        for (int x = 0; x < rgb.width(); ++x) {
            d[3 * x] = s[3 * x + 2];
            d[3 * x + 1] = s[3 * x + 1];
            d[3 * x + 2] = s[3 * x];
        }
    }
    return dib;
}

std::string BitmapToDIBStream(const QImage& bitmap, TPixelFormat format, int method) {
    if (bitmap.isNull()) throw EInvalidGraphicOperation("Bitmap image is not valid");
    try {
        return vx::img::BitmapToDIBStream(ImageToDib(bitmap), format, method);
    } catch (const ENotImplemented&) {
        ReportNotImplemented();
    }
}

std::string ReadAllBytes(QIODevice& device) {
    if (!device.isReadable()) throw EReadError();
    QByteArray b = device.readAll();
    return std::string(b.constData(), size_t(b.size()));
}

void WriteAllBytes(QIODevice& device, std::string_view bytes) {
    if (device.write(bytes.data(), qint64(bytes.size())) != qint64(bytes.size()))
        throw EInvalidGraphicOperation("Stream write error");
}

// ---- TGraphic ----

void TGraphic::Assign(const TGraphic* source) {
    if (source == this) return;
    throw EInvalidGraphicOperation("Cannot assign this picture");
}

void TGraphic::AssignTo(TGraphic* dest) const {
    if (auto* bmp = dynamic_cast<TBitmap*>(dest)) {
        bmp->Image = Render(bmp->BrushColor);
        return;
    }
    throw EInvalidGraphicOperation("Cannot assign this picture");
}

bool TGraphic::Equals(const TGraphic* other) const {
    if (!other || typeid(*other) != typeid(*this)) return false;
    QBuffer a, b;
    a.open(QIODevice::WriteOnly);
    b.open(QIODevice::WriteOnly);
    SaveToStream(a);
    other->SaveToStream(b);
    return a.data() == b.data();
}

void TGraphic::ReadData(QIODevice& stream) {
    char len[4];
    if (stream.read(len, 4) != 4) throw EReadError();
    uint32_t n = Le32(reinterpret_cast<const unsigned char*>(len));
    QByteArray bytes = stream.read(qint64(n));
    if (uint32_t(bytes.size()) != n) throw EReadError();
    QBuffer buf(&bytes);
    buf.open(QIODevice::ReadOnly);
    LoadFromStream(buf);
}

void TGraphic::WriteData(QIODevice& stream) const {
    QBuffer buf;
    buf.open(QIODevice::WriteOnly);
    SaveToStream(buf);
    uint32_t n = uint32_t(buf.data().size());
    char len[4] = {char(n & 0xFF), char((n >> 8) & 0xFF), char((n >> 16) & 0xFF), char(n >> 24)};
    WriteAllBytes(stream, std::string_view(len, 4));
    WriteAllBytes(stream, std::string_view(buf.data().constData(), size_t(n)));
}

void TGraphic::SetHeight(int) {}
void TGraphic::SetWidth(int) {}

void TGraphic::LoadFromClipboardFormat(const QMimeData&) { throw EInvalidGraphicOperation("Unsupported clipboard format"); }
void TGraphic::SaveToClipboardFormat(QMimeData&) const { throw EInvalidGraphicOperation("Unsupported clipboard format"); }

void TGraphic::LoadFromFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) throw EInvalidGraphicOperation("Cannot open file \"" + path.toStdString() + "\"");
    LoadFromStream(f);
}

void TGraphic::SaveToFile(const QString& path) const {
    QBuffer buf;
    buf.open(QIODevice::WriteOnly);
    SaveToStream(buf);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(buf.data()) != buf.data().size())
        throw EInvalidGraphicOperation("Cannot create file \"" + path.toStdString() + "\"");
}

QImage TGraphic::Render(TColor background) const {
    if (Empty() || Width() <= 0 || Height() <= 0) return QImage();
    QImage img(Width(), Height(), QImage::Format_RGB32);
    img.fill(ToQColor(background));
    QPainter p(&img);
    Draw(p, QRect(0, 0, Width(), Height()));
    return img;
}

// ---- TBitmap ----

void TBitmap::Assign(const TGraphic* source) {
    if (source == this) return;
    if (!source) {
        Image = QImage();
        return;
    }
    if (auto* b = dynamic_cast<const TBitmap*>(source)) {
        Image = b->Image;
        TransparentMode = b->TransparentMode;
        TransparentColor = b->TransparentColor;
        return;
    }
    source->AssignTo(this);
}

TColor TBitmap::EffectiveTransparentColor() const {
    if (TransparentColor != clDefault || Image.isNull()) return TransparentColor;
    QRgb c = Image.pixel(0, Image.height() - 1);
    return RGB(qRed(c), qGreen(c), qBlue(c));
}

void TBitmap::Draw(QPainter& canvas, const QRect& rect) const {
    if (Image.isNull()) return;
    if (TransparentMode)
        DrawTransparentBitmapPart(canvas, rect.x(), rect.y(), rect.width(), rect.height(), Image.rect(), Image,
                                  EffectiveTransparentColor());
    else
        canvas.drawImage(rect, Image);
}

void TBitmap::SetHeight(int value) {
    if (value < 0 || value == Height()) return;
    QImage img(Image.isNull() ? 0 : Image.width(), value, Image.isNull() ? QImage::Format_RGB32 : Image.format());
    img.fill(Qt::white);
    if (!Image.isNull()) {
        QPainter p(&img);
        p.drawImage(0, 0, Image);
    }
    Image = img;
}

void TBitmap::SetWidth(int value) {
    if (value < 0 || value == Width()) return;
    QImage img(value, Image.isNull() ? 0 : Image.height(), Image.isNull() ? QImage::Format_RGB32 : Image.format());
    img.fill(Qt::white);
    if (!Image.isNull()) {
        QPainter p(&img);
        p.drawImage(0, 0, Image);
    }
    Image = img;
}

void TBitmap::LoadFromStream(QIODevice& stream) {
    std::string bytes = ReadAllBytes(stream);
    QImage img = QImage::fromData(reinterpret_cast<const uchar*>(bytes.data()), int(bytes.size()));
    if (img.isNull()) throw EInvalidGraphicOperation("Bitmap image is not valid");
    Image = img;
}

void TBitmap::SaveToStream(QIODevice& stream) const { WriteAllBytes(stream, DIBToBitmapFile(ImageToDib(Image))); }

void TBitmap::LoadFromClipboardFormat(const QMimeData& data) {
    if (!data.hasImage()) throw EInvalidGraphicOperation("Unsupported clipboard format");
    Image = qvariant_cast<QImage>(data.imageData());
}

void TBitmap::SaveToClipboardFormat(QMimeData& data) const { data.setImageData(Image); }

// ---- TIcon ----

void TIcon::Clear() {
    Bytes.clear();
    Image = QImage();
    DirWidth = DirHeight = DirColors = 0;
}

void TIcon::LoadFromBytes(std::string_view bytes) {
    int w = 0, h = 0, colors = 0;
    if (!ReadIconDirectory(bytes, w, h, colors)) throw EReadError();
    // The decoder reads icon files; a cursor file differs only in its type and hot spot.
    QByteArray data(bytes.data(), qsizetype(bytes.size()));
    data[2] = 1;
    QImage img = QImage::fromData(data, "ICO");
    if (img.isNull()) throw EReadError();
    Bytes = QByteArray(bytes.data(), qsizetype(bytes.size()));
    Image = img;
    DirWidth = w;
    DirHeight = h;
    DirColors = colors;
}

void TIcon::SetImage(const QImage& image) {
    Clear();
    Image = image.convertToFormat(QImage::Format_ARGB32);
    DirWidth = Image.width();
    DirHeight = Image.height();
    DirColors = 256;
}

std::string TIcon::SaveToBytes() const {
    if (!Bytes.isEmpty() || Image.isNull()) return Bytes.toStdString();
    QBuffer buf;
    buf.open(QIODevice::WriteOnly);
    QImageWriter writer(&buf, "ICO");
    if (!writer.write(Image)) throw EInvalidGraphicOperation("Icon image is not valid");
    return std::string(buf.data().constData(), size_t(buf.data().size()));
}

void TIcon::Assign(const TGraphic* source) {
    if (source == this) return;
    if (!source) {
        Clear();
        return;
    }
    if (auto* i = dynamic_cast<const TIcon*>(source)) {
        Bytes = i->Bytes;
        Image = i->Image;
        DirWidth = i->DirWidth;
        DirHeight = i->DirHeight;
        DirColors = i->DirColors;
        return;
    }
    if (auto* b = dynamic_cast<const TBitmap*>(source)) {
        SetImage(b->Image);
        return;
    }
    TGraphic::Assign(source);
}

void TIcon::Draw(QPainter& canvas, const QRect& rect) const {
    if (!Image.isNull()) canvas.drawImage(rect, Image);
}

void TIcon::LoadFromStream(QIODevice& stream) { LoadFromBytes(ReadAllBytes(stream)); }

void TIcon::SaveToStream(QIODevice& stream) const { WriteAllBytes(stream, SaveToBytes()); }

void TIcon::LoadFromClipboardFormat(const QMimeData& data) {
    QByteArray b = data.data(QString::fromLatin1(IconClipboardFormat));
    if (b.isEmpty()) throw EInvalidGraphicOperation("Unsupported clipboard format");
    LoadFromBytes(std::string_view(b.constData(), size_t(b.size())));
}

void TIcon::SaveToClipboardFormat(QMimeData& data) const {
    std::string bytes = SaveToBytes();
    data.setData(QString::fromLatin1(IconClipboardFormat), QByteArray(bytes.data(), qsizetype(bytes.size())));
}

// ---- TPicture ----

void TPicture::RegisterFileFormat(const QString& extension, const QString& description, TGraphicFactory factory) {
    TRegistry& r = Registry();
    QMutexLocker lock(&r.Lock);
    r.Files[extension.toLower()] = {description, std::move(factory)};
}

void TPicture::RegisterClipboardFormat(const QString& format, TGraphicFactory factory) {
    TRegistry& r = Registry();
    QMutexLocker lock(&r.Lock);
    for (auto& entry : r.Clipboard)
        if (entry.first == format) {
            entry.second = std::move(factory);
            return;
        }
    r.Clipboard.emplace_back(format, std::move(factory));
}

QString TPicture::FileFormatDescription(const QString& extension) {
    TRegistry& r = Registry();
    QMutexLocker lock(&r.Lock);
    auto it = r.Files.find(extension.toLower());
    return it == r.Files.end() ? QString() : it->second.Description;
}

bool TPicture::SupportsClipboardFormat(const QString& format) {
    TRegistry& r = Registry();
    QMutexLocker lock(&r.Lock);
    for (const auto& entry : r.Clipboard)
        if (entry.first == format) return true;
    return false;
}

std::unique_ptr<TGraphic> TPicture::LoadFromFile(const QString& path) {
    TGraphicFactory factory;
    {
        TRegistry& r = Registry();
        QMutexLocker lock(&r.Lock);
        auto it = r.Files.find(QFileInfo(path).suffix().toLower());
        if (it == r.Files.end())
            throw EInvalidGraphicOperation("Unknown picture file extension (." + QFileInfo(path).suffix().toStdString() + ")");
        factory = it->second.Factory;
    }
    std::unique_ptr<TGraphic> g = factory();
    g->LoadFromFile(path);
    return g;
}

std::unique_ptr<TGraphic> TPicture::LoadFromClipboard(const QMimeData& data) {
    std::vector<std::pair<QString, TGraphicFactory>> formats;
    {
        TRegistry& r = Registry();
        QMutexLocker lock(&r.Lock);
        formats = r.Clipboard;
    }
    for (auto& [format, factory] : formats) {
        if (!data.hasFormat(format)) continue;
        std::unique_ptr<TGraphic> g = factory();
        g->LoadFromClipboardFormat(data);
        return g;
    }
    if (data.hasImage()) {
        auto b = std::make_unique<TBitmap>();
        b->LoadFromClipboardFormat(data);
        return b;
    }
    return nullptr;
}

QStringList TPicture::FileFilters() {
    TRegistry& r = Registry();
    QMutexLocker lock(&r.Lock);
    QStringList out;
    for (const auto& [ext, format] : r.Files) out << QStringLiteral("%1 (*.%2)").arg(format.Description, ext);
    return out;
}

}  // namespace vx::img
