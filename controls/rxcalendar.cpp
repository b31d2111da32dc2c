#include "controls/rxcalendar.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

// ---- Layout of a month and date stepping --------------------------------------------------

int CalendarMonthOffset(int Year, int Month, TDayOfWeekName StartOfWeek) {
    TDateTime first = 0;
    if (!TryEncodeDate(Year, Month, 1, first)) return 1;
    const int dow = DayOfWeek(first);
    int offset = 2 - ((dow - static_cast<int>(StartOfWeek) + 7) % 7);
    if (offset == 2) offset = -5;
    return offset;
}

int CalendarCellDay(int MonthOffset, int DaysInMonth, int Col, int Row) {
    if (Row < 1 || Col < 0 || Col > 6) return 0;
    const int day = MonthOffset + Col + (Row - 1) * 7;
    return day >= 1 && day <= DaysInMonth ? day : 0;
}

QPoint CalendarDayCell(int MonthOffset, int Day) {
    const int n = Day - MonthOffset;
    return QPoint(n % 7, n / 7 + 1);
}

bool StepMonth(int& Y, int& M, int& D, int Delta) {
    int y = Y;
    int m = M + Delta;
    while (m > 12) {
        m -= 12;
        ++y;
    }
    while (m < 1) {
        m += 12;
        --y;
    }
    const int d = std::min(D, DaysInMonthOf(y, m));
    if (!IsValidDate(y, m, d)) return false;
    Y = y;
    M = m;
    D = d;
    return true;
}

bool StepYear(int& Y, int& M, int& D, int Delta) {
    int d = D;
    if (M == 2 && d == 29 && IsLeapYear(Y)) d = 28;
    const int y = Y + Delta;
    if (!IsValidDate(y, M, d)) return false;
    Y = y;
    D = d;
    return true;
}

// ---- TRxCalendar --------------------------------------------------------------------------

TRxCalendar::TRxCalendar(QWidget* parent) : QWidget(parent), date_(Today()) {
    setFocusPolicy(Qt::StrongFocus);
    resize(180, 120);
    UpdateCalendar();
}

int TRxCalendar::Day() const {
    int y, m, d;
    TryDecodeDate(date_, y, m, d);
    return d;
}

int TRxCalendar::Month() const {
    int y, m, d;
    TryDecodeDate(date_, y, m, d);
    return m;
}

int TRxCalendar::Year() const {
    int y, m, d;
    TryDecodeDate(date_, y, m, d);
    return y;
}

void TRxCalendar::SetCalendarDate(TDateTime value) {
    if (!IsValidDate(value)) return;
    value = std::trunc(value);
    if (value == date_) return;
    date_ = value;
    UpdateCalendar();
    if (OnChange) OnChange();
}

void TRxCalendar::ChangeDate(int Y, int M, int D) {
    TDateTime value = 0;
    if (TryEncodeDate(Y, M, D, value)) SetCalendarDate(value);
}

void TRxCalendar::SetDay(int value) {
    if (value < 1 || value > DaysInMonthOf(Year(), Month())) return;
    ChangeDate(Year(), Month(), value);
}

void TRxCalendar::SetMonth(int value) {
    if (value < 1 || value > 12) return;
    ChangeDate(Year(), value, std::min(Day(), DaysInMonthOf(Year(), value)));
}

void TRxCalendar::SetYear(int value) {
    const int d = std::min(Day(), DaysInMonthOf(value, Month()));
    ChangeDate(value, Month(), d);
}

void TRxCalendar::SetStartOfWeek(TDayOfWeekName value) {
    if (value == startOfWeek_) return;
    startOfWeek_ = value;
    UpdateCalendar();
}

void TRxCalendar::SetUseCurrentDate(bool value) {
    useCurrentDate_ = value;
    if (value) SetCalendarDate(Today());
}

void TRxCalendar::SetWeekends(TDaysOfWeek value) {
    if (value == weekends_) return;
    weekends_ = value;
    UpdateCalendar();
}

void TRxCalendar::SetWeekendColor(TColor value) {
    weekendColor_ = value;
    update();
}

void TRxCalendar::SetColor(TColor value) {
    color_ = value;
    update();
}

void TRxCalendar::SetFixedColor(TColor value) {
    fixedColor_ = value;
    update();
}

void TRxCalendar::SetOptions(int value) {
    options_ = value;
    update();
}

void TRxCalendar::SetBorderVisible(bool value) {
    border_ = value;
    update();
}

