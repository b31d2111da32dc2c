// The menu and control painter on a form: hooking and unhooking (Active, the kinds and parents
// taken, Tag 999), menus and controls joining or leaving later, and the pixels of painted menus,
// tool bars, control bars and controls.
#include <gtest/gtest.h>

#include "flat_qtapp.h"

#include "controls/controlbar.h"
#include "controls/xpmenu.h"
#include "controls/xpstyle.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QComboBox>
#include <QEnterEvent>
#include <QGroupBox>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QStyleFactory>
#include <QStyleOption>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QWindow>

#include <memory>

namespace {

using flattest::At;
using flattest::ExpectPixels;
using flattest::Shot;

void Enter(QWidget* w) {
    QEnterEvent e(QPointF(3, 3), QPointF(3, 3), QPointF(3, 3));
    QApplication::sendEvent(w, &e);
}

// The space bar, down or up.
void Space(QWidget* w, QEvent::Type type) {
    QKeyEvent e(type, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
    QApplication::sendEvent(w, &e);
}

// Every one of the widgets has the style (the application's when none is given).
void ExpectStyle(std::initializer_list<QWidget*> widgets, const QStyle* style = nullptr) {
    for (QWidget* w : widgets) {
        w->ensurePolished();
        EXPECT_EQ(w->style(), style ? style : QApplication::style()) << w->metaObject()->className();
    }
}

// A widget of the form at its place.
template <class T>
T* Put(T* w, QRect r) {
    w->setGeometry(r);
    return w;
}

QIcon Square(QColor c) {
    QPixmap pm(16, 16);
    pm.fill(c);
    return QIcon(pm);
}

// The check box's (or radio button's) square as the painter places it.
QRect CheckSquare(QAbstractButton* b, bool radio) {
    QStyleOptionButton o;
    o.initFrom(b);
    const QRect r = b->style()->subElementRect(radio ? QStyle::SE_RadioButtonIndicator : QStyle::SE_CheckBoxIndicator, &o, b);
    const QPoint c = r.center();
    return QRect(c.x() - 7, c.y() - 7, 16, 16);
}

class XPMenuTest : public ::testing::Test {
protected:
    void SetUp() override {
        flattest::App();
        Form = std::make_unique<QWidget>();
        Form->setPalette(ClassicPalette());
        Form->setGeometry(0, 0, 420, 330);
        QWidget* f = Form.get();
        Edit = Put(new QLineEdit(QStringLiteral("x"), f), {10, 10, 120, 22});
        Combo = Put(new QComboBox(f), {140, 10, 120, 22});
        Combo->addItems({QStringLiteral("Alpha"), QStringLiteral("Beta")});
        Check = Put(new QCheckBox(QStringLiteral("Check"), f), {10, 40, 120, 22});
        Radio = Put(new QRadioButton(QStringLiteral("Radio"), f), {140, 40, 120, 22});
        Radio->setChecked(true);
        Button = Put(new QPushButton(QStringLiteral("OK"), f), {10, 70, 80, 26});
        Speed = Put(new QToolButton(f), {100, 70, 40, 26});
        Speed->setText(QStringLiteral("S"));
        Panel = Put(new QFrame(f), {150, 70, 60, 26});
        Panel->setFrameShape(QFrame::StyledPanel);
        Panel->setFrameShadow(QFrame::Raised);
        Group = Put(new QGroupBox(QStringLiteral("Group"), f), {10, 100, 150, 60});
        Memo = Put(new QPlainTextEdit(f), {170, 100, 150, 60});
        Tagged = Put(new QPushButton(QStringLiteral("T"), f), {330, 10, 60, 26});
        Tagged->setProperty("Tag", 999);
        Holder = Put(new QFrame(f), {330, 40, 80, 60});
        Holder->setProperty("Tag", 999);
        Inner = Put(new QPushButton(QStringLiteral("I"), Holder), {5, 5, 60, 26});
        Menu = new QMenu(f);
        Open = Menu->addAction(Square(Qt::darkGreen), QStringLiteral("Open(&O)..."));
        Open->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
        Menu->addSeparator();
        Checked = Menu->addAction(QStringLiteral("Show Memo"));
        Checked->setCheckable(true);
        Checked->setChecked(true);
        Skipped = Menu->addAction(QStringLiteral("Left alone"));
        Skipped->setProperty("Tag", 999);
        Form->setAttribute(Qt::WA_DontShowOnScreen);
        Form->show();
    }

    std::vector<QWidget*> Controls() const { return {Edit, Combo, Check, Radio, Button, Speed, Panel, Group, Memo}; }
    TXPStyle* Style() const { return static_cast<TXPStyle*>(Painter->Style()); }
    TXPColorSet Colors() const { return Painter->ColorSet(true); }
    // One menu item "Open" with its shortcut (and icon, and check mark) drawn 200 x 24 on magenta.
    QImage PaintItem(QStyle::State state, QStyleOptionMenuItem::MenuItemType type, bool bar, const QIcon& icon = {},
                     bool checked = false) const {
        QImage img(200, 24, QImage::Format_RGB32);
        img.fill(Qt::magenta);
        QPainter p(&img);
        QStyleOptionMenuItem o;
        o.initFrom(Menu);
        o.rect = img.rect();
        o.state = state;
        o.menuItemType = type;
        o.checkType = checked ? QStyleOptionMenuItem::NonExclusive : QStyleOptionMenuItem::NotCheckable;
        o.checked = checked;
        o.text = QStringLiteral("Open\tCtrl+O");
        o.icon = icon;
        Style()->DrawMenuItem(&o, &p, bar ? static_cast<QWidget*>(Form.get()) : Menu, bar);
        return img;
    }
    void Activate() {
        Painter = new TXPMenu(Form.get());
        Painter->SetActive(true);
    }

    std::unique_ptr<QWidget> Form;
    TXPMenu* Painter = nullptr;
    QLineEdit* Edit;
    QComboBox* Combo;
    QCheckBox* Check;
    QRadioButton* Radio;
    QPushButton* Button;
    QToolButton* Speed;
    QFrame* Panel;
    QGroupBox* Group;
    QPlainTextEdit* Memo;
    QPushButton* Tagged;
    QFrame* Holder;
    QPushButton* Inner;
    QMenu* Menu;
    QAction *Open, *Checked, *Skipped;
};

TEST_F(XPMenuTest, ActiveOnPaintsFlatAndOffGivesEveryWidgetItsOwnLookBack) {
    // A painter belongs to a form or a frame (a plain widget holding controls), never a control.
    for (QWidget* owner : std::initializer_list<QWidget*>{nullptr, Button, Panel, Group, Memo})
        EXPECT_THROW(TXPMenu{owner}, EInvalidCast) << (owner ? owner->metaObject()->className() : "null");
    std::unique_ptr<QWidget> frame = std::make_unique<QWidget>(Form.get());
    EXPECT_NO_THROW(TXPMenu{frame.get()});
    frame.reset();
    std::unique_ptr<QStyle> own(QStyleFactory::create(QStringLiteral("Fusion")));
    Button->setStyle(own.get());
    std::vector<QImage> before;
    for (QWidget* w : Controls())
        before.push_back(Shot(*w));

    Activate();
    EXPECT_EQ(Painter->SubClassCount(), static_cast<int>(Controls().size()));
    int changed = 0;
    for (size_t i = 0; i < Controls().size(); ++i) {
        EXPECT_EQ(Controls()[i]->style(), Painter->Style()) << i;
        changed += Shot(*Controls()[i]) != before[i];
    }
    EXPECT_EQ(changed, static_cast<int>(Controls().size()));
    EXPECT_EQ(Menu->style(), Painter->Style());

    Painter->SetActive(false);
    EXPECT_EQ(Painter->SubClassCount(), 0);
    EXPECT_EQ(Button->style(), own.get());
    ExpectStyle({Edit, Menu});
    for (size_t i = 0; i < Controls().size(); ++i)
        EXPECT_EQ(Shot(*Controls()[i]), before[i]) << i;

    // The painter going away gives the look back too.
    Painter->SetActive(true);
    delete Painter;
    Painter = nullptr;
    ExpectStyle({Edit});
    EXPECT_EQ(Button->style(), own.get());
}

TEST_F(XPMenuTest, TagNineNineNineOrATaggedParentKeepsTheOwnLook) {
    Activate();
    ExpectStyle({Tagged, Inner, Holder});
    EXPECT_EQ(Painter->SubClassOf(Tagged), nullptr);

    // A pop-up menu is taken whatever its tag; its tagged item is drawn as before.
    QMenu* popup = new QMenu(Form.get());
    popup->setProperty("Tag", 999);
    popup->addAction(QStringLiteral("a"));
    Painter->SetActive(false);
    Painter->SetActive(true);
    EXPECT_EQ(popup->style(), Painter->Style());
    const QImage img = Shot(*Menu);
    const QRect plain = Menu->actionGeometry(Checked), skipped = Menu->actionGeometry(Skipped);
    EXPECT_EQ(At(img, plain.left() + 1, plain.center().y()), Colors().IconBack);
    EXPECT_NE(At(img, skipped.left() + 1, skipped.center().y()), Colors().IconBack);

    // A tagged menu bar is left alone with all its menus.
    QMainWindow window;
    window.menuBar()->setProperty("Tag", 999);
    QMenu* file = window.menuBar()->addMenu(QStringLiteral("File"));
    QMenu* sub = file->addMenu(QStringLiteral("Sub"));
    QMenu* context = new QMenu(&window);
    TXPMenu main(&window);
    main.SetActive(true);
    ExpectStyle({window.menuBar(), file, sub});
    ExpectStyle({context}, main.Style());
}

TEST_F(XPMenuTest, ActiveAgainDoesNothingAndTheSetsDecideWhatIsTaken) {
    Activate();
    const int count = Painter->SubClassCount();
    auto* late = new QPushButton(QStringLiteral("late"), Form.get());
    Painter->SetActive(true);
    EXPECT_EQ(Painter->SubClassCount(), count);
    EXPECT_EQ(late->style(), QApplication::style());
    // A form that adds controls turns the painter off and on again.
    Painter->SetActive(false);
    Painter->SetActive(true);
    EXPECT_EQ(late->style(), Painter->Style());

    Painter->SetXPControls(AllXPControls & ~XPBit(xcCheckBox));
    EXPECT_EQ(Check->style(), QApplication::style());
    EXPECT_EQ(Button->style(), Painter->Style());
    Painter->SetXPContainers(AllXPContainers & ~XPBit(xccForm));
    EXPECT_EQ(Painter->SubClassCount(), 0);
    EXPECT_EQ(Menu->style(), Painter->Style());  // menus have no parent control to ask about
}

TEST_F(XPMenuTest, LaterMenusAndButtonsArePickedUpAndGoneControlsDropped) {
    Painter = new TXPMenu(Form.get());
    auto* bar = new QToolBar(Form.get());
    bar->setGeometry(0, 200, 300, 28);
    bar->addAction(QStringLiteral("A"));
    bar->show();
    Painter->SetActive(true);

    ExpectStyle({Menu->addMenu(QStringLiteral("Later")), bar->widgetForAction(bar->addAction(QStringLiteral("B")))},
                Painter->Style());
    // A new pop-up menu of the form only with AutoDetect, never one of another form.
    ExpectStyle({new QMenu(Form.get())});
    Painter->SetAutoDetect(true);
    ExpectStyle({new QMenu(Form.get())}, Painter->Style());
    QMainWindow other;
    ExpectStyle({new QMenu(&other)});
    Painter->SetAutoDetect(false);

    const int count = Painter->SubClassCount();
    delete Edit;
    delete Speed;
    EXPECT_EQ(Painter->SubClassCount(), count - 2);
    Painter->SetActive(false);
    EXPECT_EQ(Painter->SubClassCount(), 0);
}

TEST_F(XPMenuTest, MenusAreMeasuredAndPaintedByTheRules) {
    Activate();
    const QFontMetrics fm(Painter->MenuFont());
    const int th = fm.height();
    const int q = th * 75 / 100, r = th * 75 % 100;
    const int textOnly = th + q + (r > 50 || (r == 50 && q % 2 == 1));  // three quarters, halves to even
    EXPECT_EQ(Menu->actionGeometry(Checked).height(), textOnly);
    EXPECT_EQ(Menu->actionGeometry(Open).height(), std::max(textOnly, 16 + 6));
    EXPECT_EQ(Menu->actionGeometry(Menu->actions()[1]).height(), 4);  // the separator
    const QString shortcut = Open->shortcut().toString(QKeySequence::NativeText);
    const int widest = fm.horizontalAdvance(QStringLiteral("Open(&O)...WWW") + shortcut) + 5 -
                       fm.horizontalAdvance(QStringLiteral("&")) + 24;
    EXPECT_EQ(Menu->sizeHint().width(), widest + TXPStyle::MenuCheckWidth + 2 * 3);

    QImage img = Shot(*Menu);
    const TXPColorSet cs = Colors();
    const QRect item = Menu->actionGeometry(Checked);
    const QRect sep = Menu->actionGeometry(Menu->actions()[1]);
    // The system's raised frame, the icon column, the separator, the check box of an item
    // without icon with its mark.
    const QRect box(item.left() + 7, item.top() + (item.height() - 10) / 2, 10, 10);
    ExpectPixels(img, {{0, 0, cl3DLight}, {1, 1, clBtnHighlight}, {img.width() - 1, img.height() - 1, cl3DDkShadow},
                       {item.left() + 1, item.top(), cs.IconBack}, {item.left() + 30, item.top(), cs.MenuBack},
                       {sep.left() + 24 + 8, sep.top() + 2, cs.Separator}, {sep.left() + 24 + 3, sep.top() + 2, cs.MenuBack},
                       {box.left(), box.top(), cs.CheckFrame}, {box.left() + 1, box.top() + 1, cs.CheckedFill},
                       {box.left() + 1, box.top() + 5, clBlack}});

    // A flat menu: one line in the frame colour, the icon column carried into the frame.
    Painter->SetFlatMenu(true);
    img = Shot(*Menu);
    ExpectPixels(img, {{0, 0, cs.MenuFrame}, {1, item.center().y(), cs.IconBack},
                       {img.width() - 2, item.center().y(), cs.MenuBack}}, "flat");
}

TEST_F(XPMenuTest, MenuItemStatesPaintSelectionGradientShortcutAndTab) {
    Activate();
    const TXPColorSet cs = Colors();
    const QImage selected = PaintItem(QStyle::State_Enabled | QStyle::State_Selected, QStyleOptionMenuItem::Normal, false);
    ExpectPixels(selected, {{30, 0, cs.MenuBack}, {30, 1, cs.SelectFrame}, {30, 4, cs.SelectFill}});
    // The shortcut: the text colour lightened by 40 (green by 42), ten pixels from the right.
    TColor darkest = clWhite;
    int right = 0;
    for (int y = 3; y < 21; ++y)
        for (int x = 110; x < 199; ++x) {
            const TColor c = At(selected, x, y);
            if (c != cs.SelectFill) right = std::max(right, x);
            if (GetRValue(c) + GetGValue(c) < GetRValue(darkest) + GetGValue(darkest)) darkest = c;
        }
    EXPECT_EQ(darkest, Darken(cs.SelectText, -40));
    EXPECT_LE(right, 200 - 10 - 1);

    // A default item gets its shadow passes in darkened background colours.
    const QImage def = PaintItem(QStyle::State_Enabled, QStyleOptionMenuItem::DefaultItem, false);
    bool shadow = false;
    for (int y = 0; y < 24 && !shadow; ++y)
        for (int x = 24; x < 100 && !shadow; ++x) shadow = At(def, x, y) == Darken(cs.MenuBack, 60);
    EXPECT_TRUE(shadow);

    Painter->SetGradient(true);
    const QImage grad = PaintItem(QStyle::State_Enabled, QStyleOptionMenuItem::Normal, false);
    for (int k : {0, 5, 28, 60})
        EXPECT_EQ(At(grad, k, 0), Lighten(cs.IconBack, GradientShade(k, 24))) << k;

    // An open menu-bar item is a raised tab with a shadow on its right.
    const QImage tab = PaintItem(QStyle::State_Enabled | QStyle::State_Selected | QStyle::State_Sunken,
                             QStyleOptionMenuItem::Normal, true);
    ExpectPixels(tab, {{0, 12, cs.MenuFrame}, {195, 0, cs.MenuFrame}, {196, 12, Darken(cs.MenuBar, 100)},
                       {199, 12, Darken(cs.MenuBar, 10)}, {10, 23, cs.MenuBar} /* open at the bottom */});
}

// An idle icon is lightened by DimLevel on a high-colour screen, a selected or checked one is
// left as it is, and a disabled one is turned grey with GrayLevel, then lightened by 40.
TEST_F(XPMenuTest, MenuIconsAreDimmedWhenIdleAndGreyedWhenDisabled) {
    Activate();
    const TColor c = RGB(40, 110, 200);
    auto iconCentre = [&](QStyle::State state, bool checked) {
        const QImage img = PaintItem(state, QStyleOptionMenuItem::Normal, false, Square(QColor(40, 110, 200)), checked);
        return At(img, 3 + 8, 3 + 8);  // the 16-pixel icon sits 3 in and 3 down in the 24 column
    };
    const struct {
        const char* What;
        int Dim, Gray;
        QStyle::State State;
        bool Checked;
        TColor Want;
    } cases[] = {
        {"idle", 30, 10, QStyle::State_Enabled, false, Lighten(c, 30)},
        {"idle, dim level 75", 75, 10, QStyle::State_Enabled, false, Lighten(c, 75)},
        {"selected", 75, 10, QStyle::State_Enabled | QStyle::State_Selected, false, c},
        {"checked", 75, 10, QStyle::State_Enabled, true, c},
        {"disabled", 30, 10, QStyle::State_None, false, Lighten(Grey(c, 10), 40)},
        {"disabled, grey level 60", 30, 60, QStyle::State_None, false, Lighten(Grey(c, 60), 40)},
    };
    for (const auto& k : cases) {
        Painter->SetDimLevel(k.Dim);
        Painter->SetGrayLevel(k.Gray);
        EXPECT_EQ(iconCentre(k.State, k.Checked), k.Want) << k.What;
    }
}

TEST_F(XPMenuTest, ControlsArePaintedFlatInEachState) {
    Activate();
    const TXPColorSet cs = Colors();
    const TColor hotBorder = Lighten(cs.SelectFrame, 60);

    // Button: idle face in the icon-column colour, shadow right; held by Space or hot, the light
    // face; pressed, the face moved right and down.
    ExpectPixels(Shot(*Button), {{4, 13, cs.IconBack}, {79, 13, Darken(clBtnShadow, 50)}}, "idle");
    Space(Button, QEvent::KeyPress);
    ExpectPixels(Shot(*Button), {{4, 13, Lighten(clBtnFace, 60)}, {0, 13, Darken(hotBorder, 50)}}, "space");
    Space(Button, QEvent::KeyRelease);
    Enter(Button);
    ExpectPixels(Shot(*Button), {{4, 13, Lighten(clBtnFace, 60)}, {79, 13, Darken(hotBorder, 50)}}, "hot");
    vxtest::Mouse(Button, QEvent::MouseButtonPress, QPoint(3, 3));
    ExpectPixels(Shot(*Button), {{0, 13, Darken(hotBorder, 50)}, {79, 13, Lighten(hotBorder, 30)}}, "pressed");
    vxtest::Mouse(Button, QEvent::MouseButtonRelease, QPoint(3, 3));

    // Check box: white box framed in the shadow colour, the mark in the highlight colour; with
    // Space held the pressed face and a white mark.
    const QRect in = CheckSquare(Check, false).adjusted(2, 2, -2, -2);
    ExpectPixels(Shot(*Check), {{in.left(), in.top(), clBtnShadow}, {in.left() + 1, in.top() + 1, clWindow}}, "idle");
    Check->setChecked(true);
    Enter(Check);
    ExpectPixels(Shot(*Check), {{in.left(), in.top(), cs.SelectFrame}, {in.left() + 1, in.top() + 1, cs.SelectFill},
                                {in.left() + 4, in.bottom() - 2, clHighlight}}, "hot");
    Space(Check, QEvent::KeyPress);
    ExpectPixels(Shot(*Check), {{in.left() + 1, in.top() + 1, cs.CheckedSelFill}, {in.left() + 4, in.bottom() - 2, clWindow}},
                 "space");
    Space(Check, QEvent::KeyRelease);
    EXPECT_FALSE(Painter->SubClassOf(Check)->SpaceDown());
    // A double click is a second press to the painter too.
    vxtest::Mouse(Check, QEvent::MouseButtonDblClick, QPoint(3, 3));
    EXPECT_TRUE(Painter->SubClassOf(Check)->LButtonDown());

    const QPoint dot = CheckSquare(Radio, true).center();
    ExpectPixels(Shot(*Radio), {{dot.x(), dot.y(), clHighlight}}, "radio");

    // Edit and memo: a one-pixel border, darker than the parent idle, light highlight hot.
    const TColor idle = Darken(clBtnFace, 60);
    ExpectPixels(Shot(*Edit), {{5, 0, idle}, {115, 11, clWindow}}, "edit");
    Enter(Edit);
    ExpectPixels(Shot(*Edit), {{5, 0, hotBorder}}, "hot edit");
    ExpectPixels(Shot(*Memo), {{5, 0, idle}}, "memo");

    // Combo box: border, button face and arrow.
    ExpectPixels(Shot(*Combo), {{5, 0, idle}, {117, 3, clBtnFace}, {110, 10, clBlack}}, "combo");
    Enter(Combo);
    ExpectPixels(Shot(*Combo), {{5, 0, cs.SelectFrame}, {117, 3, cs.SelectFill}}, "hot combo");

    // Speed button, panel bevel and group box frame.
    ExpectPixels(Shot(*Speed), {{0, 0, Lighten(clBtnShadow, 30)}, {3, 3, cs.IconBack}}, "speed button");
    Speed->setCheckable(true);
    Speed->setChecked(true);
    ExpectPixels(Shot(*Speed), {{3, 3, cs.CheckedFill}}, "speed button down");
    ExpectPixels(Shot(*Panel), {{0, 0, Lighten(clBtnFace, 60)}, {59, 25, Darken(clBtnFace, 60)}}, "panel");
    const QImage img = Shot(*Group);
    EXPECT_EQ(At(img, 1, 45), Lighten(clBtnFace, 60));
    // The frame begins under the caption, whole: its top line at the same row on the left edge
    // and right of the caption, clear of the caption's rows.
    const auto firstFrameRow = [&](int x) {
        for (int y = 0; y < img.height(); ++y)
            if (At(img, x, y) == Lighten(clBtnFace, 60))
                return y;
        return -1;
    };
    EXPECT_GE(firstFrameRow(120), Group->fontMetrics().height());
    EXPECT_EQ(firstFrameRow(1), firstFrameRow(120));
}

TEST_F(XPMenuTest, CheckMarksOnATabPageKeepThePagesBackground) {
    // The toolkit paints a tab page lighter than the window colour: the ring around a check
    // box's or radio button's square shows the page, not a patch of the window colour.
    auto* tabs = new QTabWidget(Form.get());
    tabs->setGeometry(10, 210, 200, 100);
    auto* page = new QWidget;
    tabs->addTab(page, QStringLiteral("Page"));
    auto* check = new QCheckBox(QStringLiteral("On a page"), page);
    check->setGeometry(10, 10, 150, 22);
    auto* radio = new QRadioButton(QStringLiteral("On a page"), page);
    radio->setGeometry(10, 40, 150, 22);
    tabs->show();
    Activate();
    ASSERT_TRUE(Painter->SubClassOf(check) && Painter->SubClassOf(radio));
    const QImage img = Shot(*tabs);
    const QPoint far = page->mapTo(tabs, QPoint(180, 70));
    const TColor pageColor = At(img, far.x(), far.y());
    ASSERT_NE(pageColor, ColorToRGB(clBtnFace));
    for (QAbstractButton* b : {static_cast<QAbstractButton*>(check), static_cast<QAbstractButton*>(radio)}) {
        const QRect square = CheckSquare(b, b == radio);
        const QPoint ring = b->mapTo(tabs, QPoint(square.left() + 1, square.bottom() - 1));
        EXPECT_EQ(At(img, ring.x(), ring.y()), pageColor) << b->metaObject()->className();
    }
}

TEST_F(XPMenuTest, ToolBarButtonsAndTheControlBarGrip) {
    auto* cbar = new TControlBar(Form.get());
    cbar->setGeometry(0, 170, 400, 30);
    auto* tb = new QToolBar(cbar);
    tb->setIconSize(QSize(16, 16));
    cbar->Bands()->addWidget(tb);
    QAction* checked = tb->addAction(Square(Qt::darkBlue), QStringLiteral("A"));
    checked->setCheckable(true);
    checked->setChecked(true);
    QAction* drop = tb->addAction(Square(Qt::darkBlue), QStringLiteral("B"));
    drop->setMenu(Menu);
    auto* dropButton = static_cast<QToolButton*>(tb->widgetForAction(drop));
    dropButton->setPopupMode(QToolButton::MenuButtonPopup);
    cbar->show();
    cbar->layout()->activate();
    tb->layout()->activate();

    Activate();
    ASSERT_TRUE(cbar->HasBandPaint());
    const TXPColorSet cs = Colors();
    ExpectPixels(Shot(*tb->widgetForAction(checked)), {{0, 0, cs.SelectFrame}, {2, 2, cs.CheckedFill}}, "checked");
    const QImage img = Shot(*dropButton);
    const int splitX = img.width() - TXPStyle::DropDownWidth, arrowY = (img.height() - 3) / 2;
    ExpectPixels(img, {{1, 1, Lighten(clBtnFace, 16)}, {splitX + 4, arrowY, clBlack}, {splitX + 8, arrowY, clBlack},
                       {splitX + 6, arrowY + 2, clBlack}}, "drop-down");
    // The grip of a band: lines darkening downwards on a lightened face.
    const QRect band = cbar->BandRects().value(0);
    ExpectPixels(Shot(*cbar), {{band.left() + 3, band.top() + 6, Darken(clBtnFace, 30)},
                               {band.left() + 5, band.top() + 8, Darken(clBtnFace, 37)},
                               {band.left() + 3, band.top() + 7, Lighten(clBtnFace, 6)}}, "grip");
    Painter->SetActive(false);
    EXPECT_FALSE(cbar->HasBandPaint());
}

// ---- Real keyboard and mouse input (under Xvfb with xdotool; skipped elsewhere) ----

bool Xdo(const QStringList& args) { return QProcess::execute(QStringLiteral("xdotool"), args) == 0; }
bool WaitFor(const std::function<bool()>& done) { return vxtest::WaitUntil(done, 3000); }

// xdotool's "mousemove X Y" to the point of the widget.
QStringList MoveTo(const QWidget* w, QPoint p) {
    const QPoint g = w->mapToGlobal(p);
    return {QStringLiteral("mousemove"), QString::number(g.x()), QString::number(g.y())};
}

TEST(XPMenuRealInput, DoubleClickCountsTwiceSpaceShowsPressedHoverLightsToolButtons) {
    flattest::App();
    if (QGuiApplication::platformName() != QLatin1String("xcb") ||
        QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
        GTEST_SKIP() << "needs an X display and xdotool";
    QWidget form;
    form.setPalette(ClassicPalette());
    form.setGeometry(0, 0, 300, 200);
    auto* check = new QCheckBox(QStringLiteral("Check"), &form);
    check->setGeometry(10, 10, 120, 24);
    auto* button = new QPushButton(QStringLiteral("OK"), &form);
    button->setGeometry(10, 50, 80, 26);
    auto* bar = new QToolBar(&form);
    bar->setGeometry(10, 100, 200, 30);
    QWidget* tool = bar->widgetForAction(bar->addAction(Square(Qt::darkBlue), QStringLiteral("A")));
    TXPMenu painter(&form);
    painter.SetActive(true);
    form.show();
    ASSERT_TRUE(WaitFor([&] { return form.windowHandle() && form.windowHandle()->isExposed(); }));
    const TXPColorSet cs = painter.ColorSet(true);

    int clicks = 0;
    QObject::connect(check, &QCheckBox::clicked, [&] { ++clicks; });
    ASSERT_TRUE(Xdo(MoveTo(check, QPoint(8, 12)) + QStringList{QStringLiteral("click"), QStringLiteral("--repeat"),
                                                                QStringLiteral("2"), QStringLiteral("--delay"),
                                                                QStringLiteral("80"), QStringLiteral("1")}));
    EXPECT_TRUE(WaitFor([&] { return clicks == 2; }));
    EXPECT_FALSE(check->isChecked());

    button->setFocus();
    ASSERT_TRUE(Xdo(MoveTo(button, QPoint(40, 13))));
    ASSERT_TRUE(Xdo({QStringLiteral("keydown"), QStringLiteral("space")}));
    EXPECT_TRUE(WaitFor([&] { return painter.SubClassOf(button)->SpaceDown(); }));
    // Pressed: the shadow on the left.
    ExpectPixels(Shot(*button), {{4, 13, Lighten(clBtnFace, 60)}, {0, 13, Darken(Lighten(cs.SelectFrame, 60), 50)}});
    ASSERT_TRUE(Xdo({QStringLiteral("keyup"), QStringLiteral("space")}));
    EXPECT_TRUE(WaitFor([&] { return !painter.SubClassOf(button)->SpaceDown(); }));

    ASSERT_TRUE(Xdo(MoveTo(tool, tool->rect().center())));
    EXPECT_TRUE(WaitFor([&] { return tool->underMouse(); }));
    ExpectPixels(Shot(*tool), {{0, 0, cs.SelectFrame}, {2, 2, cs.SelectFill}}, "hot tool button");
}

}  // namespace
