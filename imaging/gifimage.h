// GIF images, single and animated: read, held as frames of encoded data that are decoded on
// demand, drawn, and written. Registered with the picture loader for ".gif" and for the
// clipboard format "GIF Image".
#pragma once

#include "imaging/gifcodec.h"
#include "imaging/graphic.h"

#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

namespace vx::img {

class TAnimatedCursorImage;
class TGIFImage;

extern const char* const GIFClipboardFormat;  // "GIF Image"

// The image data shared between assigned copies.
struct TGIFData {
    int ScreenWidth = 0, ScreenHeight = 0;
    uint8_t AspectRatio = 0;
    int ColorResolution = 8;  // 1..8
    int BitsPerPixel = 1;     // of the global table
    TGifColorTable ColorTable;
    QStringList Comment;
};

// A frame's data shared between assigned copies.
struct TGIFItem {
    std::string Data;  // LZW code size, data sub-blocks, zero block
    int Width = 0, Height = 0;
    int BitsPerPixel = 8;
    TGifColorTable ColorTable;  // the table the frame uses
};

class TExtension {
public:
    int Kind = gekComment;  // TGifExtensionKind
    std::string Fixed;
    QStringList Data;  // one entry per sub-block, bytes as Latin-1
};

class TGIFFrame {
public:
    explicit TGIFFrame(TGIFImage* owner);

    void Assign(const TGIFFrame& source);
    void Assign(const TGIFImage& source);
    // From any other picture (null or empty clears the frame).
    void Assign(const TGraphic* source);
    void AssignTo(TBitmap& dest);

    // The decoded bitmap (1, 4 or 8 bits), made on first use; raises the decoding errors.
    const TDib& Bitmap();
    QImage Image() { return DibToImage(Bitmap()); }
    bool HasBitmap() const { return Decoded.has_value(); }
    bool HasData() const { return Item && !Item->Data.empty(); }
    // Replaces the picture: the encoded data is dropped and made again on writing.
    void SetBitmap(const TDib& dib);
    int Width() const { return Item ? Item->Width : 0; }
    int Height() const { return Item ? Item->Height : 0; }
    int BitsPerPixel() const { return Item ? Item->BitsPerPixel : 0; }
    const TGIFItem& ItemData() const { return *Item; }

    QStringList Comment() const;
    void SetComment(const QStringList& lines);

    int Left = 0, Top = 0;
    bool Interlaced = false;
    bool Corrupted = false;
    bool UsesLocalTable = false;
    TColor TransparentColor = clNone;
    int AnimateInterval = 0;  // milliseconds
    int DisposalMethod = 0;
    bool GrayScale = false;
    std::vector<std::unique_ptr<TExtension>> Extensions;

private:
    friend class TGIFImage;
    void Clear();
    // Encodes the bitmap into data, as writing needs.
    void Encode();
    // Brings the graphic control extension in line with the frame's values.
    void UpdateExtensions();
    TGIFImage* Owner;
    std::shared_ptr<TGIFItem> Item = std::make_shared<TGIFItem>();
    std::optional<TDib> Decoded;
};

class TGIFImage : public TGraphic {
public:
    TGIFImage();
    ~TGIFImage() override;

    void Assign(const TGraphic* source) override;
    void Assign(const TAnimatedCursorImage& source);
    void AssignTo(TGraphic* dest) const override;
    void Draw(QPainter& canvas, const QRect& rect) const override;
    bool Equals(const TGraphic* other) const override;
    bool Empty() const override;
    int Height() const override;
    int Width() const override;
    QVector<QRgb> Palette() const override;
    bool Transparent() const override;
    void SetHeight(int value) override;
    void SetWidth(int value) override;
    void LoadFromStream(QIODevice& stream) override;
    void SaveToStream(QIODevice& stream) const override;
    void LoadFromClipboardFormat(const QMimeData& data) override;
    void SaveToClipboardFormat(QMimeData& data) const override;

    void LoadFromBytes(std::string_view bytes);
    std::string SaveToBytes() const;

    // Appends a frame made from a picture and makes it current; returns its index.
    int AddFrame(const TGraphic* graphic);
    void Clear();

    int Count() const { return int(Frames.size()); }
    TGIFFrame& Frame(int index) { return *Frames.at(size_t(index)); }
    int FrameIndex() const { return Current; }
    void SetFrameIndex(int index);
    TGIFFrame* CurrentFrame() const { return Current >= 0 ? Frames[size_t(Current)].get() : nullptr; }

    const TGIFData& Data() const { return *Shared; }
    QStringList Comment() const { return Shared->Comment; }
    void SetComment(const QStringList& lines);

    int Version = 0;  // 0 none, 1 "87a", 2 "89a"
    TColor BackgroundColor = clNone;
    bool Looping = false;
    int RepeatCount = 1;  // at most 30000
    bool GrayScale = false;
    // Decoding progress of the frames: stage 0 start, 1 percent of data read, 2 end.
    std::function<void(int, int)> OnProgress;

private:
    friend class TGIFFrame;
    void Unshare();
    std::shared_ptr<TGIFData> Shared = std::make_shared<TGIFData>();
    std::vector<std::unique_ptr<TGIFFrame>> Frames;
    int Current = -1;
};

}  // namespace vx::img
