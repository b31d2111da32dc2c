#include "editors/memoeditor.h"

#include "common/bytetext.h"
#include "common/msgbox.h"
#include "controls/colors.h"
#include "controls/flatmemo.h"
#include "controls/xpmenu.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QStatusBar>
#include <QStyle>
#include <QTextBlock>
#include <QToolBar>
#include <QVBoxLayout>

namespace memoimport {

QStringList SplitLines(const QString& text) {
    QStringList lines;
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (c != QLatin1Char('\r') && c != QLatin1Char('\n')) continue;
        lines << text.mid(start, i - start);
        if (c == QLatin1Char('\r') && i + 1 < n && text.at(i + 1) == QLatin1Char('\n')) ++i;
        start = i + 1;
    }
    if (start < n) lines << text.mid(start);
    return lines;
}

QString InsertLines(const QStringList& memo, int row, int column, const QStringList& file) {
    const QString nl = QStringLiteral("\r\n");
    const QStringList lines = memo.isEmpty() ? QStringList{QString()} : memo;
    if (file.isEmpty()) return lines.join(nl);
    const int n = static_cast<int>(lines.size());
    row = std::clamp(row, 0, n - 1);
    const QString& line = lines[row];
    column = std::clamp(column, 0, static_cast<int>(line.size()));
    const bool atEnd = column == line.size();

    QString s;
    for (int k = 0; k < row; ++k) s += lines[k] + nl;
    s += line.left(column);
    for (int k = 0; k + 1 < file.size(); ++k) s += file[k] + nl;
    s += file.last();
    if (atEnd) s += nl;
    else s += line.mid(column) + nl;
    for (int k = row + 1; k < n; ++k) {
        s += lines[k];
        if (k + 1 < n) s += nl;
    }
    return s;
}

}  // namespace memoimport

QString ByteCountText(const QString& text) {
    return QStringLiteral("%1 Bytes").arg(static_cast<qulonglong>(ByteLength(text)));
}

std::function<QString(QWidget*)> TFormMemoEditor::ChooseImportFile = [](QWidget* parent) {
    return QFileDialog::getOpenFileName(parent, QStringLiteral("Open"), QString(),
                                        QStringLiteral("Text File(*.TXT) (*.txt *.TXT)"));
};

