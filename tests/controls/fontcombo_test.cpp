// Font combo box: filters, the list of families, the chosen face and the drawn items.
#include "controls/rxcombos.h"

#include <QAbstractItemView>
#include <QFontDatabase>
#include <QLineEdit>
#include <QPainter>
#include <gtest/gtest.h>
#include "flat_qtapp.h"

using namespace fontlist;

namespace {

const TFontInfo Arial{"Arial", TRUETYPE_FONTTYPE, ANSI_CHARSET, VARIABLE_PITCH};
const TFontInfo Courier{"Courier New", TRUETYPE_FONTTYPE, ANSI_CHARSET, FIXED_PITCH};
const TFontInfo Symbol{"Symbol", TRUETYPE_FONTTYPE, SYMBOL_CHARSET, VARIABLE_PITCH};
const TFontInfo Terminal{"Terminal", RASTER_FONTTYPE, OEM_CHARSET, FIXED_PITCH};
const TFontInfo Courier10{"Courier 10cpi", DEVICE_FONTTYPE, ANSI_CHARSET, FIXED_PITCH};
const TFontInfo Gothic{"MS Gothic", TRUETYPE_FONTTYPE, DEFAULT_CHARSET, FIXED_PITCH};

std::vector<QString> Names(const std::vector<TFontItem>& items) {
    std::vector<QString> out;
    for (const TFontItem& i : items) out.push_back(i.Name);
    return out;
}

// A font source the tests can change while a box lives.
struct FakeFonts {
    std::vector<TFontInfo> Screen{Symbol, Arial, Courier, Terminal};
    std::vector<TFontInfo> Printer{Courier10, {"ARIAL", TRUETYPE_FONTTYPE, ANSI_CHARSET, VARIABLE_PITCH}};
    decltype(TFontComboBox::EnumerateFonts) Saved = TFontComboBox::EnumerateFonts;
    FakeFonts() {
        vxtest::App();
        TFontComboBox::EnumerateFonts = [this](TFontDevice part) { return part == fdPrinter ? Printer : Screen; };
    }
    ~FakeFonts() { TFontComboBox::EnumerateFonts = Saved; }
};

QStringList Items(const QComboBox& c) {
    QStringList out;
    for (int i = 0; i < c.count(); ++i) out << c.itemText(i);
    return out;
}

}  // namespace

TEST(FontComboList, OptionsFilterFonts) {
    EXPECT_TRUE(FontPasses(Terminal, 0));
    EXPECT_FALSE(FontPasses(Gothic, FontOption(foAnsiOnly)));
    EXPECT_FALSE(FontPasses(Courier10, FontOption(foTrueTypeOnly)));
    EXPECT_FALSE(FontPasses(Arial, FontOption(foFixedPitchOnly)));
    EXPECT_FALSE(FontPasses(Terminal, FontOption(foNoOEMFonts)));
    EXPECT_FALSE(FontPasses(Arial, FontOption(foOEMFontsOnly)));
    EXPECT_FALSE(FontPasses(Terminal, FontOption(foScalableOnly)));
    EXPECT_TRUE(FontPasses(Courier10, FontOption(foScalableOnly)));
    EXPECT_FALSE(FontPasses(Symbol, FontOption(foNoSymbolFonts)));
    EXPECT_TRUE(FontPasses(Courier, FontOption(foFixedPitchOnly) | FontOption(foTrueTypeOnly) | FontOption(foAnsiOnly)));
}

TEST(FontComboList, BuildsSortedListWithoutDuplicates) {
    std::vector<TFontInfo> screen{Symbol, Arial, {"arial", RASTER_FONTTYPE, ANSI_CHARSET, 0}, Courier, Terminal};
    std::vector<TFontInfo> printer{Courier10, {"COURIER NEW", DEVICE_FONTTYPE, ANSI_CHARSET, FIXED_PITCH}};
    auto both = BuildFontList(screen, printer, fdBoth, 0);
    EXPECT_EQ(Names(both), (std::vector<QString>{"Arial", "Courier 10cpi", "Courier New", "Symbol", "Terminal"}));
    // Objects: the type bits, plus 0x100 unless the font is a symbol font.
    const int objects[] = {TRUETYPE_FONTTYPE | NOT_SYMBOL_FONT, DEVICE_FONTTYPE | NOT_SYMBOL_FONT,
                           TRUETYPE_FONTTYPE | NOT_SYMBOL_FONT /* the screen's entry wins */, TRUETYPE_FONTTYPE,
                           RASTER_FONTTYPE | NOT_SYMBOL_FONT};
    for (size_t i = 0; i < 5; ++i) EXPECT_EQ(both[i].Object, objects[i]) << i;
    EXPECT_EQ(Names(BuildFontList(screen, printer, fdScreen, 0)),
              (std::vector<QString>{"Arial", "Courier New", "Symbol", "Terminal"}));
    EXPECT_EQ(Names(BuildFontList(screen, printer, fdPrinter, 0)),
              (std::vector<QString>{"Courier 10cpi", "COURIER NEW"}));
    EXPECT_EQ(Names(BuildFontList(screen, printer, fdBoth, FontOption(foTrueTypeOnly) | FontOption(foNoSymbolFonts))),
              (std::vector<QString>{"Arial", "Courier New"}));
    EXPECT_TRUE(BuildFontList({}, {}, fdBoth, 0).empty());
}

