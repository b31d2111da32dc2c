#include "imaging/anicursor.h"

#include "controls/drawutils.h"

#include <QFile>
#include <QPainter>
#include <algorithm>

namespace vx::img {

namespace {

void Put32(std::string& s, uint32_t v) {
    for (int i = 0; i < 4; ++i) s.push_back(char((v >> (8 * i)) & 0xFF));
}

uint32_t Get32(std::string_view in, size_t& pos) {
    if (in.size() - pos < 4 || pos > in.size()) throw EReadError();
    const auto* p = reinterpret_cast<const unsigned char*>(in.data() + pos);
    pos += 4;
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

std::unique_ptr<TIcon> CopyIcon(const TIcon* icon) {
    if (!icon) return nullptr;
    auto copy = std::make_unique<TIcon>();
    copy->Assign(icon);
    return copy;
}

}  // namespace

// ---- TIconList ----

void TIconList::Changed() {
    if (Updating == 0 && OnChange) OnChange();
}

void TIconList::CheckIndex(int index, bool end) const {
    if (index < 0 || index > Count() || (!end && index == Count()))
        throw std::out_of_range("List index out of bounds (" + std::to_string(index) + ")");
}

void TIconList::Assign(const TIconList& source) {
    if (&source == this) return;
    BeginUpdate();
    Icons.clear();
    for (const auto& icon : source.Icons) Icons.push_back(CopyIcon(icon.get()));
    EndUpdate();
}

void TIconList::Assign(const TIcon& source) {
    BeginUpdate();
    Icons.clear();
    Icons.push_back(CopyIcon(&source));
    EndUpdate();
}

const TIcon* TIconList::Get(int index) const {
    CheckIndex(index, false);
    return Icons[size_t(index)].get();
}

void TIconList::Put(int index, const TIcon* icon) {
    CheckIndex(index, true);
    if (index == Count()) {
        Add(icon);
        return;
    }
    Icons[size_t(index)] = CopyIcon(icon);
    Changed();
}

int TIconList::Add(const TIcon* icon) {
    Icons.push_back(CopyIcon(icon));
    Changed();
    return Count() - 1;
}

int TIconList::AddResource(const QString& resource) {
    TIcon icon;
    icon.LoadFromFile(resource);
    return Add(&icon);
}

void TIconList::InsertResource(int index, const QString& resource) {
    TIcon icon;
    icon.LoadFromFile(resource);
    Insert(index, &icon);
}

void TIconList::Clear() {
    if (Icons.empty()) return;
    Icons.clear();
    Changed();
}

void TIconList::Delete(int index) {
    CheckIndex(index, false);
    Icons.erase(Icons.begin() + index);
    Changed();
}

void TIconList::Exchange(int a, int b) {
    CheckIndex(a, false);
    CheckIndex(b, false);
    std::swap(Icons[size_t(a)], Icons[size_t(b)]);
    Changed();
}

int TIconList::IndexOf(const TIcon* icon) const {
    for (int i = 0; i < Count(); ++i)
        if (Icons[size_t(i)].get() == icon) return i;
    return -1;
}

void TIconList::Insert(int index, const TIcon* icon) {
    CheckIndex(index, true);
    Icons.insert(Icons.begin() + index, CopyIcon(icon));
    Changed();
}

void TIconList::Move(int from, int to) {
    if (from == to) return;
    CheckIndex(from, false);
    CheckIndex(to, false);
    auto icon = std::move(Icons[size_t(from)]);
    Icons.erase(Icons.begin() + from);
    Icons.insert(Icons.begin() + to, std::move(icon));
    Changed();
}

void TIconList::BeginUpdate() { ++Updating; }

void TIconList::EndUpdate() {
    if (Updating > 0 && --Updating == 0) Changed();
}

std::string TIconList::WriteIcons() const {
    std::string s;
    Put32(s, uint32_t(Icons.size()));
    for (const auto& icon : Icons) {
        std::string bytes = icon && !icon->Empty() ? icon->SaveToBytes() : std::string();
        Put32(s, uint32_t(bytes.size()));
        s += bytes;
    }
    return s;
}

void TIconList::ReadIcons(std::string_view bytes) {
    size_t pos = 0;
    uint32_t count = Get32(bytes, pos);
    if (count > bytes.size() / 4) throw EReadError();  // each entry holds at least its size
    std::vector<std::unique_ptr<TIcon>> icons;
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t size = Get32(bytes, pos);
        if (size > bytes.size() - pos) throw EReadError();
        if (size == 0) {
            icons.push_back(nullptr);
            continue;
        }
        auto icon = std::make_unique<TIcon>();
        icon->LoadFromBytes(bytes.substr(pos, size));
        pos += size;
        icons.push_back(std::move(icon));
    }
    Icons = std::move(icons);
    Changed();
}

bool TIconList::IconsDiffer(const TIconList* ancestor) const {
    if (!ancestor) return Count() > 0;
    return WriteIcons() != ancestor->WriteIcons();
}

// ---- TAnimatedCursorImage ----

void TAnimatedCursorImage::Clear() {
    Frames.clear();
    Header = TAniHeader();
    Title.clear();
    Author.clear();
    MaxColors = 0;
}

void TAnimatedCursorImage::Assign(const TAnimatedCursorImage& source) {
    if (&source == this) return;
    Clear();
    Header = source.Header;
    Title = source.Title;
    Author = source.Author;
    MaxColors = source.MaxColors;
    for (const auto& f : source.Frames) {
        auto copy = std::make_unique<TIconFrame>();
        copy->Icon.Assign(&f->Icon);
        copy->IsIcon = f->IsIcon;
        copy->Width = f->Width;
        copy->Height = f->Height;
        copy->Colors = f->Colors;
        copy->JiffRate = f->JiffRate;
        copy->Sequence = f->Sequence;
        Frames.push_back(std::move(copy));
    }
}

void TAnimatedCursorImage::AssignTo(TIcon& dest) const {
    if (Frames.empty()) dest.Clear();
    else dest.Assign(&Frames[0]->Icon);
}

void TAnimatedCursorImage::AssignTo(TBitmap& dest) const { dest.Image = CreateFrameStrip(false, dest.BrushColor, true); }

void TAnimatedCursorImage::AssignTo(TIconList& dest) const {
    dest.BeginUpdate();
    dest.Clear();
    for (const auto& f : Frames) dest.Add(&f->Icon);
    dest.EndUpdate();
}

void TAnimatedCursorImage::LoadFromBytes(std::string_view bytes) {
    Clear();
    TAniFile file = ReadAniCursor(bytes);
    // Each icon is decoded once; the steps that show it share its bytes and picture.
    std::vector<TIcon> icons(file.Icons.size());
    for (size_t i = 0; i < icons.size(); ++i) icons[i].LoadFromBytes(file.Icons[i].Bytes);  // EReadError when undecodable
    std::vector<std::unique_ptr<TIconFrame>> frames;
    frames.reserve(file.Frames.size());
    for (const TAniFrameData& fd : file.Frames) {
        const TAniIconData& icon = file.Icons[size_t(fd.Icon)];
        auto frame = std::make_unique<TIconFrame>();
        frame->Icon.Assign(&icons[size_t(fd.Icon)]);
        frame->IsIcon = (file.Header.Flags & 1) != 0;
        frame->Width = icon.Width;
        frame->Height = icon.Height;
        frame->Colors = icon.Colors;
        frame->JiffRate = fd.Rate;
        frame->Sequence = fd.Sequence;
        frames.push_back(std::move(frame));
    }
    Frames = std::move(frames);
    Header = file.Header;
    Title = QString::fromLatin1(file.Title.data(), qsizetype(file.Title.size()));
    Author = QString::fromLatin1(file.Author.data(), qsizetype(file.Author.size()));
    MaxColors = file.MaxColors;
}

void TAnimatedCursorImage::LoadFromStream(QIODevice& stream) {
    try {
        LoadFromBytes(ReadAllBytes(stream));
    } catch (...) {
        Clear();
        throw;
    }
}

void TAnimatedCursorImage::LoadFromFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) throw EReadError();
    LoadFromStream(f);
}

void TAnimatedCursorImage::SaveToStream(QIODevice&) const { ReportNotImplemented(); }

QImage TAnimatedCursorImage::CreateFrameStrip(bool vertical, TColor background, bool reduce) const {
    if (Frames.empty()) return QImage();
    int w = 0, h = 0;
    for (const auto& f : Frames) {
        w = std::max(w, f->Icon.Width());
        h = std::max(h, f->Icon.Height());
    }
    int n = FrameCount();
    QImage strip(vertical ? w : w * n, vertical ? h * n : h, QImage::Format_RGB32);
    strip.fill(ToQColor(background));
    {
        QPainter p(&strip);
        for (int i = 0; i < n; ++i) {
            const TIcon& icon = Frames[size_t(i)]->Icon;
            p.drawImage(vertical ? 0 : i * w, vertical ? i * h : 0, icon.Picture());
        }
    }
    if (!reduce) return strip;
    std::string bmp = BitmapToDIBStreamByColors(ImageToDib(strip), std::max(MaxColors, 16));
    return QImage::fromData(reinterpret_cast<const uchar*>(bmp.data()), int(bmp.size()), "BMP");
}

}  // namespace vx::img
