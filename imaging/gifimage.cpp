#include "imaging/gifimage.h"

#include "controls/drawutils.h"
#include "imaging/anicursor.h"

#include <QBuffer>
#include <QMimeData>
#include <QPainter>
#include <algorithm>

namespace vx::img {

const char* const GIFClipboardFormat = "GIF Image";

namespace {

TColor ToTColor(uint32_t rgb) { return RGB(RedOf(rgb), GreenOf(rgb), BlueOf(rgb)); }
uint32_t FromTColor(TColor c) {
    TColor v = ColorToRGB(c);
    return Rgb(GetRValue(v), GetGValue(v), GetBValue(v));
}

int FindColor(const TGifColorTable& table, TColor color) {
    if (color == clNone) return -1;
    uint32_t rgb = FromTColor(color);
    for (int i = 0; i < table.Count; ++i)
        if (table.Color(i) == rgb) return i;
    return -1;
}

std::string Latin1(const QString& s) {
    QByteArray b = s.toLatin1();
    return std::string(b.constData(), size_t(b.size()));
}

}  // namespace

// ---- TGIFFrame ----

TGIFFrame::TGIFFrame(TGIFImage* owner) : Owner(owner) {}

void TGIFFrame::Clear() {
    Item = std::make_shared<TGIFItem>();
    Decoded.reset();
    Left = Top = 0;
    Interlaced = Corrupted = UsesLocalTable = GrayScale = false;
    TransparentColor = clNone;
    AnimateInterval = DisposalMethod = 0;
    Extensions.clear();
}

void TGIFFrame::Assign(const TGIFFrame& source) {
    if (&source == this) return;
    Item = source.Item;
    Decoded = source.Decoded;
    Left = source.Left;
    Top = source.Top;
    Interlaced = source.Interlaced;
    Corrupted = source.Corrupted;
    GrayScale = source.GrayScale;
    TransparentColor = source.TransparentColor;
    AnimateInterval = source.AnimateInterval;
    DisposalMethod = source.DisposalMethod;
    // The global table is only shared within one image; elsewhere the frame carries its own.
    bool sameImage = source.Owner && Owner && source.Owner->Shared == Owner->Shared;
    UsesLocalTable = sameImage ? source.UsesLocalTable : true;
    Extensions.clear();
    SetComment(source.Comment());
}

void TGIFFrame::Assign(const TGIFImage& source) {
    if (source.Frames.empty()) {
        Clear();
        return;
    }
    Assign(*source.Frames[size_t(std::max(source.Current, 0))]);
}

void TGIFFrame::Assign(const TGraphic* source) {
    if (auto* gif = dynamic_cast<const TGIFImage*>(source)) {
        Assign(*gif);
        return;
    }
    Clear();
    if (!source || source->Empty()) return;
    if (auto* bmp = dynamic_cast<const TBitmap*>(source)) {
        SetBitmap(ImageToDib(bmp->Image));
        if (bmp->Transparent()) TransparentColor = bmp->EffectiveTransparentColor();
        return;
    }
    SetBitmap(ImageToDib(source->Render(clWhite)));
    if (source->Transparent()) TransparentColor = clWhite;
}

void TGIFFrame::AssignTo(TBitmap& dest) {
    dest.Image = Image();
    if (TransparentColor != clNone) {
        dest.TransparentColor = TransparentColor;
        dest.TransparentMode = true;
    }
}

const TDib& TGIFFrame::Bitmap() {
    if (!Decoded) {
        if (Item->Data.empty()) {
            Decoded = TDib();
        } else {
            TGifFrameBlock block;
            block.Width = Item->Width;
            block.Height = Item->Height;
            block.Interlaced = Interlaced;
            block.Corrupted = Corrupted;
            block.Data = Item->Data;
            Decoded = DecodeGifFrame(block, Item->BitsPerPixel, Item->ColorTable, Owner ? Owner->OnProgress : nullptr);
        }
    }
    return *Decoded;
}

void TGIFFrame::SetBitmap(const TDib& dib) {
    Item = std::make_shared<TGIFItem>();
    Item->Width = dib.Width;
    Item->Height = dib.Height;
    Item->BitsPerPixel = dib.Bits <= 8 ? dib.Bits : 8;
    Decoded = dib;
    Corrupted = false;
}

QStringList TGIFFrame::Comment() const {
    for (const auto& e : Extensions)
        if (e->Kind == gekComment) return e->Data;
    return {};
}

void TGIFFrame::SetComment(const QStringList& lines) {
    for (auto& e : Extensions)
        if (e->Kind == gekComment) {
            e->Data = lines;
            return;
        }
    if (lines.isEmpty()) return;
    auto e = std::make_unique<TExtension>();
    e->Kind = gekComment;
    e->Data = lines;
    Extensions.push_back(std::move(e));
}

void TGIFFrame::Encode() {
    if (!Item->Data.empty()) return;
    if (!Decoded || Decoded->Empty()) throw EInvalidGraphicOperation("No GIF Data to write");
    TDib dib = *Decoded;
    if (dib.Bits != 1 && dib.Bits != 4 && dib.Bits != 8)
        dib = ConvertDIB(dib, pf8bit, (GrayScale || Owner->GrayScale) ? 5 : DefaultColorMethod());
    if (dib.Bits != 1 && dib.Bits != 4 && dib.Bits != 8) throw EInvalidGraphicOperation("GIF image encoding error");
    auto item = std::make_shared<TGIFItem>();
    item->Width = dib.Width;
    item->Height = dib.Height;
    item->BitsPerPixel = dib.Bits;
    item->ColorTable.Count = 1 << dib.Bits;
    for (int i = 0; i < item->ColorTable.Count; ++i)
        item->ColorTable.Set(i, size_t(i) < dib.Palette.size() ? dib.Palette[size_t(i)] : 0);
    // The first frame encoded gives the image its global table; every later one carries its own
    // table, even one equal to the global table.
    TGIFData& global = *Owner->Shared;
    UsesLocalTable = global.ColorTable.Count > 0;
    if (!UsesLocalTable) {
        global.ColorTable = item->ColorTable;
        global.BitsPerPixel = item->BitsPerPixel;
    }
    item->Data = EncodeGifFrame(dib, item->BitsPerPixel, Interlaced);
    Item = item;
    Decoded = dib;
}

void TGIFFrame::UpdateExtensions() {
    TExtension* gc = nullptr;
    for (auto& e : Extensions)
        if (e->Kind == gekGraphicControl) gc = e.get();
    if (!gc && (AnimateInterval > 0 || TransparentColor != clNone || DisposalMethod != 0)) {
        auto e = std::make_unique<TExtension>();
        e->Kind = gekGraphicControl;
        gc = e.get();
        Extensions.insert(Extensions.begin(), std::move(e));
    }
    if (gc) {
        gc->Fixed.resize(6, '\0');
        gc->Fixed[0] = 4;
        int delay = std::clamp(AnimateInterval / 10, 0, 0xFFFF);
        gc->Fixed[2] = char(delay & 0xFF);
        gc->Fixed[3] = char(delay >> 8);
        uint8_t packed = uint8_t(gc->Fixed[1]);
        int index = FindColor(Item->ColorTable, TransparentColor);
        if (index >= 0) {
            packed |= 1;
            gc->Fixed[4] = char(index);
        } else {
            packed &= uint8_t(~1);
            gc->Fixed[4] = 0;
        }
        packed = uint8_t((packed & ~0x1C) | ((DisposalMethod & 7) << 2));
        gc->Fixed[1] = char(packed);
        gc->Fixed[5] = 0;
    }
    Extensions.erase(std::remove_if(Extensions.begin(), Extensions.end(),
                                    [](const std::unique_ptr<TExtension>& e) {
                                        return e->Kind == gekComment && e->Data.isEmpty();
                                    }),
                     Extensions.end());
}

// ---- TGIFImage ----

TGIFImage::TGIFImage() = default;
TGIFImage::~TGIFImage() = default;

void TGIFImage::Clear() {
    Frames.clear();
    Current = -1;
    Shared = std::make_shared<TGIFData>();
    Version = 0;
    BackgroundColor = clNone;
    Looping = false;
    RepeatCount = 1;
}

void TGIFImage::Unshare() {
    if (Shared.use_count() > 1) Shared = std::make_shared<TGIFData>(*Shared);
}

void TGIFImage::SetFrameIndex(int index) {
    if (index >= 0 && index < Count()) Current = index;
}

void TGIFImage::SetComment(const QStringList& lines) {
    Unshare();
    Shared->Comment = lines;
}

void TGIFImage::Assign(const TGraphic* source) {
    if (source == this) return;
    if (!source) {
        Clear();
        return;
    }
    if (auto* gif = dynamic_cast<const TGIFImage*>(source)) {
        Clear();
        Shared = gif->Shared;
        Version = gif->Version;
        BackgroundColor = gif->BackgroundColor;
        Looping = gif->Looping;
        RepeatCount = gif->RepeatCount;
        GrayScale = gif->GrayScale;
        for (const auto& f : gif->Frames) {
            auto frame = std::make_unique<TGIFFrame>(this);
            frame->Assign(*f);
            Frames.push_back(std::move(frame));
        }
        Current = gif->Current;
        return;
    }
    Clear();
    AddFrame(source);
}

void TGIFImage::Assign(const TAnimatedCursorImage& source) {
    Clear();
    for (int i = 0; i < source.FrameCount(); ++i) AddFrame(&source.FrameIcon(i));
}

void TGIFImage::AssignTo(TGraphic* dest) const {
    if (auto* bmp = dynamic_cast<TBitmap*>(dest)) {
        if (TGIFFrame* f = CurrentFrame()) f->AssignTo(*bmp);
        else bmp->Image = QImage();
        return;
    }
    TGraphic::AssignTo(dest);
}

int TGIFImage::AddFrame(const TGraphic* graphic) {
    auto frame = std::make_unique<TGIFFrame>(this);
    frame->Assign(graphic);
    Frames.push_back(std::move(frame));
    Current = Count() - 1;
    if (Version == 0) Version = 1;
    if (Count() > 1) Version = 2;
    return Current;
}

void TGIFImage::Draw(QPainter& canvas, const QRect& rect) const {
    TGIFFrame* f = CurrentFrame();
    if (!f) return;
    QImage img = f->Image();
    if (img.isNull()) return;
    if (f->TransparentColor != clNone)
        DrawTransparentBitmapPart(canvas, rect.x(), rect.y(), rect.width(), rect.height(), img.rect(), img, f->TransparentColor);
    else
        canvas.drawImage(rect, img);
}

bool TGIFImage::Equals(const TGraphic* other) const {
    auto* gif = dynamic_cast<const TGIFImage*>(other);
    return gif && gif->Shared == Shared;
}

bool TGIFImage::Empty() const {
    TGIFFrame* f = CurrentFrame();
    return !f || (!f->HasBitmap() && !f->HasData());
}

int TGIFImage::Height() const { return CurrentFrame() ? CurrentFrame()->Height() : 0; }
int TGIFImage::Width() const { return CurrentFrame() ? CurrentFrame()->Width() : 0; }

QVector<QRgb> TGIFImage::Palette() const {
    TGIFFrame* f = CurrentFrame();
    if (!f) return {};
    QVector<QRgb> out;
    for (uint32_t c : f->Bitmap().Palette) out.push_back(qRgb(RedOf(c), GreenOf(c), BlueOf(c)));
    return out;
}

bool TGIFImage::Transparent() const {
    return std::any_of(Frames.begin(), Frames.end(), [](const auto& f) { return f->TransparentColor != clNone; });
}

void TGIFImage::SetHeight(int) { throw EInvalidGraphicOperation("Cannot change the Size of a GIF image"); }
void TGIFImage::SetWidth(int) { throw EInvalidGraphicOperation("Cannot change the Size of a GIF image"); }

void TGIFImage::LoadFromBytes(std::string_view bytes) {
    Clear();
    if (bytes.empty()) return;
    TGifFileBlocks file = ReadGifBlocks(bytes);
    auto data = std::make_shared<TGIFData>();
    data->ScreenWidth = file.ScreenWidth;
    data->ScreenHeight = file.ScreenHeight;
    data->AspectRatio = file.Aspect;
    data->ColorResolution = file.ColorResolution;
    data->BitsPerPixel = file.GlobalBits;
    data->ColorTable = file.GlobalTable;
    for (const std::string& line : file.TrailingComment)
        data->Comment << QString::fromLatin1(line.data(), qsizetype(line.size()));
    if (file.GlobalTable.Count > 0 && file.BackgroundIndex < file.GlobalTable.Count)
        BackgroundColor = ToTColor(file.GlobalTable.Color(file.BackgroundIndex));
    Shared = data;
    Version = file.Version;
    Looping = file.Looping;
    RepeatCount = file.RepeatCount;
    for (TGifFrameBlock& block : file.Frames) {
        auto frame = std::make_unique<TGIFFrame>(this);
        frame->Item->Data = std::move(block.Data);
        frame->Item->Width = block.Width;
        frame->Item->Height = block.Height;
        frame->Item->ColorTable = block.LocalTable;
        frame->Item->BitsPerPixel = FrameBits(block, file.GlobalTable);
        frame->Left = block.Left;
        frame->Top = block.Top;
        frame->Interlaced = block.Interlaced;
        frame->Corrupted = block.Corrupted;
        frame->UsesLocalTable = block.HasLocalTable;
        for (TGifExtension& e : block.Extensions) {
            auto ext = std::make_unique<TExtension>();
            ext->Kind = e.Kind;
            ext->Fixed = e.Fixed;
            for (const std::string& b : e.Blocks) ext->Data << QString::fromLatin1(b.data(), qsizetype(b.size()));
            if (e.Kind == gekGraphicControl && e.Fixed.size() >= 5) {
                uint8_t packed = uint8_t(e.Fixed[1]);
                int delay = uint8_t(e.Fixed[2]) | (uint8_t(e.Fixed[3]) << 8);
                int index = uint8_t(e.Fixed[4]);
                const TGifColorTable& table = frame->Item->ColorTable;
                frame->TransparentColor = (packed & 1) && index < table.Count ? ToTColor(table.Color(index)) : clNone;
                frame->AnimateInterval = std::max(delay * 10, frame->AnimateInterval);
                frame->DisposalMethod = (packed & 0x1C) >> 2;
            }
            frame->Extensions.push_back(std::move(ext));
        }
        Frames.push_back(std::move(frame));
    }
    Current = Frames.empty() ? -1 : 0;
}

void TGIFImage::LoadFromStream(QIODevice& stream) { LoadFromBytes(ReadAllBytes(stream)); }

std::string TGIFImage::SaveToBytes() const {
    // Writing makes each frame's encoded data first, as a cache the image keeps.
    auto* self = const_cast<TGIFImage*>(this);
    self->Unshare();
    TGIFData& data = *self->Shared;
    for (auto& f : self->Frames) {
        f->Encode();
        f->UpdateExtensions();
        data.ScreenWidth = std::max(data.ScreenWidth, f->Left + f->Width());
        data.ScreenHeight = std::max(data.ScreenHeight, f->Top + f->Height());
    }
    TGifFileBlocks file;
    file.Version = Version == 0 ? 1 : Version;
    bool extensions = std::any_of(Frames.begin(), Frames.end(), [](const auto& f) { return !f->Extensions.empty(); });
    bool comment = std::any_of(data.Comment.begin(), data.Comment.end(), [](const QString& l) { return !l.isEmpty(); });
    if (extensions || comment || (Looping && Frames.size() > 1)) file.Version = 2;
    file.ScreenWidth = data.ScreenWidth;
    file.ScreenHeight = data.ScreenHeight;
    int globalBits = data.ColorTable.Count > 0 ? BitsOfColorCount(data.ColorTable.Count) : std::clamp(data.BitsPerPixel, 1, 8);
    int resolution = std::clamp(data.ColorResolution, 1, 8);
    file.Packed = uint8_t((data.ColorTable.Count > 0 ? 0x80 : 0) | ((resolution - 1) << 4) | (globalBits - 1));
    file.BackgroundIndex = uint8_t(std::max(FindColor(data.ColorTable, BackgroundColor), 0));
    file.Aspect = data.AspectRatio;
    file.GlobalTable = data.ColorTable;
    file.Looping = Looping;
    file.RepeatCount = std::clamp(RepeatCount, 0, 30000);
    for (const auto& f : Frames) {
        TGifFrameBlock block;
        for (const auto& e : f->Extensions) {
            TGifExtension ext;
            ext.Kind = e->Kind;
            ext.Fixed = e->Fixed;
            for (const QString& b : e->Data) ext.Blocks.push_back(Latin1(b));
            block.Extensions.push_back(std::move(ext));
        }
        block.Left = f->Left;
        block.Top = f->Top;
        block.Width = f->Width();
        block.Height = f->Height();
        block.Interlaced = f->Interlaced;
        block.HasLocalTable = f->UsesLocalTable || data.ColorTable.Count == 0;
        block.LocalTable = f->Item->ColorTable;
        if (block.LocalTable.Count == 0) block.HasLocalTable = false;
        block.Data = f->Item->Data;
        file.Frames.push_back(std::move(block));
    }
    std::vector<std::string> lines;
    for (const QString& l : data.Comment) lines.push_back(Latin1(l));
    return WriteGifBlocks(file, lines);
}

void TGIFImage::SaveToStream(QIODevice& stream) const { WriteAllBytes(stream, SaveToBytes()); }

void TGIFImage::LoadFromClipboardFormat(const QMimeData& data) {
    QByteArray gif = data.data(QString::fromLatin1(GIFClipboardFormat));
    if (!gif.isEmpty()) {
        LoadFromBytes(std::string_view(gif.constData(), size_t(gif.size())));
        if (data.hasImage() && !Frames.empty()) {
            QImage img = qvariant_cast<QImage>(data.imageData());
            if (img.width() == Frames[0]->Width() && img.height() == Frames[0]->Height()) Frames[0]->Decoded = ImageToDib(img);
        }
        return;
    }
    TBitmap bmp;
    bmp.LoadFromClipboardFormat(data);
    Assign(&bmp);
}

void TGIFImage::SaveToClipboardFormat(QMimeData& data) const {
    if (!Frames.empty()) data.setImageData(Frames[0]->Image());
    std::string bytes = SaveToBytes();
    data.setData(QString::fromLatin1(GIFClipboardFormat), QByteArray(bytes.data(), qsizetype(bytes.size())));
}

}  // namespace vx::img
