#include "controls/rxcombos.h"

#include "controls/colors.h"
#include "controls/drawutils.h"

#include <QAbstractItemView>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPainter>
#include <QSignalBlocker>
#include <QStyleOptionComboBox>
#include <QStyledItemDelegate>
#include <QStylePainter>
#include <algorithm>

namespace fontlist {

bool FontPasses(const TFontInfo& font, TFontListOptions options) {
    if (HasFontOption(options, foAnsiOnly) && font.CharSet != ANSI_CHARSET) return false;
    if (HasFontOption(options, foTrueTypeOnly) && !(font.FontType & TRUETYPE_FONTTYPE)) return false;
    if (HasFontOption(options, foFixedPitchOnly) && !(font.PitchAndFamily & FIXED_PITCH)) return false;
    if (HasFontOption(options, foOEMFontsOnly) && font.CharSet != OEM_CHARSET) return false;
    if (HasFontOption(options, foNoOEMFonts) && font.CharSet == OEM_CHARSET) return false;
    if (HasFontOption(options, foNoSymbolFonts) && font.CharSet == SYMBOL_CHARSET) return false;
    if (HasFontOption(options, foScalableOnly) && (font.FontType & RASTER_FONTTYPE)) return false;
    return true;
}

std::vector<TFontItem> BuildFontList(const std::vector<TFontInfo>& screen, const std::vector<TFontInfo>& printer,
                                     TFontDevice device, TFontListOptions options) {
    std::vector<TFontItem> items;
    auto add = [&](const std::vector<TFontInfo>& fonts) {
        for (const TFontInfo& f : fonts) {
            if (f.FaceName.isEmpty()) continue;
            bool listed = std::any_of(items.begin(), items.end(), [&](const TFontItem& i) {
                return i.Name.compare(f.FaceName, Qt::CaseInsensitive) == 0;
            });
            if (listed || !FontPasses(f, options)) continue;
            int object = f.FontType & (RASTER_FONTTYPE | DEVICE_FONTTYPE | TRUETYPE_FONTTYPE);
            if (f.CharSet != SYMBOL_CHARSET) object |= NOT_SYMBOL_FONT;
            items.push_back({f.FaceName, object});
        }
    };
    if (device == fdScreen || device == fdBoth) add(screen);
    if (device == fdPrinter || device == fdBoth) add(printer);
    std::stable_sort(items.begin(), items.end(), [](const TFontItem& a, const TFontItem& b) {
        return a.Name.compare(b.Name, Qt::CaseInsensitive) < 0;
    });
    return items;
}

std::vector<TFontInfo> InstalledFonts() {
    std::vector<TFontInfo> fonts;
    for (const QString& family : QFontDatabase::families()) {
        if (QFontDatabase::isPrivateFamily(family)) continue;
        TFontInfo f;
        // A family installed by several foundries comes as "Name [foundry]"; the name alone
        // selects it, and the list holds it once.
        f.FaceName = family;
        qsizetype bracket = family.lastIndexOf(QStringLiteral(" ["));
        if (bracket > 0 && family.endsWith(u']')) f.FaceName = family.left(bracket);
        f.FontType = QFontDatabase::isSmoothlyScalable(family) ? TRUETYPE_FONTTYPE : RASTER_FONTTYPE;
        const QList<QFontDatabase::WritingSystem> ws = QFontDatabase::writingSystems(family);
        if (ws.contains(QFontDatabase::Symbol))
            f.CharSet = SYMBOL_CHARSET;
        else if (ws.contains(QFontDatabase::Latin))
            f.CharSet = ANSI_CHARSET;
        else
            f.CharSet = DEFAULT_CHARSET;
        f.PitchAndFamily = QFontDatabase::isFixedPitch(family) ? FIXED_PITCH : VARIABLE_PITCH;
        fonts.push_back(f);
    }
    return fonts;
}

int ItemHeightFor(const QFontMetrics& metrics) { return std::max(metrics.height() + 1, 9); }

// Two "T"s, grey and black, on a magenta ground that is left out when drawn.
static const char* const TrueTypeXpm[] = {
    "20 12 3 1",
    ". c #FF00FF",
    "g c #808080",
    "k c #000000",
    ".ggggggggg..........",
    ".ggggggggg..........",
    ".g..ggg..g..........",
    "....gggkkkkkkkkkk...",
    "....gggkkkkkkkkkk...",
    "....gggk..kkkk..k...",
    "....ggg...kkkk......",
    "....ggg...kkkk......",
    "...ggggg..kkkk......",
    "..........kkkk......",
    "..........kkkk......",
    ".........kkkkkk.....",
};

// A small printer.
static const char* const DeviceXpm[] = {
    "20 12 5 1",
    ". c #FF00FF",
    "k c #000000",
    "w c #FFFFFF",
    "s c #C0C0C0",
    "r c #FF0000",
    "......kkkkkkkk......",
    "......kwwwwwwk......",
    "......kwwwwwwk......",
    "......kwwwwwwk......",
    "..kkkkkkkkkkkkkkkk..",
    "..kssssssssssssssk..",
    "..ksssssssssssrrsk..",
    "..kssssssssssssssk..",
    "..kssssssssssssssk..",
    "..kkkkwwwwwwwwkkkk..",
    ".....kwwwwwwwwk.....",
    ".....kkkkkkkkkk.....",
};

static QImage LoadGlyph(const QString& name, const char* const* builtIn) {
    try {
        return LoadResourceBitmap(name).toImage();
    } catch (const EResNotFound&) {
        return QImage(builtIn);
    }
}

QImage TrueTypeGlyph() { return LoadGlyph(QStringLiteral("TRUETYPE_FNT"), TrueTypeXpm); }
QImage DeviceGlyph() { return LoadGlyph(QStringLiteral("DEVICE_FNT"), DeviceXpm); }

}  // namespace fontlist