void TRxCalendar::NextMonth() {
    int y = Year(), m = Month(), d = Day();
    if (StepMonth(y, m, d, 1)) ChangeDate(y, m, d);
}

void TRxCalendar::PrevMonth() {
    int y = Year(), m = Month(), d = Day();
    if (StepMonth(y, m, d, -1)) ChangeDate(y, m, d);
}

void TRxCalendar::NextYear() {
    int y = Year(), m = Month(), d = Day();
    if (StepYear(y, m, d, 1)) ChangeDate(y, m, d);
}

void TRxCalendar::PrevYear() {
    int y = Year(), m = Month(), d = Day();
    if (StepYear(y, m, d, -1)) ChangeDate(y, m, d);
}

void TRxCalendar::UpdateCalendar() {
    monthOffset_ = CalendarMonthOffset(Year(), Month(), startOfWeek_);
    const QPoint cell = CalendarDayCell(monthOffset_, Day());
    updating_ = true;
    SelectCell(cell.x(), cell.y());
    updating_ = false;
    update();
}

QString TRxCalendar::CellText(int Col, int Row) const {
    if (Col < 0 || Col > 6) return QString();
    if (Row == 0) return ShortDayName(CalendarColumnDay(startOfWeek_, Col));
    const int day = CalendarCellDay(monthOffset_, DaysInMonthOf(Year(), Month()), Col, Row);
    return day ? QString::number(day) : QString();
}

bool TRxCalendar::SelectCell(int Col, int Row) {
    if (Row < 1 || Row > 6 || Col < 0 || Col > 6) return false;
    const int day = CalendarCellDay(monthOffset_, DaysInMonthOf(Year(), Month()), Col, Row);
    if (day == 0) return false;
    if (readOnly_ && !updating_) return false;
    col_ = Col;
    row_ = Row;
    update();
    if (!updating_) SetDay(day);
    return true;
}

QRect TRxCalendar::GridRect() const { return border_ ? rect().adjusted(1, 1, -1, -1) : rect(); }

int TRxCalendar::ColWidth() const {
    const bool vertical = options_ & (goFixedVertLine | goVertLine);
    return std::max(0, (GridRect().width() - (vertical ? 6 * GridLineWidth() : 0)) / 7);
}

int TRxCalendar::RowHeight() const { return std::max(0, (GridRect().height() - 6 * GridLineWidth()) / 7); }

QRect TRxCalendar::CellRect(int Col, int Row) const {
    const QRect g = GridRect();
    const int vlw = options_ & (goFixedVertLine | goVertLine) ? GridLineWidth() : 0;
    const int hlw = options_ & (goFixedHorzLine | goHorzLine) ? GridLineWidth() : 0;
    return QRect(g.left() + Col * (ColWidth() + vlw), g.top() + Row * (RowHeight() + hlw), ColWidth(), RowHeight());
}

bool TRxCalendar::MouseToCell(QPoint pos, int& Col, int& Row) const {
    for (int r = 0; r < 7; ++r) {
        for (int c = 0; c < 7; ++c) {
            if (CellRect(c, r).contains(pos)) {
                Col = c;
                Row = r;
                return true;
            }
        }
    }
    return false;
}

bool TRxCalendar::KeyDown(int key, Qt::KeyboardModifiers modifiers) {
    const bool keypad = modifiers & Qt::KeypadModifier;
    if (key == Qt::Key_Left || (keypad && key == Qt::Key_Minus)) {
        if (!readOnly_) SetCalendarDate(date_ - 1);
        return true;
    }
    if (key == Qt::Key_Right || (keypad && key == Qt::Key_Plus)) {
        if (!readOnly_) SetCalendarDate(date_ + 1);
        return true;
    }
    const int days = DaysInMonthOf(Year(), Month());
    switch (key) {
    case Qt::Key_Up:
        SelectCell(col_, row_ - 1);
        return true;
    case Qt::Key_Down:
        SelectCell(col_, row_ + 1);
        return true;
    case Qt::Key_Home:
        if (modifiers & Qt::ControlModifier) {
            if (!readOnly_) SetDay(1);
        } else {
            for (int c = 0; c < 7; ++c)
                if (SelectCell(c, row_)) break;
        }
        return true;
    case Qt::Key_End:
        if (modifiers & Qt::ControlModifier) {
            if (!readOnly_) SetDay(days);
        } else {
            for (int c = 6; c >= 0; --c)
                if (SelectCell(c, row_)) break;
        }
        return true;
    default:
        return false;
    }
}

