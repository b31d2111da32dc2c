// Calendar grid: layout of a month, stepping by month and year with day clamping, selection,
// keys and geometry.
#include "controls/rxcalendar.h"

#include <QDate>
#include <gtest/gtest.h>
#include "qtapp.h"

namespace {

TDateTime D(int y, int m, int d) { return EncodeDate(y, m, d); }

}  // namespace

TEST(DateCalendarLayout, MonthOffsetAndCells) {
    // June 2025 starts on a Sunday: with Monday first, day 1 is the last cell of row 1.
    const int offset = CalendarMonthOffset(2025, 6, Mon);
    EXPECT_EQ(offset, -5);
    EXPECT_EQ(CalendarDayCell(offset, 1), QPoint(6, 1));
    EXPECT_EQ(CalendarCellDay(offset, 30, 6, 1), 1);
    EXPECT_EQ(CalendarCellDay(offset, 30, 0, 1), 0);
    EXPECT_EQ(CalendarDayCell(offset, 30), QPoint(0, 6));  // six rows are needed
    EXPECT_EQ(CalendarCellDay(offset, 30, 1, 6), 0);
    // With Sunday first the same month starts in column 0.
    EXPECT_EQ(CalendarMonthOffset(2025, 6, Sun), 1);
    // January 2024 starts on a Monday.
    EXPECT_EQ(CalendarMonthOffset(2024, 1, Mon), 1);
    EXPECT_EQ(CalendarDayCell(1, 31), QPoint(2, 5));
    // February 2024 starts on a Thursday.
    const int feb = CalendarMonthOffset(2024, 2, Mon);
    EXPECT_EQ(CalendarDayCell(feb, 1), QPoint(3, 1));
    EXPECT_EQ(CalendarCellDay(feb, 29, 3, 5), 29);
    EXPECT_EQ(CalendarCellDay(feb, 29, 4, 5), 0);
    EXPECT_EQ(CalendarCellDay(feb, 29, 3, 0), 0);  // the day-name row
    for (int day = 1; day <= 31; ++day) {
        const QPoint cell = CalendarDayCell(offset, day);
        EXPECT_EQ(CalendarCellDay(offset, 31, cell.x(), cell.y()), day);
    }
}

TEST(DateCalendarLayout, StepMonthAndYearClampTheDay) {
    struct Case {
        QDate from;
        bool byYear;
        int step;
        QDate to;  // null: refused, nothing changes
    };
    const Case cases[] = {
        {{2025, 1, 31}, false, 1, {2025, 2, 28}}, {{2024, 2, 29}, true, 1, {2025, 2, 28}},
        {{2024, 2, 29}, true, 4, {2028, 2, 28}},  // 29 February is given up even for another leap year
        {{2024, 3, 31}, false, -1, {2024, 2, 29}}, {{2024, 12, 15}, false, 1, {2025, 1, 15}},
        {{2024, 1, 15}, false, -1, {2023, 12, 15}}, {{9999, 12, 31}, false, 1, {}},
        {{9999, 12, 31}, true, 1, {}},             {{1, 1, 1}, false, -1, {}},
    };
    for (const Case& c : cases) {
        int y = c.from.year(), m = c.from.month(), d = c.from.day();
        const bool ok = c.byYear ? StepYear(y, m, d, c.step) : StepMonth(y, m, d, c.step);
        EXPECT_EQ(ok, !c.to.isNull()) << c.from.toString().toStdString();
        EXPECT_EQ(QDate(y, m, d), ok ? c.to : c.from) << c.from.toString().toStdString();
    }
}

TEST(DateCalendarWidget, ElementsAndStepping) {
    vxtest::App();
    TRxCalendar cal;
    EXPECT_EQ(cal.CalendarDate(), Today());
    int changes = 0;
    cal.OnChange = [&] { ++changes; };
    cal.SetCalendarDate(D(2025, 1, 31));
    EXPECT_EQ(changes, 1);
    cal.SetCalendarDate(D(2025, 1, 31));
    EXPECT_EQ(changes, 1);  // no change, no event
    cal.SetMonth(13);
    cal.SetDay(32);
    EXPECT_EQ(cal.CalendarDate(), D(2025, 1, 31));
    cal.SetMonth(4);
    EXPECT_EQ(cal.CalendarDate(), D(2025, 4, 30));
    cal.SetCalendarDate(D(2025, 1, 31));
    cal.NextMonth();
    cal.PrevMonth();
    EXPECT_EQ(cal.CalendarDate(), D(2025, 1, 28));
    cal.SetCalendarDate(D(2024, 2, 29));
    cal.NextYear();
    EXPECT_EQ(cal.CalendarDate(), D(2025, 2, 28));
    cal.PrevYear();
    cal.SetCalendarDate(1e12);  // no date: refused
    EXPECT_EQ(cal.CalendarDate(), D(2024, 2, 28));
}