// ---------------------------------------------------------------------------------------------

namespace {

// Hands the drawing of every list item to the combo box.
class OwnerDrawDelegate : public QStyledItemDelegate {
public:
    explicit OwnerDrawDelegate(TOwnerDrawComboBox* combo) : QStyledItemDelegate(combo), Combo(combo) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        painter->save();
        Combo->DrawItem(*painter, index.row(), option.rect, option.state & QStyle::State_Selected);
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex& index) const override {
        int w = Combo->fontMetrics().horizontalAdvance(index.data().toString()) + 32;
        return {w, Combo->ItemHeight()};
    }

private:
    TOwnerDrawComboBox* Combo;
};

}  // namespace

TOwnerDrawComboBox::TOwnerDrawComboBox(QWidget* parent) : QComboBox(parent) {
    setItemDelegate(new OwnerDrawDelegate(this));
    setInsertPolicy(QComboBox::NoInsert);
    // A list that drops down below the box with eight rows, whatever the style would do.
    setStyleSheet(QStringLiteral("QComboBox { combobox-popup: 0; }"));
    setMaxVisibleItems(8);
    ResetItemHeight();
}

void TOwnerDrawComboBox::SetStyle(TComboStyle value) {
    if (value == FStyle) return;
    FStyle = value;
    const bool wasEditable = isEditable();
    setEditable(value != csDropDownList);
    if (isEditable() && !wasEditable) {
        setInsertPolicy(QComboBox::NoInsert);
        setCompleter(nullptr);
        connect(lineEdit(), &QLineEdit::textEdited, this, [this](const QString& t) { TextTyped(t); });
    }
    update();
}

int TOwnerDrawComboBox::GetItemHeight() const { return fontlist::ItemHeightFor(fontMetrics()); }

void TOwnerDrawComboBox::ResetItemHeight() {
    FItemHeight = GetItemHeight();
    if (QAbstractItemView* v = view()) v->doItemsLayout();
    updateGeometry();
    update();
}

void TOwnerDrawComboBox::changeEvent(QEvent* event) {
    QComboBox::changeEvent(event);
    if (event->type() == QEvent::FontChange) ResetItemHeight();
}

void TOwnerDrawComboBox::paintEvent(QPaintEvent* event) {
    if (isEditable()) {
        QComboBox::paintEvent(event);
        return;
    }
    // The frame and button by the style, the chosen item as the list draws it.
    QStylePainter p(this);
    QStyleOptionComboBox opt;
    initStyleOption(&opt);
    opt.currentText.clear();
    opt.currentIcon = QIcon();
    p.drawComplexControl(QStyle::CC_ComboBox, opt);
    if (currentIndex() < 0) return;
    QRect r = style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, this);
    p.save();
    p.setClipRect(r);
    DrawItem(p, currentIndex(), r, hasFocus() && !view()->isVisible());
    p.restore();
}

void TOwnerDrawComboBox::TextTyped(const QString&) {}

