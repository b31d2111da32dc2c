// A list of icons that streams as one binary property, and animated cursors read into frames
// of icons with their display rates, title and author.
#pragma once

#include "imaging/anicodec.h"
#include "imaging/graphic.h"

#include <functional>
#include <memory>
#include <vector>

namespace vx::img {

class TIconList {
public:
    TIconList() = default;
    TIconList(const TIconList&) = delete;
    TIconList& operator=(const TIconList&) = delete;

    // From another list, or from a single icon, which replaces the content.
    void Assign(const TIconList& source);
    void Assign(const TIcon& source);

    int Count() const { return int(Icons.size()); }
    // The icon at index; null for an empty entry.
    const TIcon* Get(int index) const;
    // Copies the icon into the list at index (index = Count appends); null makes an empty entry.
    void Put(int index, const TIcon* icon);
    int Add(const TIcon* icon);
    // Adds an icon loaded from a resource path (":/icons/x.ico"); raises when it cannot be read.
    int AddResource(const QString& resource);
    void InsertResource(int index, const QString& resource);
    void Clear();
    void Delete(int index);
    void Exchange(int a, int b);
    int IndexOf(const TIcon* icon) const;
    void Insert(int index, const TIcon* icon);
    void Move(int from, int to);
    // Change notices are held until the last EndUpdate.
    void BeginUpdate();
    void EndUpdate();
    std::function<void()> OnChange;

    // The binary property "Icons": a 32-bit count, then per icon a 32-bit size and the icon
    // file (size 0 for an empty entry).
    std::string WriteIcons() const;
    void ReadIcons(std::string_view bytes);
    // Whether the property must be written: it differs from the ancestor's (count or bytes).
    bool IconsDiffer(const TIconList* ancestor) const;

private:
    void Changed();
    void CheckIndex(int index, bool end) const;
    std::vector<std::unique_ptr<TIcon>> Icons;
    int Updating = 0;
};

class TIconFrame {
public:
    TIcon Icon;
    bool IsIcon = true;
    int Width = 0, Height = 0, Colors = 0;
    uint32_t JiffRate = 0;  // display time in 1/60 s
    uint32_t Sequence = 0;  // the icon of the "fram" list this step shows
};

class TAnimatedCursorImage {
public:
    void Assign(const TAnimatedCursorImage& source);
    void AssignTo(TIcon& dest) const;
    // The frame strip, side by side, on dest's brush colour, reduced to the colours met.
    void AssignTo(TBitmap& dest) const;
    void AssignTo(TIconList& dest) const;
    // Raises EReadError ("Stream read error") and leaves the object cleared on bad input.
    void LoadFromStream(QIODevice& stream);
    void LoadFromBytes(std::string_view bytes);
    void LoadFromFile(const QString& path);
    // Writing animated cursors is not supported.
    void SaveToStream(QIODevice& stream) const;
    void Clear();

    int FrameCount() const { return int(Frames.size()); }
    const TIcon& FrameIcon(int index) const { return Frames.at(size_t(index))->Icon; }
    const TIconFrame& Frame(int index) const { return *Frames.at(size_t(index)); }
    // The frames' icons in one bitmap, side by side or stacked, optionally reduced to
    // max(largest colour count met, 16) colours.
    QImage CreateFrameStrip(bool vertical, TColor background, bool reduce) const;

    TAniHeader Header;
    QString Title, Author;
    int MaxColors = 0;

private:
    std::vector<std::unique_ptr<TIconFrame>> Frames;
};

}  // namespace vx::img
