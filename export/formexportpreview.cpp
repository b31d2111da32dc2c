#include "export/formexportpreview.h"

#include "common/datalist.h"
#include "common/msgbox.h"
#include "common/option.h"
#include "common/programfiles.h"
#include "controls/flatchecklistbox.h"
#include "controls/flatmemo.h"
#include "controls/flatpanel.h"
#include "controls/flatprogressbar.h"
#include "controls/validedit.h"
#include "controls/xpmenu.h"
#include "engine/dbf.h"
#include "export/exportcheck.h"
#include "export/exportnames.h"
#include "export/outputguard.h"
#include "platform/paths.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include <climits>
#include <optional>
#include <utility>

const char* const TFormExportPreview::TypeEntries[OutputKindCount] = {
    "Visual FoxPro(*.DBF)", "FoxPro 2.x(*.DBF)", "FoxBASE+(*.DBF)",          "dBASE IV(*.DBF)",
    "Text File(*.TXT)",     "Html File(*.HTML)", "XML File(*.XML)",          "Excel File(*.XLS)",
    "Comma Separated Value(*.CSV)",              "Data Interchange Format(*.DIF)",
};

const char* const TFormExportPreview::TypeFilters[OutputKindCount] = {
    "Visual FoxPro(*.DBF)|*.DBF",
    "FoxPro 2.x(*.DBF)|*.DBF",
    "FoxBASE+(*.DBF)|*.DBF",
    "dBASE IV(*.DBF)|*.DBF",
    "Text File(*.TXT)|*.txt",
    "Html File(*.HTML)|*.html;*.htm",
    "XML File(*.XML)|*.xml",
    "Excel File(*.XLS)|*.xls",
    "Comma Separated Value(*.CSV)|*.csv",
    "Data Interchange Format(*.DIF)|*.dif",
};

namespace {

// "Text File(*.TXT)|*.txt" as the toolkit writes a filter: "Text File(*.TXT) (*.txt *.TXT)"
// (file names on this system tell letter case apart, so both cases are listed).
QString ToolkitFilter(const QString& entry) {
    const QStringList parts = entry.split(QLatin1Char('|'));
    QStringList patterns;
    for (const QString& p : parts.value(1).split(QLatin1Char(';'), Qt::SkipEmptyParts))
        for (const QString& v : {p.toLower(), p.toUpper()})
            if (!patterns.contains(v)) patterns << v;
    return parts.value(0) + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
}

std::string PathBytes(const QString& name) { return QFile::encodeName(name).toStdString(); }
QString PathText(const std::string& name) { return QFile::decodeName(QByteArray::fromStdString(name)); }

QString Ext(int type) { return QString::fromLatin1(OutputExtension(TOutputKind(type))); }

}  // namespace

std::function<bool(QWidget*, const QStringList&, QString&, int&)> TFormExportPreview::AskFileName =
    [](QWidget* parent, const QStringList& filters, QString& fileName, int& filterIndex) {
        QStringList toolkit;
        for (const QString& f : filters) toolkit << ToolkitFilter(f);
        QString selected = toolkit.value(filterIndex - 1);
        const QString name = QFileDialog::getSaveFileName(parent, QStringLiteral("Save As"), fileName,
                                                          toolkit.join(QStringLiteral(";;")), &selected,
                                                          QFileDialog::DontConfirmOverwrite);
        if (name.isEmpty()) return false;
        fileName = name;
        filterIndex = int(toolkit.indexOf(selected)) + 1;
        return true;
    };

std::function<void(const QString&)> TFormExportPreview::OpenFolder = [](const QString& folder) {
    vx::ShellOpen(PathBytes(folder));
};

