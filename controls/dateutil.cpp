#include "controls/dateutil.h"

#include <QDate>

#include <cmath>
#include <mutex>
#include <utility>
#include <vector>

namespace {

std::mutex gFormatMutex;
QString gShortDateFormat = QStringLiteral("yyyy-M-d");
QChar gDateSeparator = QLatin1Char('-');

std::vector<std::pair<int, std::function<void()>>>& Listeners() {
    static std::vector<std::pair<int, std::function<void()>>> list;
    return list;
}
int gNextListenerId = 1;

constexpr int kDaysInMonth[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
const char* const kMonthNames[12] = {"January", "February", "March",     "April",   "May",      "June",
                                     "July",    "August",   "September", "October", "November", "December"};
const char* const kDayNames[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
const char* const kLongDayNames[7] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};

// Day numbers of 1 January 0001 and 31 December 9999.
constexpr long long kMinDay = -693593;
constexpr long long kMaxDay = 2958465;

// Days since 1 January 1970 of a proleptic Gregorian date.
long long DaysFromCivil(long long y, int m, int d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const long long yoe = y - era * 400;
    const long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void CivilFromDays(long long z, int& y, int& m, int& d) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const long long doe = z - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yoe + era * 400 + (m <= 2));
}

// 1899-12-30 is day 0 of TDateTime.
constexpr long long kEpochShift = 25569;

bool IsDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

// A decimal integer of digits with an optional sign; -1 when the text is no number.
int DecimalOrMinusOne(const QString& s) {
    int i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == QLatin1Char('+') || s[i] == QLatin1Char('-'))) {
        negative = s[i] == QLatin1Char('-');
        ++i;
    }
    if (i >= s.size()) return -1;
    long long v = 0;
    for (; i < s.size(); ++i) {
        if (!IsDigit(s[i])) return -1;
        v = v * 10 + (s[i].unicode() - '0');
        if (v > 1000000000) return -1;
    }
    return static_cast<int>(negative ? -v : v);
}

// One element of a date read by position: the run of Letter (Count of them to find it) in the
// upper-cased format. Returns Default when the letter is missing or S is longer than the format,
// Blank when the positions hold only blanks.
int ExtractElement(const QString& upperFormat, const QString& S, QChar letter, int count, int blank, int def) {
    if (S.size() > upperFormat.size()) return def;
    const int start = upperFormat.indexOf(QString(count, letter));
    if (start < 0) return def;
    QString text;
    for (int j = start; j < upperFormat.size() && upperFormat[j] == letter; ++j) {
        // Positions past the end of a short text are blanks.
        if (j < S.size() && S[j] != QLatin1Char(' ')) text += S[j];
    }
    if (text.isEmpty()) return blank;
    if (count > 1) {
        const int m = MonthByName(text, static_cast<int>(text.size()));
        return m == 0 ? -1 : m;
    }
    return DecimalOrMinusOne(text);
}

void SkipBlanks(const QString& S, int& pos) {
    while (pos < S.size() && S[pos] == QLatin1Char(' ')) ++pos;
}

bool ScanNumber(const QString& S, int& pos, int& number) {
    SkipBlanks(S, pos);
    int i = pos;
    int n = 0;
    while (i < S.size() && i - pos < 4 && IsDigit(S[i])) {
        n = n * 10 + (S[i].unicode() - '0');
        ++i;
    }
    if (i == pos) return false;
    pos = i;
    number = n;
    return true;
}

bool ScanChar(const QString& S, int& pos, QChar c) {
    SkipBlanks(S, pos);
    if (pos < S.size() && S[pos] == c) {
        ++pos;
        return true;
    }
    return false;
}

QString TwoDigits(int v) {
    return QString::number(v).rightJustified(2, QLatin1Char('0'));
}

}  // namespace

// ---- The program's date format ------------------------------------------------------------

void SetShortDateFormat(const QString& format, QChar separator) {
    {
        std::lock_guard<std::mutex> lock(gFormatMutex);
        gShortDateFormat = format;
        gDateSeparator = separator;
    }
    auto listeners = Listeners();  // a copy: a listener may remove itself
    for (auto& entry : listeners) entry.second();
}

QString ShortDateFormat() {
    std::lock_guard<std::mutex> lock(gFormatMutex);
    return gShortDateFormat;
}

QChar DateSeparator() {
    std::lock_guard<std::mutex> lock(gFormatMutex);
    return gDateSeparator;
}

bool DefaultFourDigits() { return ShortDateFormat().toUpper().contains(QLatin1String("YYYY")); }

int AddDateFormatListener(std::function<void()> listener) {
    const int id = gNextListenerId++;
    Listeners().emplace_back(id, std::move(listener));
    return id;
}

void RemoveDateFormatListener(int id) {
    auto& list = Listeners();
    for (auto it = list.begin(); it != list.end(); ++it) {
        if (it->first == id) {
            list.erase(it);
            return;
        }
    }
}

// ---- String routines ----------------------------------------------------------------------

