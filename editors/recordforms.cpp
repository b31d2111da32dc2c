#include "editors/recordforms.h"

#include "common/bytetext.h"
#include "common/datalist.h"
#include "common/errortext.h"
#include "common/msgbox.h"
#include "common/valuetext.h"
#include "controls/dateedit.h"
#include "controls/flatmemo.h"
#include "controls/validedit.h"
#include "controls/xpmenu.h"
#include "editors/memoeditor.h"
#include "editors/recordwriter.h"
#include "engine/dbf.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollArea>
#include <QStyle>
#include <QTimeEdit>
#include <QToolBar>
#include <QValidator>

#include <algorithm>
#include <exception>

using recedit::TFieldInput;
using recedit::TInputField;
using recedit::TFieldWrite;
using recedit::TInputKind;

namespace {

constexpr int CaptionLeft = 20;
constexpr int InputLeft = 110;
constexpr int InputWidth = 190;
constexpr int DatePartWidth = InputWidth / 2 + 8;      // 103
constexpr int TimePartLeft = InputLeft + 95 + 8;       // 213
constexpr int TimePartWidth = 95 - 8;                  // 87
constexpr int ButtonLeft = 326;
constexpr int ButtonWidth = 75;
constexpr int ButtonHeight = 25;
constexpr int AreaMargin = 8;  // the row area begins this far above the first row
constexpr int AreaWidth = 320;

// The text colour of the memo and general-field displays: red 255, green 170, blue 0.
const QColor DisplayColor(255, 170, 0);

QString BlankDate() { return BytesToText(valuetext::BlankDateText); }

// A read-only edit that reports double clicks (the memo display).
class TMemoLineEdit : public QLineEdit {
public:
    using QLineEdit::QLineEdit;
    std::function<void()> OnDblClick;

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override {
        if (OnDblClick && isEnabled()) OnDblClick();
        else QLineEdit::mouseDoubleClickEvent(event);
    }
};

// Refuses a text longer than the field in bytes of the program's code page.
class TByteLengthValidator : public QValidator {
public:
    TByteLengthValidator(int maxBytes, QObject* parent) : QValidator(parent), MaxBytes(maxBytes) {}
    State validate(QString& input, int&) const override {
        return ByteLength(input) <= static_cast<size_t>(MaxBytes) ? Acceptable : Invalid;
    }

private:
    int MaxBytes;
};

void SetTextColor(QWidget* w, const QColor& c) {
    QPalette p = w->palette();
    p.setColor(QPalette::Text, c);
    w->setPalette(p);
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& text, int top) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    b->setGeometry(ButtonLeft, top, ButtonWidth, ButtonHeight);
    return b;
}

}  // namespace

// ---- TFormRecord --------------------------------------------------------------------------

TFormRecord::TFormRecord(TRecordFormHost& host, QWidget* owner, const QString& objectName, const QString& caption,
                         int height, int firstRowTop, int buttonsTop)
    : TFormAlphaShow(owner), Host(host), FirstRowTop(firstRowTop) {
    setObjectName(objectName);
    setWindowTitle(caption);
    QFont f(QStringLiteral("Verdana"));
    f.setPixelSize(12);
    setFont(f);
    resize(MinWidth, height);
    setMinimumWidth(MinWidth);
    setMinimumHeight(firstRowTop + 2 * RowHeight);
    XPMenu1 = new TXPMenu(this);
    XPMenu1->setObjectName(QStringLiteral("XPMenu1"));

    BitBtn3 = MakeButton(this, "BitBtn3", QStringLiteral("Apply"), buttonsTop);
    BitBtn4 = MakeButton(this, "BitBtn4", QStringLiteral("Clear"), buttonsTop + 32);
    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    Panel1->setGeometry(ButtonLeft + 2, buttonsTop + 64, 73, 2);
    BitBtn2 = MakeButton(this, "BitBtn2", QStringLiteral("Close"), buttonsTop + 72);
    BitBtn1 = MakeButton(this, "BitBtn1", QStringLiteral("OK"), buttonsTop + 136);
    BitBtn1->setVisible(false);
    connect(BitBtn3, &QPushButton::clicked, this, [this] { BitBtn3Click(); });
    connect(BitBtn4, &QPushButton::clicked, this, [this] { BitBtn4Click(); });
    connect(BitBtn2, &QPushButton::clicked, this, [this] { done(QDialog::Rejected); });
    connect(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });

    FieldArea = new QScrollArea(this);
    FieldArea->setObjectName(QStringLiteral("FieldArea"));
    FieldArea->setFrameShape(QFrame::NoFrame);
    FieldArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    FieldArea->setWidgetResizable(false);
    FieldArea->viewport()->setAutoFillBackground(false);
    // A row that takes the focus (Tab, Enter) scrolls into view.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        if (now && FieldArea->widget() && FieldArea->widget()->isAncestorOf(now))
            FieldArea->ensureWidgetVisible(now, 0, AreaMargin);
    });
    XPMenu1->SetActive(true);
}

