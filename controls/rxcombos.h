// Combo boxes with owner-drawn items: TOwnerDrawComboBox, whose fixed item height follows its
// font, and TFontComboBox, which lists the installed font families with a small glyph for
// outline and device fonts, can draw each name in its own face and exposes the chosen face as
// FontName. The list rules (filters, duplicates, order) live in namespace fontlist.
#pragma once

#include <QComboBox>
#include <QImage>
#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

class QFontMetrics;

enum TFontDevice { fdScreen, fdPrinter, fdBoth };

enum TFontListOption {
    foAnsiOnly, foTrueTypeOnly, foFixedPitchOnly, foNoOEMFonts, foOEMFontsOnly, foScalableOnly, foNoSymbolFonts
};
// A set of TFontListOption: bit (1 << option) per member.
using TFontListOptions = uint32_t;
constexpr TFontListOptions FontOption(TFontListOption o) { return 1u << static_cast<unsigned>(o); }
constexpr bool HasFontOption(TFontListOptions set, TFontListOption o) { return (set & FontOption(o)) != 0; }

namespace fontlist {

// Font type bits of an item, as the font enumeration reports them.
constexpr int RASTER_FONTTYPE = 1;
constexpr int DEVICE_FONTTYPE = 2;
constexpr int TRUETYPE_FONTTYPE = 4;
// Added to an item's type bits when the font is no symbol font (it can show its own name).
constexpr int NOT_SYMBOL_FONT = 0x100;

// Character sets and pitch bits of a font.
constexpr int ANSI_CHARSET = 0;
constexpr int DEFAULT_CHARSET = 1;
constexpr int SYMBOL_CHARSET = 2;
constexpr int OEM_CHARSET = 255;
constexpr int FIXED_PITCH = 1;
constexpr int VARIABLE_PITCH = 2;

// One family as the enumeration describes it.
struct TFontInfo {
    QString FaceName;
    int FontType = 0;        // RASTER_FONTTYPE, DEVICE_FONTTYPE, TRUETYPE_FONTTYPE bits
    int CharSet = ANSI_CHARSET;
    int PitchAndFamily = VARIABLE_PITCH;
};

// One list item: the face name and its object (type bits, plus NOT_SYMBOL_FONT).
struct TFontItem {
    QString Name;
    int Object = 0;
    bool operator==(const TFontItem&) const = default;
};

// True when the font passes every filter of the options.
bool FontPasses(const TFontInfo& font, TFontListOptions options);

// The list for a device: the screen's families for fdScreen and fdBoth, then the printer's for
// fdPrinter and fdBoth; a face already listed (in any letter case) is left out; sorted by name
// without regard to case.
std::vector<TFontItem> BuildFontList(const std::vector<TFontInfo>& screen, const std::vector<TFontInfo>& printer,
                                     TFontDevice device, TFontListOptions options);

// The installed families as the font database knows them. Outline (smoothly scalable) fonts count
// as TrueType, bitmap fonts as raster fonts; no font is a device font. A family that has the
// symbol script is a symbol font; else one with Latin is ANSI; the others have the default
// character set; no font is OEM. A family name carries no foundry ("C059", not "C059 [urw]"). Fixed-pitch families have FIXED_PITCH, the others VARIABLE_PITCH.
// Printing uses the same fonts, so the printer's families are the same list.
std::vector<TFontInfo> InstalledFonts();

// Item height for a font: its height + 1, at least 9.
int ItemHeightFor(const QFontMetrics& metrics);

// The two glyphs (20 x 12): a program resource "TRUETYPE_FNT"/"DEVICE_FNT" when the program has
// one, else the built-in picture.
QImage TrueTypeGlyph();
QImage DeviceGlyph();

}  // namespace fontlist

// A combo box with fixed-height owner-drawn items; the item height follows the font.
class TOwnerDrawComboBox : public QComboBox {
public:
    enum TComboStyle { csDropDown, csSimple, csDropDownList };
    using TNotifyEvent = std::function<void(QObject* sender)>;

    explicit TOwnerDrawComboBox(QWidget* parent = nullptr);

    // csDropDown and csSimple are editable (Qt has no list that stays open; csSimple behaves as
    // csDropDown), csDropDownList is a pick list. Default csDropDownList.
    TComboStyle Style() const { return FStyle; }
    void SetStyle(TComboStyle value);

    int ItemIndex() const { return currentIndex(); }
    void SetItemIndex(int value) { setCurrentIndex(value); }
    QString Text() const { return currentText(); }
    int ItemHeight() const { return FItemHeight; }

    // Draws one item (in the list, or the chosen one in the closed box) into rect.
    virtual void DrawItem(QPainter& painter, int index, const QRect& rect, bool selected);

protected:
    // The item height for the current font.
    virtual int GetItemHeight() const;
    void ResetItemHeight();
    // Text typed into the edit of the editable styles.
    virtual void TextTyped(const QString& text);

    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    TComboStyle FStyle = csDropDownList;
    int FItemHeight = 9;
};

// The installed font families, each with its glyph; FontName is the chosen face.
class TFontComboBox : public TOwnerDrawComboBox {
public:
    explicit TFontComboBox(QWidget* parent = nullptr);

    QString FontName() const { return currentText(); }
    // Selects the first family equal to the name in any letter case; an unknown name leaves a
    // pick list without selection and shows the name in the editable styles. Fires OnChange
    // unless the name is the text already.
    void SetFontName(const QString& value);

    TFontDevice Device() const { return FDevice; }
    void SetDevice(TFontDevice value);
    TFontListOptions Options() const { return FOptions; }
    void SetOptions(TFontListOptions value);
    bool TrueTypeOnly() const { return HasFontOption(FOptions, foTrueTypeOnly); }
    void SetTrueTypeOnly(bool value);
    // Draw each name in its own face (symbol fonts excepted).
    bool UseFonts() const { return FUseFonts; }
    void SetUseFonts(bool value);

    // The type bits of an item (see fontlist), 0 for an index outside the list.
    int ItemObject(int index) const;

    // Fills the list again, keeping the chosen face when it is still there; runs by itself when
    // the installed fonts change.
    void Refill();

    // The chosen face changed: by a click, by FontName, or by typing a listed name.
    TNotifyEvent OnChange;

    // Where the list comes from (the installed fonts); tests replace it.
    static std::function<std::vector<fontlist::TFontInfo>(TFontDevice part)> EnumerateFonts;

    void DrawItem(QPainter& painter, int index, const QRect& rect, bool selected) override;

protected:
    int GetItemHeight() const override;
    void TextTyped(const QString& text) override;

private:
    void DoChange();

    QImage FTrueTypeGlyph;
    QImage FDeviceGlyph;
    TFontDevice FDevice = fdScreen;
    bool FUpdate = false;
    bool FUseFonts = false;
    TFontListOptions FOptions = 0;
};

// The tool bar's font face box: 145 pixels wide, "Verdana" of 11 pixels, with its hint.
TFontComboBox* NewQuickSettingFontFaceBox(QWidget* parent);