bool AllCharsIn(const QString& S, const QString& Chars) {
    for (QChar c : S)
        if (!Chars.contains(c)) return false;
    return true;
}

QString ReplaceAllText(const QString& S, const QString& Find, const QString& Replacement) {
    if (Find.isEmpty()) return S;
    QString result;
    int from = 0;
    for (;;) {
        const int at = S.indexOf(Find, from);
        if (at < 0) break;
        result += S.mid(from, at - from);
        result += Replacement;
        from = at + static_cast<int>(Find.size());
    }
    result += S.mid(from);
    return result;
}

QString RepeatChar(QChar C, int N) { return N < 1 ? QString() : QString(N, C); }

// ---- Calendar arithmetic ------------------------------------------------------------------

bool IsLeapYear(int Y) { return Y % 4 == 0 && (Y % 100 != 0 || Y % 400 == 0); }

int DaysInMonthOf(int Y, int M) {
    if (M < 1 || M > 12) return 0;
    return kDaysInMonth[M - 1] + (M == 2 && IsLeapYear(Y) ? 1 : 0);
}

bool IsValidDate(int Y, int M, int D) {
    return Y >= 1 && Y <= 9999 && M >= 1 && M <= 12 && D >= 1 && D <= DaysInMonthOf(Y, M);
}

bool IsValidDate(TDateTime Date) {
    int y, m, d;
    return TryDecodeDate(Date, y, m, d) && IsValidDate(y, m, d);
}

bool TryEncodeDate(int Y, int M, int D, TDateTime& Date) {
    if (!IsValidDate(Y, M, D)) return false;
    Date = static_cast<TDateTime>(DaysFromCivil(Y, M, D) + kEpochShift);
    return true;
}

TDateTime EncodeDate(int Y, int M, int D) {
    TDateTime result = 0;
    if (!TryEncodeDate(Y, M, D, result)) throw EConvertError(QStringLiteral("Invalid argument to date encode"));
    return result;
}

bool TryDecodeDate(TDateTime Date, int& Y, int& M, int& D) {
    Y = M = D = 0;
    if (!std::isfinite(Date)) return false;
    const double day = std::trunc(Date);
    if (day < static_cast<double>(kMinDay) || day > static_cast<double>(kMaxDay)) return false;
    CivilFromDays(static_cast<long long>(day) - kEpochShift, Y, M, D);
    return true;
}

int DayOfWeek(TDateTime Date) {
    const long long day = static_cast<long long>(std::trunc(Date));
    // Day 0 (30 December 1899) was a Saturday.
    long long r = (day + 6) % 7;
    if (r < 0) r += 7;
    return static_cast<int>(r) + 1;
}

TDateTime Today() {
    const QDate d = QDate::currentDate();
    return EncodeDate(d.year(), d.month(), d.day());
}

int CurrentYear() { return QDate::currentDate().year(); }

TDateOrder DateOrderOf(const QString& Format) {
    for (QChar c : Format) {
        switch (c.toUpper().unicode()) {
        case 'D': return doDMY;
        case 'M': return doMDY;
        case 'E':
        case 'Y': return doYMD;
        default: break;
        }
    }
    return doDMY;
}

int ExpandTwoDigitYear(int Y, int currentYear) {
    if (Y >= 100 || Y < 0) return Y;
    const int n = currentYear - CenturyOffset;
    int r = Y + (n / 100) * 100;
    if (r < n) r += 100;
    return r;
}

int ExpandTwoDigitYear(int Y) { return ExpandTwoDigitYear(Y, CurrentYear()); }

QString LongMonthName(int M) {
    return M >= 1 && M <= 12 ? QString::fromLatin1(kMonthNames[M - 1]) : QString();
}

QString ShortDayName(int dayOfWeekName) {
    return dayOfWeekName >= 0 && dayOfWeekName <= 6 ? QString::fromLatin1(kDayNames[dayOfWeekName]) : QString();
}

int MonthByName(const QString& S, int MaxLen) {
    if (MaxLen < 0) MaxLen = 0;
    const QString part = S.left(MaxLen);
    for (int m = 1; m <= 12; ++m) {
        const QString name = LongMonthName(m);
        if (!name.isEmpty() && part.compare(name.left(MaxLen), Qt::CaseInsensitive) == 0) return m;
    }
    return 0;
}