void TFormRecord::BuildRows() {
    // The painter takes in controls that exist when it is switched on.
    XPMenu1->SetActive(false);
    const std::vector<TInputField> fields = recedit::InputFields(Host.Table());
    auto* content = new QWidget();
    content->setObjectName(QStringLiteral("FieldRows"));
    content->setAutoFillBackground(false);
    FieldRows.clear();
    FieldRows.reserve(fields.size());
    for (size_t i = 0; i < fields.size(); ++i)
        AddRow(fields[i], content, AreaMargin + RowHeight * static_cast<int>(i));
    content->resize(AreaWidth - style()->pixelMetric(QStyle::PM_ScrollBarExtent),
                    2 * AreaMargin + RowHeight * static_cast<int>(fields.size()));
    FieldArea->setWidget(content);
    FieldArea->setGeometry(0, FirstRowTop - AreaMargin, AreaWidth, height() - FirstRowTop);
    // The tab order follows the rows, then the buttons.
    QWidget* previous = nullptr;
    for (const TFieldRow& r : FieldRows)
        for (QWidget* w : {r.Input, static_cast<QWidget*>(r.Time)}) {
            if (!w) continue;
            if (previous) setTabOrder(previous, w);
            previous = w;
        }
    for (QWidget* w : {static_cast<QWidget*>(BitBtn3), static_cast<QWidget*>(BitBtn4),
                       static_cast<QWidget*>(BitBtn2)}) {
        if (previous) setTabOrder(previous, w);
        previous = w;
    }
    XPMenu1->SetActive(true);
}

void TFormRecord::AddRow(const TInputField& field, QWidget* content, int top) {
    TFieldRow r;
    r.Field = field;
    const QString name = QStringLiteral("tmp") + field.Name;
    r.Caption = new QLabel(field.Name, content);
    r.Caption->setObjectName(QStringLiteral("lb") + name);
    r.Caption->move(CaptionLeft, top + 4);
    r.Caption->adjustSize();
    const int index = static_cast<int>(FieldRows.size());

    switch (field.Kind) {
    case TInputKind::Date:
    case TInputKind::DateTime: {
        r.Date = new TDateEdit(content);
        r.Date->SetCtl3D(false);
        const int width = field.Kind == TInputKind::Date ? InputWidth : DatePartWidth;
        r.Date->setGeometry(InputLeft, top, width, r.Date->sizeHint().height());
        r.Input = r.Date;
        if (field.Kind == TInputKind::DateTime) {
            r.Time = new QTimeEdit(content);
            r.Time->setObjectName(name + QStringLiteral("_t"));
            r.Time->setDisplayFormat(QStringLiteral("HH:mm:ss"));
            r.Time->setGeometry(TimePartLeft, top, TimePartWidth, r.Date->height());
        }
        break;
    }
    case TInputKind::Logical:
        r.Logical = new QComboBox(content);
        r.Logical->addItems({QStringLiteral("T"), QStringLiteral("F")});
        r.Logical->setGeometry(InputLeft, top, InputWidth, r.Logical->sizeHint().height());
        r.Input = r.Logical;
        break;
    case TInputKind::Memo: {
        auto* memo = new TMemoLineEdit(content);
        memo->setReadOnly(true);
        memo->setToolTip(QStringLiteral("Double click to edit the memo."));
        memo->OnDblClick = [this, index] { MemoDblClick(index); };
        memo->setEnabled(field.Enabled);
        SetTextColor(memo, DisplayColor);
        r.Edit = memo;
        break;
    }
    case TInputKind::ReadOnly:
        r.Edit = new QLineEdit(content);
        r.Edit->setReadOnly(true);
        SetTextColor(r.Edit, DisplayColor);
        break;
    default:
        r.Edit = new QLineEdit(content);
        r.Edit->setMaxLength(field.MaxLength);
        if (field.Kind == TInputKind::Number || field.Kind == TInputKind::Text)
            r.Edit->setValidator(new TByteLengthValidator(field.Length, r.Edit));
        break;
    }
    if (r.Edit) {
        r.Edit->setGeometry(InputLeft, top, InputWidth, r.Edit->sizeHint().height());
        r.Input = r.Edit;
    }
    r.Input->setObjectName(name);
    FieldRows.push_back(std::move(r));
}