TEST(DateCalendarWidget, CellsSelectionAndKeys) {
    vxtest::App();
    TRxCalendar cal;
    cal.SetCalendarDate(D(2025, 6, 15));
    EXPECT_EQ(cal.CellText(0, 0), "Mon");
    EXPECT_EQ(cal.CellText(6, 0), "Sun");
    EXPECT_EQ(cal.CellText(6, 1), "1");
    EXPECT_EQ(cal.CellText(0, 1), "");
    EXPECT_EQ(QPoint(cal.Col(), cal.Row()), QPoint(6, 3));
    EXPECT_FALSE(cal.SelectCell(0, 1));  // no day there
    EXPECT_FALSE(cal.SelectCell(3, 0));  // the day names
    EXPECT_TRUE(cal.SelectCell(2, 3));
    EXPECT_EQ(cal.Day(), 11);
    cal.SetStartOfWeek(Sun);
    EXPECT_EQ(cal.CellText(0, 0), "Sun");
    EXPECT_EQ(cal.CellText(0, 1), "1");
    cal.SetStartOfWeek(Mon);

    cal.SetCalendarDate(D(2025, 6, 30));
    const struct {
        int key;
        Qt::KeyboardModifiers mods;
        QDate to;
    } keys[] = {{Qt::Key_Right, Qt::NoModifier, {2025, 7, 1}},  // across the month end
                {Qt::Key_Minus, Qt::KeypadModifier, {2025, 6, 30}}, {Qt::Key_Up, Qt::NoModifier, {2025, 6, 23}},
                {Qt::Key_Down, Qt::NoModifier, {2025, 6, 30}},
                {Qt::Key_Down, Qt::NoModifier, {2025, 6, 30}},  // no day below the 30th
                {Qt::Key_Home, Qt::ControlModifier, {2025, 6, 1}}};
    for (const auto& k : keys) {
        cal.KeyDown(k.key, k.mods);
        EXPECT_EQ(cal.CalendarDate(), D(k.to.year(), k.to.month(), k.to.day())) << k.key;
    }
    cal.KeyPress('t');
    EXPECT_EQ(cal.CalendarDate(), Today());

    cal.SetCalendarDate(D(2025, 6, 15));
    cal.SetReadOnly(true);
    EXPECT_FALSE(cal.SelectCell(2, 3));
    cal.KeyDown(Qt::Key_Left, Qt::NoModifier);
    EXPECT_EQ(cal.CalendarDate(), D(2025, 6, 15));
    cal.SetCalendarDate(D(2025, 6, 20));  // the calendar still shows a new date
    EXPECT_EQ(QPoint(cal.Col(), cal.Row()), QPoint(4, 4));
}

TEST(DateCalendarWidget, GeometryAndMouse) {
    vxtest::App();
    TRxCalendar cal;
    cal.resize(2 + 7 * 20 + 6, 2 + 7 * 15 + 6);
    EXPECT_EQ(cal.CellRect(1, 1), QRect(1 + 21, 1 + 16, 20, 15));
    TLocCalendar loc;
    loc.resize(7 * 20 + 3, 7 * 15 + 6);
    EXPECT_EQ(loc.CellRect(2, 1), QRect(40, 16, 20, 15));  // no vertical lines to leave room for
    loc.SetCalendarDate(D(2025, 6, 15));
    int c = -1, r = -1;
    ASSERT_TRUE(loc.MouseToCell(QPoint(45, 20), c, r));
    EXPECT_EQ(QPoint(c, r), QPoint(2, 1));
    EXPECT_FALSE(loc.MouseToCell(QPoint(145, 20), c, r));
    vxtest::Mouse(&loc, QEvent::MouseButtonPress, loc.CellRect(3, 2).center());
    EXPECT_EQ(loc.CalendarDate(), D(2025, 6, 5));
    loc.setEnabled(false);
    EXPECT_TRUE(loc.isEnabled());
}
