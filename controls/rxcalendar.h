// TRxCalendar: a month as a grid of 7 x 7 cells, day names in the fixed top row, one day
// selected; TLocCalendar is the borderless variant in the date edit's drop-down. The layout of a
// month and the stepping by month and year are plain functions.
#pragma once

#include "controls/colors.h"
#include "controls/dateutil.h"

#include <QPoint>
#include <QRect>
#include <QWidget>

#include <functional>

// The month offset: the day shown in column 0 of row 1 (0 or below when the month starts later
// in the week). DOW is the day of week (Sunday = 1) of the month's first day; offset =
// 2 - ((DOW - StartOfWeek + 7) mod 7), and -5 when that gives 2.
int CalendarMonthOffset(int Year, int Month, TDayOfWeekName StartOfWeek);
// The day shown in cell (Col, Row >= 1), 0 when the cell holds none.
int CalendarCellDay(int MonthOffset, int DaysInMonth, int Col, int Row);
// The cell that shows a day: column (Day - offset) mod 7, row (Day - offset) div 7 + 1.
QPoint CalendarDayCell(int MonthOffset, int Day);
// The day of week (0 = Sunday) of a column.
inline int CalendarColumnDay(TDayOfWeekName StartOfWeek, int Col) { return (StartOfWeek + Col) % 7; }

// Stepping a date: the next or previous month keeps the day, clamped to the new month's length;
// the next or previous year first turns 29 February into 28 February. False (date unchanged)
// beyond the years 1 to 9999.
bool StepMonth(int& Y, int& M, int& D, int Delta);
bool StepYear(int& Y, int& M, int& D, int Delta);

class TRxCalendar : public QWidget {
    Q_OBJECT
public:
    // Which grid lines are drawn.
    enum GridOption { goFixedVertLine = 1, goFixedHorzLine = 2, goVertLine = 4, goHorzLine = 8 };

    explicit TRxCalendar(QWidget* parent = nullptr);

    TDateTime CalendarDate() const { return date_; }
    // A new date re-lays the grid and fires OnChange; an invalid one is refused.
    void SetCalendarDate(TDateTime value);
    int Day() const;
    int Month() const;
    int Year() const;
    // A day beyond the month, or a month beyond 12, is refused; a new month clamps the day.
    void SetDay(int value);
    void SetMonth(int value);
    void SetYear(int value);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool value) { readOnly_ = value; }
    TDayOfWeekName StartOfWeek() const { return startOfWeek_; }
    void SetStartOfWeek(TDayOfWeekName value);
    bool UseCurrentDate() const { return useCurrentDate_; }
    // True sets today.
    void SetUseCurrentDate(bool value);
    TDaysOfWeek Weekends() const { return weekends_; }
    void SetWeekends(TDaysOfWeek value);
    TColor WeekendColor() const { return weekendColor_; }
    void SetWeekendColor(TColor value);
    TColor Color() const { return color_; }
    void SetColor(TColor value);
    TColor FixedColor() const { return fixedColor_; }
    void SetFixedColor(TColor value);
    int Options() const { return options_; }
    void SetOptions(int value);
    int GridLineWidth() const { return 1; }
    bool BorderVisible() const { return border_; }
    void SetBorderVisible(bool value);

    void NextMonth();
    void PrevMonth();
    void NextYear();
    void PrevYear();
    // Re-lays the grid for the date and selects its day.
    void UpdateCalendar();

    int MonthOffset() const { return monthOffset_; }
    // Day names in row 0, day numbers in the day cells, "" elsewhere.
    QString CellText(int Col, int Row) const;
    // The selected cell.
    int Col() const { return col_; }
    int Row() const { return row_; }
    // Selects a cell when it holds a day (and the calendar is not read-only, unless it updates
    // itself); selecting it sets Day.
    bool SelectCell(int Col, int Row);
    int ColWidth() const;
    int RowHeight() const;
    QRect CellRect(int Col, int Row) const;
    // The cell at a point of the widget; false outside the grid.
    bool MouseToCell(QPoint pos, int& Col, int& Row) const;

    // Key handling of the calendar (also reached from the drop-down): true when used.
    bool KeyDown(int key, Qt::KeyboardModifiers modifiers);
    bool KeyPress(QChar key);

    std::function<void()> OnChange;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // Draws one cell; the local calendar adds today's frame.
    virtual void DrawCell(QPainter& p, int Col, int Row, const QRect& rect, bool selected);
    QRect GridRect() const;

private:
    void ChangeDate(int Y, int M, int D);

    TDateTime date_;
    int monthOffset_ = 0;
    bool updating_ = false;
    bool readOnly_ = false;
    TDayOfWeekName startOfWeek_ = Mon;
    bool useCurrentDate_ = true;
    TDaysOfWeek weekends_ = DayBit(Sun);
    TColor weekendColor_ = clRed;
    TColor color_ = clWindow;
    TColor fixedColor_ = clBtnFace;
    int options_ = goFixedVertLine | goFixedHorzLine | goVertLine | goHorzLine;
    bool border_ = true;
    int col_ = 0;
    int row_ = 1;
};

// The calendar of the drop-down: no border, no tab stop, the parent's colour for all cells, only
// the line under the day names, today's cell framed.
class TLocCalendar : public TRxCalendar {
    Q_OBJECT
public:
    explicit TLocCalendar(QWidget* parent = nullptr);

protected:
    void DrawCell(QPainter& p, int Col, int Row, const QRect& rect, bool selected) override;
    void changeEvent(QEvent* event) override;
};