TEST(FontComboList, InstalledFontsFollowTheFontDatabase) {
    vxtest::App();
    const std::vector<TFontInfo> fonts = InstalledFonts();
    ASSERT_FALSE(fonts.empty());
    for (const TFontInfo& f : fonts) {
        EXPECT_EQ(bool(f.FontType & TRUETYPE_FONTTYPE), QFontDatabase::isSmoothlyScalable(f.FaceName)) << f.FaceName.toStdString();
        EXPECT_EQ(bool(f.PitchAndFamily & FIXED_PITCH), QFontDatabase::isFixedPitch(f.FaceName)) << f.FaceName.toStdString();
        EXPECT_FALSE(QFontDatabase::isPrivateFamily(f.FaceName));
        EXPECT_FALSE(f.FaceName.endsWith(u']')) << f.FaceName.toStdString();  // no foundry
        if (QFontDatabase::writingSystems(f.FaceName).contains(QFontDatabase::Symbol)) {
            EXPECT_EQ(f.CharSet, SYMBOL_CHARSET) << f.FaceName.toStdString();
        }
    }
    // A family of two foundries is listed once.
    auto list = BuildFontList(fonts, fonts, fdBoth, 0);
    for (size_t i = 1; i < list.size(); ++i)
        EXPECT_NE(list[i - 1].Name.compare(list[i].Name, Qt::CaseInsensitive), 0) << list[i].Name.toStdString();
    auto it = std::find_if(fonts.begin(), fonts.end(), [](const TFontInfo& f) { return f.FaceName == "DejaVu Sans Mono"; });
    if (it == fonts.end()) GTEST_SKIP() << "DejaVu fonts not installed";
    EXPECT_EQ(it->CharSet, ANSI_CHARSET);
    EXPECT_TRUE(FontPasses(*it, FontOption(foFixedPitchOnly) | FontOption(foTrueTypeOnly) | FontOption(foAnsiOnly)));
}

TEST(FontComboBox, NewBoxListsScreenFonts) {
    FakeFonts fonts;
    TFontComboBox box;
    EXPECT_EQ(Items(box), QStringList({"Arial", "Courier New", "Symbol", "Terminal"}));
    EXPECT_EQ(box.ItemObject(2), TRUETYPE_FONTTYPE);
    EXPECT_EQ(box.ItemObject(99), 0);
    box.SetDevice(fdBoth);
    EXPECT_EQ(Items(box), QStringList({"Arial", "Courier 10cpi", "Courier New", "Symbol", "Terminal"}));
    box.SetTrueTypeOnly(true);
    EXPECT_EQ(Items(box), QStringList({"Arial", "Courier New", "Symbol"}));
    box.SetOptions(box.Options() | FontOption(foNoSymbolFonts));
    EXPECT_EQ(Items(box), QStringList({"Arial", "Courier New"}));
}

TEST(FontComboBox, FontNameSelectsInAnyLetterCase) {
    FakeFonts fonts;
    TFontComboBox box;
    int changes = 0;
    box.OnChange = [&](QObject* sender) {
        EXPECT_EQ(sender, &box);
        ++changes;
    };
    box.SetFontName("courier new");
    EXPECT_EQ(box.ItemIndex(), 1);
    EXPECT_EQ(box.FontName(), "Courier New");
    EXPECT_EQ(changes, 1);
    box.SetFontName("Courier New");  // the text already: nothing
    EXPECT_EQ(changes, 1);
    box.SetFontName("Wingdings");  // unknown in a pick list: no selection
    EXPECT_EQ(box.ItemIndex(), -1);
    EXPECT_EQ(box.FontName(), "");
    EXPECT_EQ(changes, 2);

    TFontComboBox edit;
    edit.SetStyle(TOwnerDrawComboBox::csDropDown);
    edit.SetFontName("Wingdings");
    EXPECT_EQ(edit.ItemIndex(), -1);
    EXPECT_EQ(edit.FontName(), "Wingdings");
    edit.SetFontName("ARIAL");
    EXPECT_EQ(edit.ItemIndex(), 0);
    EXPECT_EQ(edit.FontName(), "Arial");
}