bool ScanLocaleDate(const QString& S, const QString& Format, int& Pos, int& Y, int& M, int& D) {
    Y = M = D = 0;
    const QChar sep = DateSeparator();
    if (Pos < 0) Pos = 0;
    if (ShortDateFormat().startsWith(QLatin1Char('g'))) {
        // An era name in front: skip to the first digit.
        while (Pos < S.size() && !IsDigit(S[Pos])) ++Pos;
    }
    int n1 = 0, n2 = 0, n3 = 0;
    if (!(ScanNumber(S, Pos, n1) && ScanChar(S, Pos, sep) && ScanNumber(S, Pos, n2))) return false;
    const TDateOrder order = DateOrderOf(Format);
    if (ScanChar(S, Pos, sep)) {
        if (!ScanNumber(S, Pos, n3)) return false;
        switch (order) {
        case doMDY: Y = n3; M = n1; D = n2; break;
        case doDMY: Y = n3; M = n2; D = n1; break;
        case doYMD: Y = n1; M = n2; D = n3; break;
        }
        Y = ExpandTwoDigitYear(Y);
    } else {
        Y = CurrentYear();
        if (order == doDMY) {
            D = n1;
            M = n2;
        } else {
            M = n1;
            D = n2;
        }
    }
    ScanChar(S, Pos, sep);
    SkipBlanks(S, Pos);
    return IsValidDate(Y, M, D) && Pos >= S.size();
}

bool ParseDateByFormat(const QString& Format, const QString& S, int& D, int& M, int& Y) {
    const QString upper = Format.toUpper();
    M = ExtractElement(upper, S, QLatin1Char('M'), 3, -1, 0);
    if (M == 0) M = ExtractElement(upper, S, QLatin1Char('M'), 1, -1, 0);
    D = ExtractElement(upper, S, QLatin1Char('D'), 1, -1, 1);
    Y = ExtractElement(upper, S, QLatin1Char('Y'), 1, -1, CurrentYear());
    Y = ExpandTwoDigitYear(Y);
    if (IsValidDate(Y, M, D)) return true;
    int pos = 0;
    return ScanLocaleDate(S, Format, pos, Y, M, D);
}

bool TryTextToDate(const QString& Format, const QString& S, TDateTime& Date) {
    if (S.isEmpty()) {
        Date = EmptyDate;
        return true;
    }
    int d = 0, m = 0, y = 0;
    if (!ParseDateByFormat(Format, S, d, m, y)) return false;
    return TryEncodeDate(y, m, d, Date);
}

TDateTime TextToDate(const QString& Format, const QString& S) {
    TDateTime result = EmptyDate;
    if (!TryTextToDate(Format, S, result))
        throw EConvertError(QStringLiteral("'%1' is not a valid date").arg(S));
    return result;
}

TDateTime TextToDateOr(const QString& Format, const QString& S, TDateTime Default) {
    TDateTime result = EmptyDate;
    if (TryTextToDate(Format, S, result)) return result;
    return std::isfinite(Default) ? std::trunc(Default) : EmptyDate;
}

QString FormatDate(const QString& Format, TDateTime Date) {
    int y, m, d;
    if (!TryDecodeDate(Date, y, m, d)) return QString();
    const int dow = DayOfWeek(Date) - 1;
    const QChar sep = DateSeparator();
    QString out;
    int i = 0;
    const int n = static_cast<int>(Format.size());
    while (i < n) {
        const QChar c = Format[i];
        const char16_t u = c.toUpper().unicode();
        if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
            int j = i + 1;
            while (j < n && Format[j] != c) out += Format[j++];
            i = j < n ? j + 1 : j;
            continue;
        }
        if (c == QLatin1Char('/')) {
            out += sep;
            ++i;
            continue;
        }
        if (u == 'D' || u == 'M' || u == 'Y') {
            int run = 1;
            while (i + run < n && Format[i + run].toUpper() == c.toUpper()) ++run;
            i += run;
            if (u == 'D') {
                if (run == 1) out += QString::number(d);
                else if (run == 2) out += TwoDigits(d);
                else if (run == 3) out += QString::fromLatin1(kDayNames[dow]);
                else out += QString::fromLatin1(kLongDayNames[dow]);
            } else if (u == 'M') {
                if (run == 1) out += QString::number(m);
                else if (run == 2) out += TwoDigits(m);
                else if (run == 3) out += LongMonthName(m).left(3);
                else out += LongMonthName(m);
            } else {
                if (run <= 2) out += TwoDigits(y % 100);
                else out += QString::number(y).rightJustified(4, QLatin1Char('0'));
            }
            continue;
        }
        out += c;
        ++i;
    }
    return out;
}

QString DefaultDateFormat(bool FourDigits) {
    switch (DateOrderOf(ShortDateFormat())) {
    case doMDY: return FourDigits ? QStringLiteral("MM/DD/YYYY") : QStringLiteral("MM/DD/YY");
    case doDMY: return FourDigits ? QStringLiteral("DD/MM/YYYY") : QStringLiteral("DD/MM/YY");
    case doYMD: break;
    }
    return FourDigits ? QStringLiteral("YYYY/MM/DD") : QStringLiteral("YY/MM/DD");
}

QString DefaultDateMask(QChar BlanksChar, bool FourDigits) {
    QString mask;
    if (FourDigits)
        mask = DateOrderOf(ShortDateFormat()) == doYMD ? QStringLiteral("!9999/99/99;1;") : QStringLiteral("!99/99/9999;1;");
    else
        mask = QStringLiteral("!99/99/99;1;");
    return mask + BlanksChar;
}