void TFormRecord::resizeEvent(QResizeEvent* event) {
    TFormAlphaShow::resizeEvent(event);
    if (FieldArea) FieldArea->setGeometry(0, FirstRowTop - AreaMargin, AreaWidth, height() - FirstRowTop);
}

TFieldInput TFormRecord::CurrentInput(int field) const {
    TFieldInput in;
    if (field < 0 || field >= static_cast<int>(FieldRows.size())) return in;
    const TFieldRow& r = FieldRows[static_cast<size_t>(field)];
    switch (r.Field.Kind) {
    case TInputKind::Date: in.Text = r.Date->Text(); break;
    case TInputKind::DateTime: {
        in.Text = r.Date->Text();
        const QTime t = r.Time->time();
        in.Hour = t.hour();
        in.Minute = t.minute();
        in.Second = t.second();
        break;
    }
    case TInputKind::Logical:
        in.Text = r.Logical->currentIndex() == 0   ? QStringLiteral("T")
                  : r.Logical->currentIndex() == 1 ? QStringLiteral("F")
                                                   : QString();
        break;
    case TInputKind::Memo: in.Text = r.Memo; break;
    default: in.Text = r.Edit->text(); break;
    }
    return in;
}

void TFormRecord::ShowInput(int field, const TFieldInput& in) {
    if (field < 0 || field >= static_cast<int>(FieldRows.size())) return;
    TFieldRow& r = FieldRows[static_cast<size_t>(field)];
    switch (r.Field.Kind) {
    case TInputKind::Date: r.Date->SetText(in.Text); break;
    case TInputKind::DateTime:
        r.Date->SetText(in.Text);
        r.Time->setTime(QTime(in.Hour, in.Minute, in.Second));
        break;
    case TInputKind::Logical:
        r.Logical->setCurrentIndex(in.Text == QLatin1String("T") ? 0 : in.Text == QLatin1String("F") ? 1 : -1);
        break;
    case TInputKind::Memo:
        r.Memo = in.Text;
        r.Edit->setText(recedit::MemoStateText(r.Memo));
        break;
    case TInputKind::ReadOnly: r.Edit->setText(in.Text); break;
    default:
        // A stored value longer than the input's limit still shows whole.
        if (in.Text.size() > r.Edit->maxLength()) r.Edit->setMaxLength(static_cast<int>(in.Text.size()));
        r.Edit->setText(in.Text);
        r.Edit->setCursorPosition(0);
        break;
    }
}

void TFormRecord::LoadInputs() {
    for (size_t i = 0; i < FieldRows.size(); ++i) {
        ShowInput(static_cast<int>(i), recedit::LoadInput(Host.Table(), FieldRows[i].Field));
        FieldRows[i].Loaded = CurrentInput(static_cast<int>(i));
    }
}