TEST(FontComboBox, ClickAndTypingNotify) {
    FakeFonts fonts;
    TFontComboBox box;
    int changes = 0;
    box.OnChange = [&](QObject*) { ++changes; };
    box.setCurrentIndex(2);  // set by code: no notification
    EXPECT_EQ(changes, 0);
    emit box.activated(2);  // the user picked an item
    EXPECT_EQ(changes, 1);

    box.SetStyle(TOwnerDrawComboBox::csDropDown);
    box.lineEdit()->clear();
    for (QChar c : QStringLiteral("termina")) box.lineEdit()->insert(QString(c));
    EXPECT_EQ(changes, 1);
    box.lineEdit()->insert("l");  // "terminal" matches an item
    EXPECT_EQ(box.ItemIndex(), 3);
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(box.count(), 4);  // typing adds no items
}

TEST(FontComboBox, RefillKeepsTheChosenFace) {
    FakeFonts fonts;
    TFontComboBox box;
    box.SetFontName("Courier New");
    int changes = 0;
    box.OnChange = [&](QObject*) { ++changes; };
    fonts.Screen.push_back({"Bitstream Vera", TRUETYPE_FONTTYPE, ANSI_CHARSET, VARIABLE_PITCH});
    emit qApp->fontDatabaseChanged();  // a font was installed
    EXPECT_EQ(Items(box), QStringList({"Arial", "Bitstream Vera", "Courier New", "Symbol", "Terminal"}));
    EXPECT_EQ(box.FontName(), "Courier New");
    EXPECT_EQ(box.ItemIndex(), 2);
    EXPECT_EQ(changes, 0);
    fonts.Screen.erase(fonts.Screen.begin() + 2);  // Courier New removed
    emit qApp->fontDatabaseChanged();
    EXPECT_EQ(box.ItemIndex(), -1);
    EXPECT_EQ(box.FontName(), "");
    EXPECT_EQ(changes, 1);
}

TEST(FontComboBox, ItemHeightFollowsFont) {
    FakeFonts fonts;
    QFont small;
    small.setPixelSize(6);
    TOwnerDrawComboBox plain;
    plain.setFont(small);
    EXPECT_EQ(plain.ItemHeight(), std::max(9, QFontMetrics(small).height() + 1));
    TFontComboBox box;
    box.setFont(small);
    EXPECT_EQ(box.ItemHeight(), 11);
    QFont big;
    big.setPixelSize(30);
    box.setFont(big);
    EXPECT_EQ(box.ItemHeight(), QFontMetrics(big).height() + 1);
    EXPECT_EQ(box.view()->sizeHintForRow(0), box.ItemHeight());
}

TEST(FontComboBox, DrawsGlyphAndName) {
    FakeFonts fonts;
    TFontComboBox box;
    QPalette pal = box.palette();
    pal.setColor(QPalette::Base, Qt::white);
    pal.setColor(QPalette::Text, Qt::black);
    box.setPalette(pal);
    QImage img(120, 16, QImage::Format_RGB32);
    img.fill(Qt::green);
    {
        QPainter p(&img);
        box.DrawItem(p, 0, img.rect(), false);  // Arial: TrueType glyph
    }
    // Glyph at left + 2, centred: its first grey row is at y 2; the magenta ground is left out.
    flattest::ExpectPixels(img, {{2 + 1, 2, RGB(0x80, 0x80, 0x80)}, {2, 2, clWhite}, {2 + 10, 2 + 3, clBlack}, {2 + 19, 2, clWhite}});
    // Some text is drawn from left + 26 on, nothing between the glyph and the text.
    bool text = false;
    for (int y = 0; y < img.height(); ++y) {
        for (int x = 26; x < img.width(); ++x) text |= QColor(img.pixel(x, y)) != QColor(Qt::white);
        for (int x = 22; x < 26; ++x) EXPECT_EQ(QColor(img.pixel(x, y)), QColor(Qt::white));
    }
    EXPECT_TRUE(text);
    // Terminal (raster): no glyph, the text still starts at left + 26 (give its edge a pixel).
    img.fill(Qt::green);
    {
        QPainter p(&img);
        box.DrawItem(p, 3, img.rect(), false);
    }
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < 25; ++x) ASSERT_EQ(QColor(img.pixel(x, y)), QColor(Qt::white)) << x << "," << y;
}