TFormMemoEditor::TFormMemoEditor(QWidget* owner) : TFormAlphaShow(owner) {
    setObjectName(QStringLiteral("FormMemoEditor"));
    setWindowTitle(QStringLiteral("Quorvane Osmirant Memo Editor"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint |
                   Qt::WindowCloseButtonHint);
    QFont f(QStringLiteral("Verdana"));
    f.setPixelSize(12);
    setFont(f);
    resize(587, 339);
    XPMenu1 = new TXPMenu(this);
    XPMenu1->setObjectName(QStringLiteral("XPMenu1"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    MemoEditorControlBar = new QWidget(this);
    MemoEditorControlBar->setObjectName(QStringLiteral("MemoEditorControlBar"));
    auto* barLayout = new QHBoxLayout(MemoEditorControlBar);
    barLayout->setContentsMargins(2, 2, 2, 2);
    MemoEditorToolBar = new QToolBar(MemoEditorControlBar);
    MemoEditorToolBar->setObjectName(QStringLiteral("MemoEditorToolBar"));
    MemoEditorToolBar->setIconSize(QSize(16, 16));
    MemoEditorToolBar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    QStyle* style = QApplication::style();
    ME_TB_IMPORT = MemoEditorToolBar->addAction(style->standardIcon(QStyle::SP_DialogOpenButton),
                                                QStringLiteral("Import"));
    ME_TB_IMPORT->setObjectName(QStringLiteral("ME_TB_IMPORT"));
    ME_TB_IMPORT->setToolTip(QStringLiteral("Import From Text File"));
    MemoEditorToolBar->addSeparator();
    ME_TB_CLEAR = MemoEditorToolBar->addAction(style->standardIcon(QStyle::SP_DialogResetButton),
                                               QStringLiteral("clear"));
    ME_TB_CLEAR->setObjectName(QStringLiteral("ME_TB_CLEAR"));
    ME_TB_CLEAR->setToolTip(QStringLiteral("Clear"));
    barLayout->addWidget(MemoEditorToolBar);
    barLayout->addStretch(1);
    layout->addWidget(MemoEditorControlBar);

    FlatMemo = new TFlatMemo(this);
    FlatMemo->setObjectName(QStringLiteral("FlatMemo"));
    FlatMemo->SetScrollBars(ssBoth);
    FlatMemo->SetColorBorder(clGray);
    FlatMemo->SetColorFlat(clWindow);
    layout->addWidget(FlatMemo, 1);

    StatusBar = new QStatusBar(this);
    StatusBar->setObjectName(QStringLiteral("StatusBar"));
    StatusBar->setSizeGripEnabled(true);
    StatusPanel0 = new QLabel(StatusBar);
    StatusPanel0->setMinimumWidth(50);
    StatusBar->addWidget(StatusPanel0);
    layout->addWidget(StatusBar);

    connect(ME_TB_IMPORT, &QAction::triggered, this, [this] { ME_TB_IMPORTClick(); });
    connect(ME_TB_CLEAR, &QAction::triggered, this, [this] { ME_TB_CLEARClick(); });
    connect(FlatMemo, &QPlainTextEdit::textChanged, this, [this] { FlatMemoChange(); });
    FlatMemoChange();
    FlatMemo->setFocus();
    XPMenu1->SetActive(true);
}

void TFormMemoEditor::showEvent(QShowEvent* event) {
    TFormAlphaShow::showEvent(event);
    FlatMemoChange();
}

void TFormMemoEditor::FlatMemoChange() { StatusPanel0->setText(ByteCountText(FlatMemo->Text())); }

void TFormMemoEditor::ME_TB_CLEARClick() {
    FlatMemo->SetText(QString());
    FlatMemoChange();
}

void TFormMemoEditor::ME_TB_IMPORTClick() {
    const QString path = ChooseImportFile ? ChooseImportFile(this) : QString();
    if (!path.isEmpty()) ImportFile(path);
}

bool TFormMemoEditor::ImportFile(const QString& path) {
    QFile file(path);
    QByteArray bytes;
    bool ok = file.open(QIODevice::ReadOnly);
    if (ok) {
        bytes = file.readAll();
        ok = file.error() == QFileDevice::NoError;
    }
    if (!ok) {
        MsgBox(QString(), QStringLiteral("Cannot open file \"%1\". %2").arg(path, file.errorString()), TMsgBoxIcon::Warning,
               TMsgBoxButtons::OK, false, false, 30, 30, this);
        return false;
    }
    const QStringList lines = memoimport::SplitLines(BytesToText(std::string_view(bytes.constData(), bytes.size())));
    if (lines.isEmpty()) return true;

    const QTextCursor caret = FlatMemo->textCursor();
    const int row = caret.blockNumber(), column = caret.positionInBlock();
    QStringList memo;
    for (QTextBlock b = FlatMemo->document()->begin(); b.isValid(); b = b.next()) memo << b.text();
    FlatMemo->SetText(memoimport::InsertLines(memo, row, column, lines));
    // The caret goes behind the last imported line's text.
    int position = column + static_cast<int>(lines.last().size());
    for (int k = 0; k < row; ++k) position += static_cast<int>(memo[k].size()) + 1;
    for (int k = 0; k + 1 < lines.size(); ++k) position += static_cast<int>(lines[k].size()) + 1;
    QTextCursor after = FlatMemo->textCursor();
    after.setPosition(std::min(position, FlatMemo->document()->characterCount() - 1));
    FlatMemo->setTextCursor(after);
    FlatMemoChange();
    return true;
}