bool TRxCalendar::KeyPress(QChar key) {
    if (key == QLatin1Char('T') || key == QLatin1Char('t')) {
        if (!readOnly_) SetCalendarDate(Today());
        return true;
    }
    return false;
}

void TRxCalendar::keyPressEvent(QKeyEvent* event) {
    if (KeyDown(event->key(), event->modifiers())) return;
    if (event->text().size() == 1 && KeyPress(event->text()[0])) return;
    QWidget::keyPressEvent(event);
}

void TRxCalendar::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    if (focusPolicy() != Qt::NoFocus) setFocus(Qt::MouseFocusReason);
    int c = 0, r = 0;
    if (MouseToCell(event->position().toPoint(), c, r)) SelectCell(c, r);
}

void TRxCalendar::mouseReleaseEvent(QMouseEvent* event) { event->accept(); }

void TRxCalendar::DrawCell(QPainter& p, int Col, int Row, const QRect& rect, bool selected) {
    QColor text = ToQColor(clWindowText);
    if (Row == 0) {
        p.fillRect(rect, ToQColor(fixedColor_));
    } else if (selected) {
        p.fillRect(rect, ToQColor(clHighlight));
        text = ToQColor(clHighlightText);
    } else {
        p.fillRect(rect, ToQColor(color_));
        const QString t = CellText(Col, Row);
        if (!t.isEmpty() && (weekends_ & (1u << CalendarColumnDay(startOfWeek_, Col)))) text = ToQColor(weekendColor_);
    }
    p.setPen(text);
    p.drawText(rect, Qt::AlignCenter | Qt::TextSingleLine, CellText(Col, Row));
}

void TRxCalendar::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), ToQColor(color_));
    if (border_) {
        p.setPen(ToQColor(clWindowFrame));
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
    const QColor line = ToQColor(ColorToRGB(color_) == clSilver ? clGray : clSilver);
    const int lw = GridLineWidth();
    p.setFont(font());
    for (int r = 0; r < 7; ++r) {
        for (int c = 0; c < 7; ++c) {
            const QRect cell = CellRect(c, r);
            DrawCell(p, c, r, cell, r > 0 && c == col_ && r == row_);
            const bool vline = r == 0 ? options_ & goFixedVertLine : options_ & goVertLine;
            const bool hline = r == 0 ? options_ & goFixedHorzLine : options_ & goHorzLine;
            if (vline && c < 6) p.fillRect(cell.right() + 1, cell.top(), lw, cell.height() + lw, line);
            if (hline) p.fillRect(cell.left(), cell.bottom() + 1, cell.width() + (c < 6 && vline ? lw : 0), lw, line);
        }
    }
}

// ---- TLocCalendar -------------------------------------------------------------------------

TLocCalendar::TLocCalendar(QWidget* parent) : TRxCalendar(parent) {
    SetBorderVisible(false);
    setFocusPolicy(Qt::NoFocus);
    SetOptions(goFixedHorzLine);
    SetUseCurrentDate(false);
    if (parent) {
        // The parent's colour for the day cells and the fixed row alike.
        const TColor c = FromQColor(parent->palette().color(parent->backgroundRole()));
        SetColor(c);
        SetFixedColor(c);
    }
    SetCalendarDate(Today());
}

void TLocCalendar::changeEvent(QEvent* event) {
    TRxCalendar::changeEvent(event);
    if (event->type() == QEvent::EnabledChange && !isEnabled()) setEnabled(true);
}

void TLocCalendar::DrawCell(QPainter& p, int Col, int Row, const QRect& rect, bool selected) {
    TRxCalendar::DrawCell(p, Col, Row, rect, selected);
    if (Row < 1) return;
    int y, m, d;
    if (!TryDecodeDate(Today(), y, m, d) || y != Year() || m != Month()) return;
    if (CalendarCellDay(MonthOffset(), DaysInMonthOf(y, m), Col, Row) != d) return;
    // Today's cell: a one-pixel sunken frame.
    const QRect r = rect.adjusted(0, 0, -1, -1);
    p.setPen(ToQColor(clBtnShadow));
    p.drawLine(r.topLeft(), r.topRight());
    p.drawLine(r.topLeft(), r.bottomLeft());
    p.setPen(ToQColor(clBtnHighlight));
    p.drawLine(r.bottomLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomRight());
}