TFormExportPreview::TFormExportPreview(const TExportContext& context, QWidget* owner)
    : TFormAlphaShow(owner), Context(context) {
    XPMenu1 = new TXPMenu(this);
    setWindowTitle(QStringLiteral("Export Preview"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    auto* typeLabel = new QLabel(QStringLiteral("File type:"), this);
    cbTypeList = new QComboBox(this);
    typeLabel->setBuddy(cbTypeList);

    PageControl1 = new QTabWidget(this);
    TabSheet1 = new QWidget;
    PageControl1->addTab(TabSheet1, QStringLiteral("Common"));
    TabAdForDBF = new QWidget;
    TabAdForText = new QWidget;
    TabAdForHtml = new QWidget;
    TabAdForXML = new QWidget;
    TabAdForExcel = new QWidget;
    PageControl1->addTab(TabAdForDBF, QStringLiteral("Advanced For DBF"));
    PageControl1->addTab(TabAdForText, QStringLiteral("Advanced For Text"));
    PageControl1->addTab(TabAdForHtml, QStringLiteral("Advanced For Html"));
    PageControl1->addTab(TabAdForXML, QStringLiteral("Advanced For XML"));
    PageControl1->addTab(TabAdForExcel, QStringLiteral("Advanced For Excel"));

    // "Common": existing file, plus, record range, columns.
    auto* existing = new QGroupBox(QStringLiteral("Existing File"), TabSheet1);
    RadioButton1 = new QRadioButton(QStringLiteral("Overwrite"), existing);
    RadioButton1->setChecked(true);
    RadioButton2 = new QRadioButton(QStringLiteral("Append"), existing);
    RadioButton2->setVisible(false);
    auto* existingLay = new QVBoxLayout(existing);
    existingLay->addWidget(RadioButton1);
    existingLay->addWidget(RadioButton2);
    existingLay->addStretch();

    auto* plus = new QGroupBox(QStringLiteral("plus"), TabSheet1);
    cbDelRec = new QCheckBox(QStringLiteral("Deleted records"), plus);
    cbDelRec->setChecked(true);
    cbMemoRec = new QCheckBox(QStringLiteral("Memo"), plus);
    auto* plusLay = new QVBoxLayout(plus);
    plusLay->addWidget(cbDelRec);
    plusLay->addWidget(cbMemoRec);
    plusLay->addStretch();

    auto* record = new QGroupBox(QStringLiteral("Record"), TabSheet1);
    RadioButton3 = new QRadioButton(QStringLiteral("All records"), record);
    RadioButton3->setChecked(true);
    RadioButton4 = new QRadioButton(QStringLiteral("Current selected"), record);
    RadioButton5 = new QRadioButton(QStringLiteral("Following records"), record);
    NumberEdit1 = new TNumberEdit(record);
    NumberEdit2 = new TNumberEdit(record);
    auto* fromLabel = new QLabel(QStringLiteral("From"), record);
    auto* toLabel = new QLabel(QStringLiteral("To"), record);
    auto* recordLay = new QGridLayout(record);
    recordLay->addWidget(RadioButton3, 0, 0, 1, 4);
    recordLay->addWidget(RadioButton4, 1, 0, 1, 4);
    recordLay->addWidget(RadioButton5, 2, 0, 1, 4);
    recordLay->addWidget(fromLabel, 3, 0);
    recordLay->addWidget(NumberEdit1, 3, 1);
    recordLay->addWidget(toLabel, 3, 2);
    recordLay->addWidget(NumberEdit2, 3, 3);
    recordLay->setRowStretch(4, 1);

    auto* columns = new QGroupBox(QStringLiteral("Columns"), TabSheet1);
    clbColumns = new TFlatCheckListBox(columns);
    clbColumns->setMinimumSize(170, 150);
    ButtonUp = new QPushButton(QStringLiteral("\u2191"), columns);
    ButtonDown = new QPushButton(QStringLiteral("\u2193"), columns);
    ButtonSelAll = new QPushButton(QStringLiteral("All \u221A"), columns);
    ButtonNotAll = new QPushButton(QStringLiteral("All X"), columns);
    auto* buttonAdd = new QPushButton(QStringLiteral("\uFF0B"), columns);
    auto* buttonRemove = new QPushButton(QStringLiteral("\uFF0D"), columns);
    for (QPushButton* b : {buttonAdd, buttonRemove}) {
        b->setVisible(false);
        b->setEnabled(false);
    }
    for (QPushButton* b : {ButtonUp, ButtonDown, ButtonSelAll, ButtonNotAll}) b->setFixedWidth(56);
    auto* columnButtons = new QVBoxLayout;
    for (QPushButton* b : {ButtonUp, ButtonDown, ButtonSelAll, ButtonNotAll, buttonAdd, buttonRemove})
        columnButtons->addWidget(b);
    columnButtons->addStretch();
    auto* columnsLay = new QHBoxLayout(columns);
    columnsLay->addWidget(clbColumns, 1);
    columnsLay->addLayout(columnButtons);

    auto* common = new QGridLayout(TabSheet1);
    common->addWidget(existing, 0, 0);
    common->addWidget(plus, 1, 0);
    common->addWidget(record, 2, 0);
    common->addWidget(columns, 0, 1, 3, 1);
    common->setColumnStretch(1, 1);

    auto* nameLabel = new QLabel(QStringLiteral("File name:"), this);
    EditExportFileName = new QLineEdit(this);
    nameLabel->setBuddy(EditExportFileName);
    BitBtn3 = new QPushButton(QStringLiteral("..."), this);
    BitBtn3->setFixedWidth(32);

    ExportProgressBar = new TFlatProgressBar(this);
    ExportProgressBar->SetMin(0);
    ExportProgressBar->SetMax(100);
    ExportProgressBar->SetSmooth(true);
    ExportProgressBar->setFixedHeight(16);
    ExportLabel = new TFlatPanel(this);
    ExportLabel->SetAlignment(taLeftJustify);
    ExportLabel->setFixedHeight(22);

    MemoFilePath = new TFlatMemo(this);
    MemoFilePath->setReadOnly(true);
    MemoFilePath->setFrameStyle(QFrame::NoFrame);
    MemoFilePath->viewport()->setCursor(Qt::PointingHandCursor);
    MemoFilePath->setToolTip(QStringLiteral("Double Click It Will Go To The Folder"));
    MemoFilePath->setFixedHeight(36);
    MemoFilePath->viewport()->installEventFilter(this);

    BitBtn5 = new QPushButton(QStringLiteral("Export"), this);
    BitBtn6 = new QPushButton(QStringLiteral("Stop"), this);
    BitBtn6->setEnabled(false);
    BitBtn2 = new QPushButton(QStringLiteral("Cancel"), this);
    BitBtn5->setDefault(true);

    auto* top = new QHBoxLayout;
    top->addWidget(typeLabel);
    top->addWidget(cbTypeList, 1);
    auto* nameRow = new QHBoxLayout;
    nameRow->addWidget(nameLabel);
    nameRow->addWidget(EditExportFileName, 1);
    nameRow->addWidget(BitBtn3);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BitBtn5);
    buttons->addWidget(BitBtn6);
    buttons->addWidget(BitBtn2);
    auto* lay = new QVBoxLayout(this);
    lay->addLayout(top);
    lay->addWidget(PageControl1, 1);
    lay->addLayout(nameRow);
    lay->addWidget(ExportProgressBar);
    lay->addWidget(ExportLabel);
    lay->addWidget(MemoFilePath);
    lay->addLayout(buttons);
    lay->setSizeConstraint(QLayout::SetFixedSize);

    connect(cbTypeList, &QComboBox::currentIndexChanged, this, [this] { cbTypeListChange(); });
    connect(BitBtn3, &QPushButton::clicked, this, [this] { BitBtn3Click(); });
    for (QRadioButton* r : {RadioButton3, RadioButton4, RadioButton5})
        connect(r, &QRadioButton::clicked, this, [this] { RadioButton3Click(); });
    clbColumns->OnClick = [this] { clbColumnsClick(); };
    connect(ButtonUp, &QPushButton::clicked, this, [this] { ButtonUpClick(); });
    connect(ButtonDown, &QPushButton::clicked, this, [this] { ButtonDownClick(); });
    connect(ButtonSelAll, &QPushButton::clicked, this, [this] { ButtonSelAllClick(); });
    connect(ButtonNotAll, &QPushButton::clicked, this, [this] { ButtonNotAllClick(); });
    connect(BitBtn5, &QPushButton::clicked, this, [this] { BitBtn5Click(); });
    connect(BitBtn6, &QPushButton::clicked, this, [this] { BitBtn6Click(); });
    connect(BitBtn2, &QPushButton::clicked, this, [this] { reject(); });

    FormCreate();
    XPMenu1->SetActive(true);
}

TFormExportPreview::~TFormExportPreview() {
    // The worker reports to this dialog: it ends before any control goes.
    Worker.reset();
}

void TFormExportPreview::FormCreate() {
    Exporting = false;
    ExportProgressBar->SetPosition(0);
    cbTypeList->clear();
    for (const char* entry : TypeEntries) cbTypeList->addItem(QString::fromLatin1(entry));
    cbTypeList->setCurrentIndex(0);
    for (QWidget* page : {TabAdForDBF, TabAdForText, TabAdForHtml, TabAdForXML, TabAdForExcel})
        PageControl1->setTabVisible(PageControl1->indexOf(page), false);

    clbColumns->Clear();
    ColumnFields.clear();
    QStringList items;
    for (qsizetype i = 0; i < Context.Captions.size() && i < TItemSet::Capacity; ++i) {
        items << Context.Captions[i];
        ColumnFields.push_back(int(i));
    }
    clbColumns->SetItems(items);
    for (size_t i = 0; i < ColumnFields.size(); ++i)
        clbColumns->SetChecked(int(i), i >= Context.Visible.size() || Context.Visible[i]);
    ButtonUp->setEnabled(false);
    ButtonDown->setEnabled(false);

    const size_t count = Context.List ? Context.List->Count() : 0;
    const int32_t max = count > size_t(INT_MAX) ? INT_MAX : int32_t(count);
    for (TNumberEdit* e : {NumberEdit1, NumberEdit2}) {
        e->SetInputType(ItDecimal);
        e->SetThousandSeparator(false);
        e->SetMaxValue(max);
    }
    NumberEdit1->SetValue(max >= 1 ? 1 : 0);
    NumberEdit2->SetValue(max);
    SetRangeEditsEnabled(false);
    cbMemoRec->setChecked(Option && Option->ViewMemo);
}

void TFormExportPreview::SetRangeEditsEnabled(bool enabled) {
    for (TNumberEdit* e : {NumberEdit1, NumberEdit2}) {
        e->setEnabled(enabled);
        QPalette p = e->palette();
        p.setColor(QPalette::Base, enabled ? palette().color(QPalette::Active, QPalette::Base)
                                           : palette().color(QPalette::Button));
        e->setPalette(p);
    }
}

void TFormExportPreview::cbTypeListChange() {
    const int type = cbTypeList->currentIndex();
    const QString name = EditExportFileName->text();
    if (type < 0 || name.isEmpty()) return;
    EditExportFileName->setText(PathText(exportname::ReplaceExtension(PathBytes(name), Ext(type).toStdString())));
}

void TFormExportPreview::BitBtn3Click() {
    const int type = cbTypeList->currentIndex();
    if (type < 0) return;
    QString name = EditExportFileName->text();
    int index = 1;
    if (!AskFileName(this, {QString::fromLatin1(TypeFilters[type])}, name, index)) return;
    EditExportFileName->setText(PathText(exportname::WithExtension(PathBytes(name), Ext(type).toStdString())));
}

void TFormExportPreview::RadioButton3Click() { SetRangeEditsEnabled(RadioButton5->isChecked()); }

void TFormExportPreview::clbColumnsClick() {
    const bool selected = clbColumns->ItemIndex() >= 0;
    ButtonUp->setEnabled(selected);
    ButtonDown->setEnabled(selected);
}

void TFormExportPreview::MoveColumn(int from, int to) {
    const QString caption = clbColumns->Items().value(from);
    const bool checked = clbColumns->Checked(from);
    // Editing the strings clears the check marks: keep them all.
    std::vector<bool> marks;
    for (int i = 0; i < clbColumns->Count(); ++i) marks.push_back(clbColumns->Checked(i));
    clbColumns->DeleteItem(from);
    clbColumns->InsertItem(to, caption);
    marks.erase(marks.begin() + from);
    marks.insert(marks.begin() + to, checked);
    const int field = ColumnFields[size_t(from)];
    ColumnFields.erase(ColumnFields.begin() + from);
    ColumnFields.insert(ColumnFields.begin() + to, field);
    for (int i = 0; i < int(marks.size()); ++i) clbColumns->SetChecked(i, marks[size_t(i)]);
    clbColumns->SetItemIndex(to);
}

void TFormExportPreview::ButtonUpClick() {
    const int i = clbColumns->ItemIndex();
    if (i >= 1) MoveColumn(i, i - 1);
}

void TFormExportPreview::ButtonDownClick() {
    const int i = clbColumns->ItemIndex();
    if (i >= 0 && i < clbColumns->Count() - 1) MoveColumn(i, i + 1);
}

void TFormExportPreview::ButtonSelAllClick() {
    for (int i = 0; i < clbColumns->Count(); ++i) clbColumns->SetChecked(i, true);
}

void TFormExportPreview::ButtonNotAllClick() {
    for (int i = 0; i < clbColumns->Count(); ++i) clbColumns->SetChecked(i, false);
}

exportcheck::TInput TFormExportPreview::Input() {
    exportcheck::TInput in;
    in.Type = cbTypeList->currentIndex();
    in.FileName = PathBytes(EditExportFileName->text());
    in.ExportFolder = vx::ExportFilesDir();
    in.RowCount = Context.List ? Context.List->Count() : 0;
    if (RadioButton4->isChecked()) {
        in.Rows = TRowRange::Selected;
    } else if (RadioButton5->isChecked()) {
        in.Rows = TRowRange::Span;
        in.From = NumberEdit1->Value();  // the edits warn themselves of a value beyond their range
        in.To = NumberEdit2->Value();
    }
    return in;
}

bool TFormExportPreview::AskOutputName(exportcheck::TInput& in) {
    QStringList filters;
    for (const char* f : TypeFilters) filters << QString::fromLatin1(f);
    QString name;
    int index = in.Type + 1;
    if (!AskFileName(this, filters, name, index) || index < 1 || index > OutputKindCount) return false;
    in.Type = index - 1;
    in.FileName = exportname::WithExtension(PathBytes(name), Ext(in.Type).toStdString());
    cbTypeList->setCurrentIndex(in.Type);
    EditExportFileName->setText(PathText(in.FileName));
    return true;
}

void TFormExportPreview::BitBtn5Click() {
    // One export at a time.
    if (Exporting || (Worker && Worker->Running())) return;
    exportcheck::TInput in = Input();
    if (in.Type >= 0 && in.FileName.empty() && !AskOutputName(in)) return;
    const auto overwritesTable = [this](const std::string& f, TOutputKind kind) {
        return Context.Table && OverwritesOpenTable(*Context.Table, f, kind);
    };
    std::string file;
    const exportcheck::TCheck c = exportcheck::CheckExport(in, overwritesTable, file);
    if (!file.empty() && in.FileName.find('/') == std::string::npos) {  // placed in ExportFiles
        vx::MakeDirs(in.ExportFolder);
        EditExportFileName->setText(PathText(file));
    }
    if (!c.Ok()) {
        MsgBox(c.Caption, c.Message, TMsgBoxIcon::Warning, TMsgBoxButtons::OK, false, false, 30, 30, this);
        QWidget* const controls[] = {nullptr, cbTypeList, NumberEdit1, NumberEdit2};  // by TControl
        if (QWidget* at = controls[size_t(c.Control)]) at->setFocus();
        return;
    }
    if (QFileInfo::exists(PathText(file)) &&
        MsgBox(QStringLiteral("Confirm"), QStringLiteral("File already exist! Overwrite?"), TMsgBoxIcon::Question, TMsgBoxButtons::YesNo,
               false, false, 30, 30, this)
                .ModalResult != mrYes)
        return;
    StartExport(in, file);
}

void TFormExportPreview::StartExport(const exportcheck::TInput& in, const std::string& file) {
    std::vector<int> fields;
    for (int i = 0; i < clbColumns->Count(); ++i)
        if (clbColumns->Checked(i)) fields.push_back(ColumnFields[size_t(i)]);
    TRowRange rows;
    if (in.Rows == TRowRange::Selected)
        rows = TRowRange::SelectedRows(Context.TakeSelection ? Context.TakeSelection() : std::vector<size_t>());
    else if (in.Rows == TRowRange::Span)
        rows = TRowRange::Positions(size_t(in.From), size_t(in.To));
    Worker.reset();
    Worker.reset(new TExportThread(Context.Table, Context.List));
    Worker->SetForm(this);
    Worker->SetFileName(file);
    Worker->SetFileType(uint8_t(in.Type));
    Worker->SetColumns(fields);
    Worker->SetRows(std::move(rows));
    Worker->SetExportDeleted(cbDelRec->isChecked());
    Worker->SetExportMemo(cbMemoRec->isChecked());
    // Once its work is over there is nothing left to stop, before its last reports come.
    connect(Worker->QuestionCloser(), &TMsgBoxCloser::Ending, this, [this] { ReportOutcome(); });
    Worker->Resume();
}

void TFormExportPreview::BitBtn6Click() { StopExportingAsk(); }

void TFormExportPreview::StopExportingAsk() {
    if (!ExportRunning()) return;
    // The question closes by itself when the export's work ends while it is open.
    const bool stop = MsgBox(QStringLiteral("Information"), QStringLiteral("Some export is doing ,stop it?"),
                             TMsgBoxIcon::Question, TMsgBoxButtons::YesNo, false, false, 30, 30, this,
                             Worker ? Worker->QuestionCloser() : nullptr)
                          .ModalResult == mrYes;
    // The export may have ended while the question was open.
    if (stop && ExportRunning()) StopExporting();
}

void TFormExportPreview::StopExporting() {
    if (Worker) Worker->Terminate();
}

void TFormExportPreview::MemoFilePathDblClick() {
    const QString folder = PathText(exportname::FolderOf(PathBytes(MemoFilePath->Text().trimmed())));
    if (!folder.isEmpty()) OpenFolder(folder);
}

void TFormExportPreview::done(int result) {
    if (ExportRunning()) {
        StopExportingAsk();
        if (ExportRunning()) return;  // the close goes on when the export ended while asked
    }
    // An export that has ended has only its last reports to give (perhaps from inside one of
    // them, so not waited for here): the dialog closes once the worker has unlocked it.
    if (Exporting && Worker && !Worker->Finished()) {
        CloseWhenUnlocked = result;
        return;
    }
    TFormAlphaShow::done(result);
}

bool TFormExportPreview::eventFilter(QObject* watched, QEvent* event) {
    if (watched == MemoFilePath->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        MemoFilePathDblClick();
        return true;
    }
    return TFormAlphaShow::eventFilter(watched, event);
}

void TFormExportPreview::BeginExport() {
    Exporting = true;
    OutcomeReported = false;
    CloseWhenUnlocked.reset();
    for (QWidget* w : {static_cast<QWidget*>(EditExportFileName), static_cast<QWidget*>(cbTypeList),
                       static_cast<QWidget*>(PageControl1), static_cast<QWidget*>(BitBtn3),
                       static_cast<QWidget*>(BitBtn5)})
        w->setEnabled(false);
    BitBtn6->setEnabled(true);
}

void TFormExportPreview::EndExport() {
    for (QWidget* w : {static_cast<QWidget*>(EditExportFileName), static_cast<QWidget*>(cbTypeList),
                       static_cast<QWidget*>(PageControl1), static_cast<QWidget*>(BitBtn3),
                       static_cast<QWidget*>(BitBtn5)})
        w->setEnabled(true);
    BitBtn6->setEnabled(false);
    Exporting = false;
    if (const std::optional<int> result = std::exchange(CloseWhenUnlocked, std::nullopt))
        QMetaObject::invokeMethod(this, [this, r = *result] { done(r); }, Qt::QueuedConnection);
}

void TFormExportPreview::ReportOutcome() {
    // Nothing is left to stop.
    OutcomeReported = true;
    BitBtn6->setEnabled(false);
}

void TFormExportPreview::ExportProgress(int kind, size_t current, size_t total, const std::string& fileName) {
    switch (kind) {
    case TExportThread::pkRunning:
        ExportLabel->SetCaption(
            QStringLiteral("Exporting... [%1/%2] Rows.").arg(qulonglong(current)).arg(qulonglong(total)));
        ExportProgressBar->SetPosition(total ? int(current * 100 / total) : 0);
        break;
    case TExportThread::pkDone:
    case TExportThread::pkStopped:
        ReportOutcome();
        ExportLabel->SetCaption(kind == TExportThread::pkDone
                                    ? QStringLiteral("Export [%1] Rows Done.").arg(qulonglong(total))
                                    : QStringLiteral("Export Stopped. [%1] Rows Written.").arg(qulonglong(total)));
        if (kind == TExportThread::pkDone) ExportProgressBar->SetPosition(100);
        MemoFilePath->SetText(PathText(fileName));
        break;
    case TExportThread::pkFailed:
        ReportOutcome();
        ExportLabel->SetCaption(QStringLiteral("Export Failed."));
        break;
    default: break;
    }
}

void TFormExportPreview::ExportMessage(const QString& caption, const QString& text, TMsgBoxIcon icon) {
    MsgBox(caption, text, icon, TMsgBoxButtons::OK, false, false, 30, 30, this);
}
