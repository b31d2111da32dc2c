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
#include <QElapsedTimer>
#include <QComboBox>
#include <QEnterEvent>
#include <QGroupBox>
#include <QKeyEvent>
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
#include <QThread>
#include <QToolButton>
#include <QWindow>

#include <functional>
#include <memory>

namespace {

using flattest::At;
using flattest::Shot;

void Enter(QWidget* w) {
    QEnterEvent e(QPointF(3, 3), QPointF(3, 3), QPointF(3, 3));
    QApplication::sendEvent(w, &e);
}

void Send(QWidget* w, QEvent::Type type) {
    if (type == QEvent::KeyPress || type == QEvent::KeyRelease) {
        QKeyEvent e(type, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
        QApplication::sendEvent(w, &e);
    } else {
        QMouseEvent e(type, QPointF(3, 3), QPointF(3, 3), Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    }
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
        Edit = new QLineEdit(QStringLiteral("x"), Form.get());
        Edit->setGeometry(10, 10, 120, 22);
        Combo = new QComboBox(Form.get());
        Combo->addItems({QStringLiteral("Alpha"), QStringLiteral("Beta")});
        Combo->setGeometry(140, 10, 120, 22);
        Check = new QCheckBox(QStringLiteral("Check"), Form.get());
        Check->setGeometry(10, 40, 120, 22);
        Radio = new QRadioButton(QStringLiteral("Radio"), Form.get());
        Radio->setGeometry(140, 40, 120, 22);
        Radio->setChecked(true);
        Button = new QPushButton(QStringLiteral("OK"), Form.get());
        Button->setGeometry(10, 70, 80, 26);
        Speed = new QToolButton(Form.get());
        Speed->setText(QStringLiteral("S"));
        Speed->setGeometry(100, 70, 40, 26);
        Panel = new QFrame(Form.get());
        Panel->setFrameShape(QFrame::StyledPanel);
        Panel->setFrameShadow(QFrame::Raised);
        Panel->setGeometry(150, 70, 60, 26);
        Group = new QGroupBox(QStringLiteral("Group"), Form.get());
        Group->setGeometry(10, 100, 150, 60);
        Memo = new QPlainTextEdit(Form.get());
        Memo->setGeometry(170, 100, 150, 60);
        Tagged = new QPushButton(QStringLiteral("T"), Form.get());
        Tagged->setProperty("Tag", 999);
        Tagged->setGeometry(330, 10, 60, 26);
        Holder = new QFrame(Form.get());
        Holder->setProperty("Tag", 999);
        Holder->setGeometry(330, 40, 80, 60);
        Inner = new QPushButton(QStringLiteral("I"), Holder);
        Inner->setGeometry(5, 5, 60, 26);
        Menu = new QMenu(Form.get());
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
    TColor Face() const { return ColorToRGB(clBtnFace); }

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

TEST_F(XPMenuTest, NeedsAFormAndStartsWithItsDefaults) {
    EXPECT_THROW(TXPMenu(nullptr), EInvalidCast);
    Painter = new TXPMenu(Form.get());
    EXPECT_FALSE(Painter->Active());
    EXPECT_EQ(Painter->DimLevel(), 30);
    EXPECT_EQ(Painter->GrayLevel(), 10);
    EXPECT_EQ(Painter->IconWidth(), 24);
    EXPECT_EQ(Painter->SelectFontColor(), clMenuText);
    EXPECT_EQ(Painter->DisabledColor(), clInactiveCaption);
    EXPECT_TRUE(Painter->UseSystemColors() && Painter->DrawSelect());
    EXPECT_FALSE(Painter->Gradient() || Painter->FlatMenu() || Painter->AutoDetect() || Painter->OverrideOwnerDraw());
    EXPECT_EQ(Painter->XPContainers(), 1023);
    EXPECT_EQ(Painter->XPControls(), 65535);
    EXPECT_EQ(Painter->SubClassCount(), 0);
}

TEST_F(XPMenuTest, ActiveOnPaintsFlatAndOffGivesEveryWidgetItsOwnLookBack) {
    std::unique_ptr<QStyle> own(QStyleFactory::create(QStringLiteral("Fusion")));
    Button->setStyle(own.get());
    std::vector<QImage> before;
    for (QWidget* w : Controls())
        before.push_back(Shot(*w));

    Painter = new TXPMenu(Form.get());
    Painter->SetActive(true);
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
    EXPECT_EQ(Edit->style(), QApplication::style());
    EXPECT_EQ(Menu->style(), QApplication::style());
    for (size_t i = 0; i < Controls().size(); ++i)
        EXPECT_EQ(Shot(*Controls()[i]), before[i]) << i;

    // The painter going away gives the look back too.
    Painter->SetActive(true);
    delete Painter;
    Painter = nullptr;
    EXPECT_EQ(Edit->style(), QApplication::style());
    EXPECT_EQ(Button->style(), own.get());
}

TEST_F(XPMenuTest, TagNineNineNineOrATaggedParentKeepsTheOwnLook) {
    Painter = new TXPMenu(Form.get());
    Painter->SetActive(true);
    EXPECT_EQ(Tagged->style(), QApplication::style());
    EXPECT_EQ(Inner->style(), QApplication::style());
    EXPECT_EQ(Holder->style(), QApplication::style());
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
    EXPECT_EQ(window.menuBar()->style(), QApplication::style());
    EXPECT_EQ(file->style(), QApplication::style());
    EXPECT_EQ(sub->style(), QApplication::style());
    EXPECT_EQ(context->style(), main.Style());
}

TEST_F(XPMenuTest, ActiveAgainDoesNothingAndTheSetsDecideWhatIsTaken) {
    Painter = new TXPMenu(Form.get());
    Painter->SetActive(true);
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

    QMenu* sub = Menu->addMenu(QStringLiteral("Later"));
    EXPECT_EQ(sub->style(), Painter->Style());
    QAction* b = bar->addAction(QStringLiteral("B"));
    QWidget* button = bar->widgetForAction(b);
    button->ensurePolished();
    EXPECT_EQ(button->style(), Painter->Style());

    auto* popup = new QMenu(Form.get());
    popup->ensurePolished();
    EXPECT_EQ(popup->style(), QApplication::style());
    Painter->SetAutoDetect(true);
    auto* detected = new QMenu(Form.get());
    detected->ensurePolished();
    EXPECT_EQ(detected->style(), Painter->Style());
    QMainWindow other;
    auto* foreign = new QMenu(&other);
    foreign->ensurePolished();
    EXPECT_EQ(foreign->style(), QApplication::style());
    Painter->SetAutoDetect(false);

    const int count = Painter->SubClassCount();
    delete Edit;
    delete Speed;
    EXPECT_EQ(Painter->SubClassCount(), count - 2);
    Painter->SetActive(false);
    EXPECT_EQ(Painter->SubClassCount(), 0);
}

TEST_F(XPMenuTest, MenusAreMeasuredAndPaintedByTheRules) {
    Painter = new TXPMenu(Form.get());
    Painter->SetActive(true);
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
    EXPECT_EQ(At(img, 0, 0), ColorToRGB(cl3DLight));
    EXPECT_EQ(At(img, 1, 1), ColorToRGB(clBtnHighlight));
    EXPECT_EQ(At(img, img.width() - 1, img.height() - 1), ColorToRGB(cl3DDkShadow));
    EXPECT_EQ(At(img, item.left() + 1, item.top()), cs.IconBack);
    EXPECT_EQ(At(img, item.left() + 30, item.top()), cs.MenuBack);
    EXPECT_EQ(At(img, sep.left() + 24 + 8, sep.top() + 2), cs.Separator);
    EXPECT_EQ(At(img, sep.left() + 24 + 3, sep.top() + 2), cs.MenuBack);
    const QRect box(item.left() + 7, item.top() + (item.height() - 10) / 2, 10, 10);
    EXPECT_EQ(At(img, box.left(), box.top()), cs.CheckFrame);
    EXPECT_EQ(At(img, box.left() + 1, box.top() + 1), cs.CheckedFill);
    EXPECT_EQ(At(img, box.left() + 1, box.top() + 5), ColorToRGB(clBlack));

    // A flat menu: one line in the frame colour, the icon column carried into the frame.
    Painter->SetFlatMenu(true);
    img = Shot(*Menu);
    EXPECT_EQ(At(img, 0, 0), cs.MenuFrame);
    EXPECT_EQ(At(img, 1, item.center().y()), cs.IconBack);
    EXPECT_EQ(At(img, img.width() - 2, item.center().y()), cs.MenuBack);
}

TEST_F(XPMenuTest, MenuItemStatesPaintSelectionGradientShortcutAndTab) {
    Painter = new TXPMenu(Form.get());
    Painter->SetActive(true);
    auto paint = [&](QStyle::State state, QStyleOptionMenuItem::MenuItemType type, bool bar) {
        QImage img(200, 24, QImage::Format_RGB32);
        img.fill(Qt::magenta);
        QPainter p(&img);
        QStyleOptionMenuItem o;
        o.initFrom(Menu);
        o.rect = img.rect();
        o.state = state;
        o.menuItemType = type;
        o.checkType = QStyleOptionMenuItem::NotCheckable;
        o.text = QStringLiteral("Open\tCtrl+O");
        Style()->DrawMenuItem(&o, &p, bar ? static_cast<QWidget*>(Form.get()) : Menu, bar);
        return img;
    };
    const TXPColorSet cs = Colors();
    const QImage selected = paint(QStyle::State_Enabled | QStyle::State_Selected, QStyleOptionMenuItem::Normal, false);
    EXPECT_EQ(At(selected, 30, 0), cs.MenuBack);
    EXPECT_EQ(At(selected, 30, 1), cs.SelectFrame);
    EXPECT_EQ(At(selected, 30, 4), cs.SelectFill);
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
    const QImage def = paint(QStyle::State_Enabled, QStyleOptionMenuItem::DefaultItem, false);
    bool shadow = false;
    for (int y = 0; y < 24 && !shadow; ++y)
        for (int x = 24; x < 100 && !shadow; ++x) shadow = At(def, x, y) == Darken(cs.MenuBack, 60);
    EXPECT_TRUE(shadow);

    Painter->SetGradient(true);
    const QImage grad = paint(QStyle::State_Enabled, QStyleOptionMenuItem::Normal, false);
    for (int k : {0, 5, 28, 60})
        EXPECT_EQ(At(grad, k, 0), Lighten(cs.IconBack, GradientShade(k, 24))) << k;

    // An open menu-bar item is a raised tab with a shadow on its right.
    const QImage tab = paint(QStyle::State_Enabled | QStyle::State_Selected | QStyle::State_Sunken,
                             QStyleOptionMenuItem::Normal, true);
    EXPECT_EQ(At(tab, 0, 12), cs.MenuFrame);
    EXPECT_EQ(At(tab, 195, 0), cs.MenuFrame);
    EXPECT_EQ(At(tab, 196, 12), Darken(cs.MenuBar, 100));
    EXPECT_EQ(At(tab, 199, 12), Darken(cs.MenuBar, 10));
    EXPECT_EQ(At(tab, 10, 23), cs.MenuBar);  // open at the bottom
}

TEST_F(XPMenuTest, ControlsArePaintedFlatInEachState) {
    Painter = new TXPMenu(Form.get());
    Painter->SetActive(true);
    const TXPColorSet cs = Colors();
    const TColor hotBorder = Lighten(cs.SelectFrame, 60);

    // Button: idle face in the icon-column colour, shadow right; hot and pressed.
    QImage img = Shot(*Button);
    EXPECT_EQ(At(img, 4, 13), cs.IconBack);
    EXPECT_EQ(At(img, 79, 13), Darken(clBtnShadow, 50));
    Enter(Button);
    img = Shot(*Button);
    EXPECT_EQ(At(img, 4, 13), Lighten(clBtnFace, 60));
    EXPECT_EQ(At(img, 79, 13), Darken(hotBorder, 50));
    Send(Button, QEvent::MouseButtonPress);
    img = Shot(*Button);
    EXPECT_EQ(At(img, 0, 13), Darken(hotBorder, 50));
    EXPECT_EQ(At(img, 79, 13), Lighten(hotBorder, 30));  // the face moved right and down
    Send(Button, QEvent::MouseButtonRelease);

    // Check box: white box framed in the shadow colour, the mark in the highlight colour.
    const QRect inner = CheckSquare(Check, false).adjusted(2, 2, -2, -2);
    img = Shot(*Check);
    EXPECT_EQ(At(img, inner.left(), inner.top()), ColorToRGB(clBtnShadow));
    EXPECT_EQ(At(img, inner.left() + 1, inner.top() + 1), ColorToRGB(clWindow));
    Check->setChecked(true);
    Enter(Check);
    img = Shot(*Check);
    EXPECT_EQ(At(img, inner.left(), inner.top()), cs.SelectFrame);
    EXPECT_EQ(At(img, inner.left() + 1, inner.top() + 1), cs.SelectFill);
    EXPECT_EQ(At(img, inner.left() + 4, inner.bottom() + 1 - 3), ColorToRGB(clHighlight));
    // Space held: the pressed face, a white mark.
    Send(Check, QEvent::KeyPress);
    img = Shot(*Check);
    EXPECT_EQ(At(img, inner.left() + 1, inner.top() + 1), cs.CheckedSelFill);
    EXPECT_EQ(At(img, inner.left() + 4, inner.bottom() + 1 - 3), ColorToRGB(clWindow));
    Send(Check, QEvent::KeyRelease);
    EXPECT_FALSE(Painter->SubClassOf(Check)->SpaceDown());
    // A double click is a second press to the painter too.
    Send(Check, QEvent::MouseButtonDblClick);
    EXPECT_TRUE(Painter->SubClassOf(Check)->LButtonDown());

    const QRect dot = CheckSquare(Radio, true).adjusted(4, 4, -4, -4);
    EXPECT_EQ(At(Shot(*Radio), dot.center().x(), dot.center().y()), ColorToRGB(clHighlight));

    // Edit and memo: a one-pixel border, darker than the parent idle, light highlight hot.
    const TColor idle = Darken(clBtnFace, 60);
    EXPECT_EQ(At(Shot(*Edit), 5, 0), idle);
    EXPECT_EQ(At(Shot(*Edit), 115, 11), ColorToRGB(clWindow));
    Enter(Edit);
    EXPECT_EQ(At(Shot(*Edit), 5, 0), hotBorder);
    EXPECT_EQ(At(Shot(*Memo), 5, 0), idle);

    // Combo box: border, button face and arrow.
    img = Shot(*Combo);
    EXPECT_EQ(At(img, 5, 0), idle);
    EXPECT_EQ(At(img, 117, 3), Face());
    EXPECT_EQ(At(img, 110, 10), ColorToRGB(clBlack));
    Enter(Combo);
    img = Shot(*Combo);
    EXPECT_EQ(At(img, 5, 0), cs.SelectFrame);
    EXPECT_EQ(At(img, 117, 3), cs.SelectFill);

    // Speed button, panel bevel and group box frame.
    img = Shot(*Speed);
    EXPECT_EQ(At(img, 0, 0), Lighten(clBtnShadow, 30));
    EXPECT_EQ(At(img, 3, 3), cs.IconBack);
    img = Shot(*Panel);
    EXPECT_EQ(At(img, 0, 0), Lighten(clBtnFace, 60));
    EXPECT_EQ(At(img, 59, 25), Darken(clBtnFace, 60));
    img = Shot(*Group);
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
    Painter = new TXPMenu(Form.get());
    Painter->SetActive(true);
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

    Painter = new TXPMenu(Form.get());
    Painter->SetActive(true);
    ASSERT_TRUE(cbar->HasBandPaint());
    const TXPColorSet cs = Colors();
    QImage img = Shot(*tb->widgetForAction(checked));
    EXPECT_EQ(At(img, 0, 0), cs.SelectFrame);
    EXPECT_EQ(At(img, 2, 2), cs.CheckedFill);
    img = Shot(*dropButton);
    const int splitX = img.width() - TXPStyle::DropDownWidth;
    EXPECT_EQ(At(img, 1, 1), Lighten(clBtnFace, 16));
    EXPECT_EQ(At(img, splitX + 4, (img.height() - 3) / 2), ColorToRGB(clBlack));
    EXPECT_EQ(At(img, splitX + 8, (img.height() - 3) / 2), ColorToRGB(clBlack));
    EXPECT_EQ(At(img, splitX + 6, (img.height() - 3) / 2 + 2), ColorToRGB(clBlack));

    const QRect band = cbar->BandRects().value(0);
    img = Shot(*cbar);
    EXPECT_EQ(At(img, band.left() + 3, band.top() + 6), Darken(clBtnFace, 30));
    EXPECT_EQ(At(img, band.left() + 5, band.top() + 8), Darken(clBtnFace, 37));
    EXPECT_EQ(At(img, band.left() + 3, band.top() + 7), Lighten(clBtnFace, 6));
    Painter->SetActive(false);
    EXPECT_FALSE(cbar->HasBandPaint());
}

// ---- Real keyboard and mouse input (under Xvfb with xdotool; skipped elsewhere) ----

bool Xdo(const QStringList& args) { return QProcess::execute(QStringLiteral("xdotool"), args) == 0; }

bool WaitFor(const std::function<bool()>& done, int ms = 3000) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}

QStringList At(const QWidget* w, QPoint p) {
    const QPoint g = w->mapToGlobal(p);
    return {QString::number(g.x()), QString::number(g.y())};
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
    ASSERT_TRUE(Xdo(QStringList{QStringLiteral("mousemove")} + At(check, QPoint(8, 12)) +
                    QStringList{QStringLiteral("click"), QStringLiteral("--repeat"), QStringLiteral("2"),
                                QStringLiteral("--delay"), QStringLiteral("80"), QStringLiteral("1")}));
    EXPECT_TRUE(WaitFor([&] { return clicks == 2; }));
    EXPECT_FALSE(check->isChecked());

    button->setFocus();
    ASSERT_TRUE(Xdo(QStringList{QStringLiteral("mousemove")} + At(button, QPoint(40, 13))));
    ASSERT_TRUE(Xdo({QStringLiteral("keydown"), QStringLiteral("space")}));
    EXPECT_TRUE(WaitFor([&] { return painter.SubClassOf(button)->SpaceDown(); }));
    QImage img = Shot(*button);
    EXPECT_EQ(At(img, 4, 13), Lighten(clBtnFace, 60));
    EXPECT_EQ(At(img, 0, 13), Darken(Lighten(cs.SelectFrame, 60), 50));  // pressed: shadow on the left
    ASSERT_TRUE(Xdo({QStringLiteral("keyup"), QStringLiteral("space")}));
    EXPECT_TRUE(WaitFor([&] { return !painter.SubClassOf(button)->SpaceDown(); }));

    ASSERT_TRUE(Xdo(QStringList{QStringLiteral("mousemove")} + At(tool, tool->rect().center())));
    EXPECT_TRUE(WaitFor([&] { return tool->underMouse(); }));
    img = Shot(*tool);
    EXPECT_EQ(At(img, 0, 0), cs.SelectFrame);
    EXPECT_EQ(At(img, 2, 2), cs.SelectFill);
}

}  // namespace