void TFormRecord::LoadNewRecordInputs() {
    for (size_t i = 0; i < FieldRows.size(); ++i) {
        ShowInput(static_cast<int>(i), recedit::NewRecordInput(FieldRows[i].Field));
        FieldRows[i].Loaded = CurrentInput(static_cast<int>(i));
    }
}

bool TFormRecord::ConvertInputs(const std::vector<int>& fields, std::vector<TFieldWrite>& writes) {
    writes.clear();
    for (int i : fields) {
        const TFieldRow& r = FieldRows[static_cast<size_t>(i)];
        if (r.Field.Kind == TInputKind::ReadOnly || !r.Field.Enabled) continue;
        TFieldWrite w;
        if (const std::optional<QString> refused = recedit::ConvertInput(r.Field, CurrentInput(i), w)) {
            MsgBox(QString(), *refused, TMsgBoxIcon::Warning, TMsgBoxButtons::OK, false, false, 30, 30, MessageOwner());
            FieldArea->ensureWidgetVisible(r.Input, 0, AreaMargin);
            r.Input->setFocus();
            return false;
        }
        writes.push_back(std::move(w));
    }
    return true;
}

bool TFormRecord::ReportFailure(const QString& text) {
    MsgBox(QString(), text, TMsgBoxIcon::Warning, TMsgBoxButtons::OK, false, false, 30, 30, MessageOwner());
    return false;
}

QWidget* TFormRecord::MessageOwner() { return isVisible() || !parentWidget() ? this : parentWidget(); }

void TFormRecord::CheckLayout() {
    try {
        Host.Table().ReadRecordCount();  // raises when another program changed the structure
    } catch (const std::exception& e) {
        IsReady = ReportFailure(ErrorText(e));
    }
}

void TFormRecord::ShowSucceed(const QString& text) {
    MsgBox(QStringLiteral("Ok"), text, TMsgBoxIcon::Information, TMsgBoxButtons::OK, false, false, 30, 30, MessageOwner());
}

bool TFormRecord::BitBtn3Click() { return WriteInputs(); }

void TFormRecord::BitBtn1Click() {
    if (WriteInputs()) done(QDialog::Accepted);
}

void TFormRecord::BitBtn4Click() {
    for (TFieldRow& r : FieldRows) {
        switch (r.Field.Kind) {
        case TInputKind::Date: r.Date->SetText(BlankDate()); break;
        case TInputKind::DateTime:
            if (ClearBlanksDateTime()) r.Date->SetText(BlankDate());
            break;
        case TInputKind::Logical: r.Logical->setCurrentIndex(-1); break;
        case TInputKind::Memo:
            if (!r.Field.Enabled) break;
            r.Memo.clear();
            r.Edit->setText(QStringLiteral("Empty Memo"));
            break;
        case TInputKind::ReadOnly:
            if (r.Field.Type == 'G') r.Edit->clear();
            break;
        default: r.Edit->clear(); break;
        }
    }
}

void TFormRecord::MemoDblClick(int field) {
    if (field < 0 || field >= static_cast<int>(FieldRows.size())) return;
    TFieldRow& r = FieldRows[static_cast<size_t>(field)];
    if (r.Field.Kind != TInputKind::Memo || !r.Field.Enabled) return;
    TFormMemoEditor editor(this);
    editor.FlatMemo->SetText(r.Memo);
    // The editor shows line breaks as CR LF; a memo the user did not change keeps its own.
    const QString shown = editor.FlatMemo->Text();
    editor.exec();
    const QString text = editor.FlatMemo->Text();
    if (text != shown) r.Memo = text;
    r.Edit->setText(recedit::MemoStateText(r.Memo));
}

// ---- TFormEditRecord ----------------------------------------------------------------------

