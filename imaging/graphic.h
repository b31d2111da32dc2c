// Pictures as the program's picture loader knows them: a graphic base with the operations
// every picture kind offers (assign, draw, size, palette, transparency, streams, clipboard),
// the plain bitmap and icon kinds, and the loader's registry of file extensions and clipboard
// formats. Image classes register themselves here; nothing else needs to know them.
#pragma once

#include "controls/colors.h"
#include "imaging/anicodec.h"
#include "imaging/dib.h"

#include <QByteArray>
#include <QImage>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QVector>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

class QIODevice;
class QMimeData;
class QPainter;

namespace vx::img {

// A bitmap of any depth as a QImage and back: 1-bit bitmaps become Format_Mono, 4- and 8-bit
// ones Format_Indexed8, 24-bit ones Format_RGB888.
QImage DibToImage(const TDib& dib);
// Monochrome images become 1 bit, indexed ones 8 bits (keeping their palette), all others 24.
TDib ImageToDib(const QImage& image);

// A picture as a bitmap file in `format`, reduced by `method` (see ConvertDIB). A null
// picture raises "Bitmap image is not valid"; a format no routine converts to reports
// "Function not yet implemented" and aborts silently.
std::string BitmapToDIBStream(const QImage& bitmap, TPixelFormat format, int method);

// Reads the whole device; raises EReadError when it cannot be read.
std::string ReadAllBytes(QIODevice& device);
void WriteAllBytes(QIODevice& device, std::string_view bytes);

class TGraphic {
public:
    virtual ~TGraphic() = default;
    // Copies another picture into this one; raises EInvalidGraphicOperation when the kinds do
    // not fit.
    virtual void Assign(const TGraphic* source);
    // Copies this picture into another kind.
    virtual void AssignTo(TGraphic* dest) const;
    virtual void Draw(QPainter& canvas, const QRect& rect) const = 0;
    virtual bool Equals(const TGraphic* other) const;
    virtual bool Empty() const = 0;
    virtual int Height() const = 0;
    virtual int Width() const = 0;
    virtual QVector<QRgb> Palette() const { return {}; }
    virtual bool Transparent() const { return false; }
    // The picture in a form's stream: a 32-bit length, then that many bytes of its file.
    virtual void ReadData(QIODevice& stream);
    virtual void WriteData(QIODevice& stream) const;
    virtual void SetHeight(int value);
    virtual void SetWidth(int value);
    virtual void LoadFromStream(QIODevice& stream) = 0;
    virtual void SaveToStream(QIODevice& stream) const = 0;
    virtual void LoadFromClipboardFormat(const QMimeData& data);
    virtual void SaveToClipboardFormat(QMimeData& data) const;

    void LoadFromFile(const QString& path);
    void SaveToFile(const QString& path) const;
    // The picture drawn on a bitmap of its size filled with `background`.
    QImage Render(TColor background) const;
};

// A plain bitmap.
class TBitmap : public TGraphic {
public:
    QImage Image;
    bool TransparentMode = false;
    TColor TransparentColor = clDefault;  // clDefault: the bottom-left pixel's colour
    TColor BrushColor = clWhite;          // the background pictures are drawn onto

    void Assign(const TGraphic* source) override;
    void Draw(QPainter& canvas, const QRect& rect) const override;
    bool Empty() const override { return Image.isNull(); }
    int Height() const override { return Image.height(); }
    int Width() const override { return Image.width(); }
    QVector<QRgb> Palette() const override { return Image.colorTable(); }
    bool Transparent() const override { return TransparentMode; }
    void SetHeight(int value) override;
    void SetWidth(int value) override;
    void LoadFromStream(QIODevice& stream) override;
    void SaveToStream(QIODevice& stream) const override;
    void LoadFromClipboardFormat(const QMimeData& data) override;
    void SaveToClipboardFormat(QMimeData& data) const override;
    bool Monochrome() const { return Image.format() == QImage::Format_Mono || Image.format() == QImage::Format_MonoLSB; }
    // The transparent colour as drawing uses it.
    TColor EffectiveTransparentColor() const;
};

// An icon, kept as the bytes of its icon (or cursor) file and decoded for drawing.
class TIcon : public TGraphic {
public:
    void Assign(const TGraphic* source) override;
    void Draw(QPainter& canvas, const QRect& rect) const override;
    bool Empty() const override { return Bytes.isEmpty() && Image.isNull(); }
    int Height() const override { return Image.isNull() ? DirHeight : Image.height(); }
    int Width() const override { return Image.isNull() ? DirWidth : Image.width(); }
    bool Transparent() const override { return true; }
    void LoadFromStream(QIODevice& stream) override;
    void SaveToStream(QIODevice& stream) const override;
    // The icon file under IconClipboardFormat.
    void LoadFromClipboardFormat(const QMimeData& data) override;
    void SaveToClipboardFormat(QMimeData& data) const override;

    // Loads the bytes of an icon or cursor file; raises EReadError when they are not one.
    void LoadFromBytes(std::string_view bytes);
    // The icon made from a picture.
    void SetImage(const QImage& image);
    // The bytes of the icon file (encoded from the picture when it came from one).
    std::string SaveToBytes() const;
    const QImage& Picture() const { return Image; }
    int Colors() const { return DirColors; }
    void Clear();

private:
    QByteArray Bytes;  // shared, like the picture, between copies of the icon
    QImage Image;
    int DirWidth = 0, DirHeight = 0, DirColors = 0;
};

// The picture loader's registry.
using TGraphicFactory = std::function<std::unique_ptr<TGraphic>()>;
struct TPicture {
    static void RegisterFileFormat(const QString& extension, const QString& description, TGraphicFactory factory);
    static void RegisterClipboardFormat(const QString& format, TGraphicFactory factory);
    // The description of an extension ("gif" -> "CompuServe GIF Image"); empty when unknown.
    static QString FileFormatDescription(const QString& extension);
    static bool SupportsClipboardFormat(const QString& format);
    // A picture loaded from a file of a registered extension; raises EInvalidGraphicOperation
    // for an unknown one.
    static std::unique_ptr<TGraphic> LoadFromFile(const QString& path);
    // A picture from the first registered format the clipboard data holds; null when none.
    static std::unique_ptr<TGraphic> LoadFromClipboard(const QMimeData& data);
    // "Description (*.ext)" entries of every registered format, for file dialogs.
    static QStringList FileFilters();
};

// The clipboard format under which icons are registered.
extern const char* const IconClipboardFormat;

}  // namespace vx::img