void TOwnerDrawComboBox::DrawItem(QPainter& painter, int index, const QRect& rect, bool selected) {
    const QPalette& pal = palette();
    painter.fillRect(rect, pal.brush(selected ? QPalette::Highlight : QPalette::Base));
    painter.setPen(pal.color(selected ? QPalette::HighlightedText : QPalette::Text));
    painter.setFont(font());
    painter.drawText(rect.adjusted(2, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     itemText(index));
}

// ---------------------------------------------------------------------------------------------

std::function<std::vector<fontlist::TFontInfo>(TFontDevice)> TFontComboBox::EnumerateFonts =
    [](TFontDevice) { return fontlist::InstalledFonts(); };

TFontComboBox::TFontComboBox(QWidget* parent) : TOwnerDrawComboBox(parent) {
    FTrueTypeGlyph = fontlist::TrueTypeGlyph();
    FDeviceGlyph = fontlist::DeviceGlyph();
    ResetItemHeight();
    connect(this, &QComboBox::activated, this, [this] { DoChange(); });
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        connect(app, &QGuiApplication::fontDatabaseChanged, this, [this] { Refill(); });
    Refill();
}

int TFontComboBox::GetItemHeight() const {
    return std::max(TOwnerDrawComboBox::GetItemHeight(), FTrueTypeGlyph.height() - 1);
}

void TFontComboBox::DoChange() {
    if (!FUpdate && OnChange) OnChange(this);
}

void TFontComboBox::TextTyped(const QString& text) {
    if (FUpdate) return;
    int i = findText(text, Qt::MatchFixedString);  // first item equal without regard to case
    if (i >= 0 && i != currentIndex()) {
        {
            QSignalBlocker block(this);
            setCurrentIndex(i);
        }
        DoChange();
    }
}

static void SelectName(QComboBox* combo, const QString& name) {
    QSignalBlocker block(combo);
    int i = combo->findText(name, Qt::MatchFixedString);
    combo->setCurrentIndex(i);
    if (i < 0 && combo->isEditable()) combo->setEditText(name);
}

void TFontComboBox::SetFontName(const QString& value) {
    if (value == currentText()) return;
    SelectName(this, value);
    update();
    DoChange();
}

void TFontComboBox::SetDevice(TFontDevice value) {
    if (value == FDevice) return;
    FDevice = value;
    Refill();
}

void TFontComboBox::SetOptions(TFontListOptions value) {
    if (value == FOptions) return;
    FOptions = value;
    Refill();
}

void TFontComboBox::SetTrueTypeOnly(bool value) {
    SetOptions(value ? FOptions | FontOption(foTrueTypeOnly) : FOptions & ~FontOption(foTrueTypeOnly));
}

void TFontComboBox::SetUseFonts(bool value) {
    FUseFonts = value;
    update();
    if (QAbstractItemView* v = view()) v->viewport()->update();
}

int TFontComboBox::ItemObject(int index) const {
    if (index < 0 || index >= count()) return 0;
    return itemData(index).toInt();
}

void TFontComboBox::Refill() {
    FUpdate = true;
    const QString old = FontName();
    std::vector<fontlist::TFontInfo> screen, printer;
    if (FDevice == fdScreen || FDevice == fdBoth) screen = EnumerateFonts(fdScreen);
    if (FDevice == fdPrinter || FDevice == fdBoth) printer = EnumerateFonts(fdPrinter);
    const std::vector<fontlist::TFontItem> items = fontlist::BuildFontList(screen, printer, FDevice, FOptions);
    {
        QSignalBlocker block(this);
        clear();
        for (const fontlist::TFontItem& item : items) addItem(item.Name, item.Object);
    }
    SelectName(this, old);
    FUpdate = false;
    update();
    if (FontName() != old) DoChange();
}

void TFontComboBox::DrawItem(QPainter& painter, int index, const QRect& rect, bool selected) {
    const QPalette& pal = palette();
    painter.fillRect(rect, pal.brush(selected ? QPalette::Highlight : QPalette::Base));
    if (index < 0 || index >= count()) return;
    const int object = ItemObject(index);
    const QImage* glyph = (object & fontlist::TRUETYPE_FONTTYPE) ? &FTrueTypeGlyph
                          : (object & fontlist::DEVICE_FONTTYPE) ? &FDeviceGlyph
                                                                 : nullptr;
    int glyphWidth = 20;
    if (glyph && !glyph->isNull()) {
        DrawTransparentBitmapEx(painter, *glyph, clDefault, QRect(), rect.left() + 2,
                                rect.top() + (rect.height() - glyph->height()) / 2, 0, 0);
        glyphWidth = glyph->width();
    }
    QFont f = font();
    if (FUseFonts && (object & fontlist::NOT_SYMBOL_FONT)) f.setFamilies({itemText(index)});
    painter.setFont(f);
    painter.setPen(pal.color(selected ? QPalette::HighlightedText : QPalette::Text));
    painter.setLayoutDirection(layoutDirection());
    QRect text = rect;
    text.setLeft(rect.left() + glyphWidth + 6);
    painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, itemText(index));
}

TFontComboBox* NewQuickSettingFontFaceBox(QWidget* parent) {
    auto* box = new TFontComboBox(parent);
    box->setObjectName(QStringLiteral("TB_QUICKSETTINGFONTFACE"));
    box->setFixedWidth(145);
    QFont f(QStringLiteral("Verdana"));
    f.setPixelSize(11);
    box->setFont(f);
    box->setToolTip(QStringLiteral("Set View Window's Font Face"));
    return box;
}