TFormEditRecord::TFormEditRecord(TRecordFormHost& host, QWidget* owner)
    : TFormRecord(host, owner, QStringLiteral("FormEditRecord"), QStringLiteral("Edit Record"), 349, 40, 40) {
    EditFormFuncControlBar = new QWidget(this);
    EditFormFuncControlBar->setObjectName(QStringLiteral("EditFormFuncControlBar"));
    ToolBarRec = new QToolBar(EditFormFuncControlBar);
    ToolBarRec->setObjectName(QStringLiteral("ToolBarRec"));
    ToolBarRec->setIconSize(QSize(16, 16));
    QStyle* st = QApplication::style();
    auto button = [this, st](QAction*& a, const char* name, const QString& hint, QStyle::StandardPixmap icon,
                             void (TFormEditRecord::*handler)()) {
        a = ToolBarRec->addAction(st->standardIcon(icon), hint);
        a->setObjectName(QString::fromLatin1(name));
        a->setToolTip(hint);
        connect(a, &QAction::triggered, this, handler);
    };
    button(TB_FIRSTREC, "TB_FIRSTREC", QStringLiteral("Go First Record"), QStyle::SP_MediaSkipBackward,
           &TFormEditRecord::TB_FIRSTRECClick);
    button(TB_PRIORREC, "TB_PRIORREC", QStringLiteral("Go Prior Record"), QStyle::SP_MediaSeekBackward,
           &TFormEditRecord::TB_PRIORRECClick);
    EditEditCurRecNo = new TNumberEdit(ToolBarRec);
    EditEditCurRecNo->setObjectName(QStringLiteral("EditEditCurRecNo"));
    EditEditCurRecNo->setFixedWidth(73);
    SetTextColor(EditEditCurRecNo, QColor(255, 128, 0));
    EditEditCurRecNo->OnKeyDown = [this](QObject*, int& key, Qt::KeyboardModifiers) { EditEditCurRecNoKeyDown(key); };
    ToolBarRec->addWidget(EditEditCurRecNo);
    button(TB_NEXTREC, "TB_NEXTREC", QStringLiteral("Go Next Record"), QStyle::SP_MediaSeekForward,
           &TFormEditRecord::TB_NEXTRECClick);
    button(TB_LASTREC, "TB_LASTREC", QStringLiteral("Go The Last Record"), QStyle::SP_MediaSkipForward,
           &TFormEditRecord::TB_LASTRECClick);
    ToolBarRec->addSeparator();
    PanelRecNum = new QLabel(ToolBarRec);
    PanelRecNum->setObjectName(QStringLiteral("PanelRecNum"));
    PanelRecNum->setFixedWidth(192);
    QFont small(QStringLiteral("Verdana"));
    small.setPixelSize(11);
    PanelRecNum->setFont(small);
    ToolBarRec->addWidget(PanelRecNum);
    ToolBarRec->adjustSize();
    EditFormFuncControlBar->setGeometry(0, 0, width(), ToolBarRec->sizeHint().height() + 2);

    BuildRows();
    RowCount = static_cast<int>(Host.Rows().DataList.Count());
    // A record that cannot be read shows no form.
    IsReady = ReLoadData();
    PanelRecNum->setText(QStringLiteral("Record Count: %1").arg(RowCount));
}

void TFormEditRecord::resizeEvent(QResizeEvent* event) {
    TFormRecord::resizeEvent(event);
    if (EditFormFuncControlBar) EditFormFuncControlBar->resize(width(), EditFormFuncControlBar->height());
}

bool TFormEditRecord::ReLoadData() {
    const int index = Host.SelectedIndex();
    const TDataList& list = Host.Rows().DataList;
    if (index < 0 || static_cast<size_t>(index) >= list.Count()) return false;
    LoadedImage.clear();
    try {
        recedit::GoShown(Host.Table(), list[static_cast<size_t>(index)]);
        LoadedImage = Host.Table().GetReadImage();
        LoadInputs();
    } catch (const std::exception& e) {
        return ReportFailure(ErrorText(e));
    }
    EditEditCurRecNo->SetText(QString::number(index + 1));
    return true;
}

