// Every form holds exactly one painter, active from its construction; the main window's takes
// its colours from the settings and paints the menus (no style sheets any more).

#include <QMenuBar>
#include <QToolButton>

#include "mainwindow/formabout.h"
#include "mainwindow/formoptions.h"
#include "mainwindow/formtipoftheday.h"
#include "controls/controlbar.h"
#include "controls/dateedit.h"
#include "controls/xpmenu.h"
#include "window_fixture.h"

namespace {

// The form's painters (its direct children).
QList<TXPMenu*> Painters(QWidget* form) { return form->findChildren<TXPMenu*>(QString(), Qt::FindDirectChildrenOnly); }

class PainterFormsTest : public ::testing::Test {
protected:
    void SetUp() override {
        wintest::App();
        vx::SetProgramFilesDir(Dir.Root().string());
        Option = new TOption();
        Option->Load();
        Option->AlwayShowTipOfTheDay = false;
    }
    void TearDown() override {
        delete Option;
        Option = nullptr;
        vx::SetProgramFilesDir(std::string());
    }
    vxtest::TempDir Dir;
};

TEST_F(PainterFormsTest, MainWindowPaintsItsMenusInTheColoursOfTheSettings) {
    Option->MenuSelectColor = clRed;
    Option->MenuSelectBorderColor = clNavy;
    Option->MenuSelectFontColor = clWhite;
    Option->MenuSeparatorColor = clGreen;
    TFormMain form;
    ASSERT_EQ(Painters(&form), QList<TXPMenu*>{form.MainXPMenu});
    TXPMenu* p = form.MainXPMenu;
    EXPECT_TRUE(p->Active());
    EXPECT_FALSE(p->UseSystemColors());
    EXPECT_EQ(std::vector<TColor>({p->SelectColor(), p->SelectBorderColor(), p->SelectFontColor(), p->SeparatorColor()}),
              std::vector<TColor>({clRed, clNavy, clWhite, clGreen}));

    Option->MenuSelectColor = clBlue;
    form.UpdateInterface();
    EXPECT_EQ(p->SelectColor(), clBlue);

    for (QMenu* m : form.findChildren<QMenu*>()) {
        if (m->objectName().isEmpty())
            continue;  // the toolkit's own (the menu bar's overflow menu is taken when it first shows)
        EXPECT_TRUE(m->styleSheet().isEmpty()) << m->objectName().toStdString();
        EXPECT_EQ(m->style(), p->Style()) << m->objectName().toStdString();
    }
    EXPECT_EQ(form.menuBar()->style(), p->Style());
    EXPECT_TRUE(static_cast<TControlBar*>(form.MainControlBar)->HasBandPaint());
    EXPECT_EQ(form.Image2->style(), QApplication::style());  // the welcome page's pictures are no buttons

    // The File menu: the icon column runs from the bar colour toward white.
    QImage img = form.MenuFile->grab().toImage();
    const QRect item = form.MenuFile->actionGeometry(form.M1_NEWFROMFILE);
    const TXPColorSet cs = p->ColorSet(true);
    for (int k : {0, 12, 40})
        EXPECT_EQ(FromQColor(QColor(img.pixel(item.left() + k, item.top()))), Lighten(cs.IconBack, GradientShade(k, 24)));
}

// A dialog of the main window holds one active painter of its own in the system colours; the
// main window's painter keeps off the dialog's controls.
template <class TDialog, class... TArgs>
void ExpectOwnPainter(TFormMain& main, TArgs... args) {
    TDialog w(&main, args...);
    SCOPED_TRACE(typeid(TDialog).name());
    ASSERT_EQ(Painters(&w), QList<TXPMenu*>{w.XPMenu1});
    EXPECT_TRUE(w.XPMenu1->Active() && w.XPMenu1->UseSystemColors());
    EXPECT_GT(w.XPMenu1->SubClassCount(), 0);
    for (QWidget* c : w.template findChildren<QWidget*>()) EXPECT_EQ(main.MainXPMenu->SubClassOf(c), nullptr);
}

TEST_F(PainterFormsTest, EveryDialogHoldsOneActivePainter) {
    TFormMain main;
    ExpectOwnPainter<TFormOptions>(main);
    ExpectOwnPainter<TFormEditSpeedName>(main);
    ExpectOwnPainter<TFormConfirmWithCheckBox>(main);
    ExpectOwnPainter<TFormTipOfTheDay>(main);
    ExpectOwnPainter<TFormAbout>(main);
    ExpectOwnPainter<TSelectDateDlg>(main, EmptyDate);
}

}  // namespace