void TFormEditRecord::TB_FIRSTRECClick() {
    Host.GoFirst();
    ReLoadData();
}

void TFormEditRecord::TB_PRIORRECClick() {
    Host.GoPrior();
    ReLoadData();
}

void TFormEditRecord::TB_NEXTRECClick() {
    Host.GoNext();
    ReLoadData();
}

void TFormEditRecord::TB_LASTRECClick() {
    Host.GoLast();
    ReLoadData();
}

void TFormEditRecord::EditEditCurRecNoKeyDown(int& key) {
    if (key != Qt::Key_Return && key != Qt::Key_Enter) return;
    Host.GoToRec(EditEditCurRecNo->Value());
    ReLoadData();
    key = 0;  // Enter here goes to the record, not to the next control
}

bool TFormEditRecord::WriteInputs() {
    const int index = Host.SelectedIndex();
    TRowStore& rows = Host.Rows();
    if (index < 0 || static_cast<size_t>(index) >= rows.DataList.Count()) return false;
    std::vector<int> changed;
    for (size_t i = 0; i < FieldRows.size(); ++i)
        if (CurrentInput(static_cast<int>(i)) != FieldRows[i].Loaded) changed.push_back(static_cast<int>(i));
    std::vector<TFieldWrite> writes;
    if (!ConvertInputs(changed, writes)) return false;
    try {
        recedit::WriteEdit(Host.Table(), rows, rows.DataList[static_cast<size_t>(index)], writes, LoadedImage);
    } catch (const std::exception& e) {
        return ReportFailure(ErrorText(e));
    }
    Host.RowTextsChanged();
    ReLoadData();  // the inputs show what is stored now
    ShowSucceed(QStringLiteral("Edit Succeed."));
    return true;
}

// ---- TFormAddRecord and TFormInsertRecord -------------------------------------------------

namespace {

std::vector<int> AllFields(size_t count) {
    std::vector<int> fields(count);
    for (size_t i = 0; i < count; ++i) fields[i] = static_cast<int>(i);
    return fields;
}

}  // namespace

TFormAddRecord::TFormAddRecord(TRecordFormHost& host, QWidget* owner)
    : TFormRecord(host, owner, QStringLiteral("FormAddRecord"), QStringLiteral("Add Record"), 349, 20, 16) {
    BuildRows();
    LoadNewRecordInputs();
    CheckLayout();
}

bool TFormAddRecord::WriteInputs() {
    std::vector<TFieldWrite> writes;
    if (!ConvertInputs(AllFields(FieldRows.size()), writes)) return false;
    try {
        recedit::WriteAppend(Host.Table(), Host.Rows(), writes);
    } catch (const std::exception& e) {
        return ReportFailure(ErrorText(e));
    }
    Host.RowCountChanged();
    Host.GoLast();
    ShowSucceed(QStringLiteral("Append Succeed."));
    return true;
}

TFormInsertRecord::TFormInsertRecord(TRecordFormHost& host, QWidget* owner)
    : TFormRecord(host, owner, QStringLiteral("FormInsertRecord"), QStringLiteral("Insert Record"), 346, 20, 16) {
    BuildRows();
    LoadNewRecordInputs();
    CheckLayout();
}

bool TFormInsertRecord::WriteInputs() {
    std::vector<TFieldWrite> writes;
    if (!ConvertInputs(AllFields(FieldRows.size()), writes)) return false;
    TRowStore& rows = Host.Rows();
    const int index = std::max(Host.SelectedIndex(), 0);
    // An empty list has no row to insert before: the record is appended.
    const TDataRow* before =
        static_cast<size_t>(index) < rows.DataList.Count() ? rows.DataList[static_cast<size_t>(index)] : nullptr;
    try {
        recedit::WriteInsert(Host.Table(), rows, before, writes);
    } catch (const std::exception& e) {
        return ReportFailure(ErrorText(e));
    }
    Host.RowCountChanged();
    ShowSucceed(QStringLiteral("Insert Succeed."));
    return true;
}
