#include "common/msgbox.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QFontMetrics>
#include <QFrame>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

#include "common/programfiles.h"
#include "controls/xpmenu.h"

namespace {

TMsgBoxHandler& Handler() {
    static TMsgBoxHandler handler;
    return handler;
}

constexpr int kDesignWidth = 305;
constexpr int kDesignHeight = 119;
constexpr int kTextWidthLimit = 200;

// The width of the widest line of `text`.
int TextWidth(const QFontMetrics& fm, const QString& text) {
    int w = 0;
    const auto lines = text.split(QLatin1Char('\n'));
    for (const QString& line : lines) w = std::max(w, fm.horizontalAdvance(line));
    return w;
}

// The text with break chances (zero-width spaces) inside every word wider than `width`, such as
// a long path, so that a wrapped label never cuts it off.
QString BreakableText(const QString& text, const QFontMetrics& fm, int width) {
    QString out;
    QString word;
    auto flush = [&] {
        if (fm.horizontalAdvance(word) > width) {
            for (qsizetype i = 0; i < word.size(); ++i) {
                out += word.at(i);
                if (i + 1 < word.size() && !word.at(i).isHighSurrogate()) out += QChar(0x200B);
            }
        } else {
            out += word;
        }
        word.clear();
    };
    for (const QChar c : text) {
        if (c.isSpace()) {
            flush();
            out += c;
        } else {
            word += c;
        }
    }
    flush();
    return out;
}

// Drawn stand-ins for icon files that are missing or unreadable.
QPixmap DrawnIcon(TMsgBoxIcon icon) {
    const qreal dpr = qApp ? qApp->devicePixelRatio() : 1.0;
    QPixmap pm(QSize(48, 48) * dpr);
    pm.setDevicePixelRatio(dpr);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QColor fill;
    QString mark;
    if (icon == TMsgBoxIcon::Warning) {
        QPainterPath tri;
        tri.moveTo(24, 3);
        tri.lineTo(46, 44);
        tri.lineTo(2, 44);
        tri.closeSubpath();
        p.setPen(QPen(QColor(0x9a, 0x6a, 0x00), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(QColor(0xf5, 0xb8, 0x14));
        p.drawPath(tri);
        mark = QStringLiteral("!");
        fill = QColor(0x30, 0x20, 0x00);
    } else {
        p.setPen(Qt::NoPen);
        p.setBrush(icon == TMsgBoxIcon::Question ? QColor(0x2f, 0x6f, 0xc8) : QColor(0x1f, 0x93, 0x6b));
        p.drawEllipse(QRectF(2, 2, 44, 44));
        mark = icon == TMsgBoxIcon::Question ? QStringLiteral("?") : QStringLiteral("i");
        fill = Qt::white;
    }
    QFont f = p.font();
    f.setBold(true);
    f.setPixelSize(30);
    p.setFont(f);
    p.setPen(fill);
    QRectF r(0, icon == TMsgBoxIcon::Warning ? 8 : 0, 48, icon == TMsgBoxIcon::Warning ? 38 : 48);
    p.drawText(r, Qt::AlignCenter, mark);
    return pm;
}

// Whether a box asked with a closer (`closing`) is to close by itself: its closer has ended,
// or is gone with what it was about.
bool ClosedByItself(bool closing, const QPointer<TMsgBoxCloser>& closer) {
    return closing && (!closer || closer->Ended());
}

// The installed handler's answer to `request`. A box whose closer has ended is not asked, and
// an answer given once it has ended counts for nothing: the box would have closed by itself.
TMsgBoxResult AskHandler(const TMsgBoxHandler& handler, const TMsgBoxRequest& request) {
    const bool closing = !request.Closer.isNull();
    if (ClosedByItself(closing, request.Closer)) return {};
    TMsgBoxResult r = handler(request);
    if (ClosedByItself(closing, request.Closer)) return {};
    r.Checked = request.ShowCheckBox && r.Checked;
    return r;
}

QPixmap LoadIcon(TMsgBoxIcon icon) {
    const QString name = MsgBoxIconFile(icon);
    if (name.isEmpty()) return {};
    const QString path = QString::fromStdString(vx::ProgramFilePath(name.toStdString()));
    if (QFile::exists(path)) {
        QIcon ico(path);
        QPixmap pm = ico.pixmap(QSize(48, 48));
        if (!pm.isNull()) return pm;
    }
    return DrawnIcon(icon);
}

}  // namespace

TMsgBoxHandler SetMsgBoxHandler(TMsgBoxHandler handler) {
    TMsgBoxHandler previous = std::move(Handler());
    Handler() = std::move(handler);
    return previous;
}

const TMsgBoxHandler& MsgBoxHandler() { return Handler(); }

QString MsgBoxIconFile(TMsgBoxIcon Icon) {
    switch (Icon) {
    case TMsgBoxIcon::Question: return QStringLiteral("Icon/Question48.ico");
    case TMsgBoxIcon::Information: return QStringLiteral("Icon/Information48.ico");
    case TMsgBoxIcon::Warning: return QStringLiteral("Icon/Warnning48.ico");
    default: return {};
    }
}

TMsgBoxResult MsgBox(const QString& Caption, const QString& Text, TMsgBoxIcon Icon, TMsgBoxButtons Buttons,
                     bool ShowCheckBox, bool Animate, int Interval, int Step, QWidget* owner, TMsgBoxCloser* closer) {
    QWidget* const parent = owner ? owner : QApplication::activeWindow();
    if (const TMsgBoxHandler& handler = MsgBoxHandler()) {
        // Answered without building a window (back ends are tested without one).
        return AskHandler(handler, TMsgBoxRequest{Caption, Text, Icon, Buttons, ShowCheckBox, Animate,
                                                  std::max(1, Interval), std::max(1, Step), parent, closer});
    }
    TFormConfirmWithCheckBox box(parent);
    box.SetInfo(Caption, Text, Icon, Buttons, ShowCheckBox);
    box.SetCloser(closer);
    box.InitAlphaShow(Animate, Interval, Step);
    box.exec();
    return TMsgBoxResult{box.Result, box.CheckBoxAlwayShow->isChecked()};
}

void MsgBox(const QString& Caption, const QString& Text, TMsgBoxIcon Icon, TMsgBoxButtons Buttons, bool ShowCheckBox,
            bool Animate, int Interval, int Step, TMsgBoxResult& Result, QWidget* owner) {
    Result = MsgBox(Caption, Text, Icon, Buttons, ShowCheckBox, Animate, Interval, Step, owner);
}

// ---------------------------------------------------------------------------------------------

TMsgBoxCloser::TMsgBoxCloser(std::function<bool()> over, QObject* parent) : QObject(parent), Over(std::move(over)) {}

void TMsgBoxCloser::End() {
    if (EndedFlag) return;
    EndedFlag = true;
    emit Ending();
}

// ---------------------------------------------------------------------------------------------

TFormConfirmWithCheckBox::TFormConfirmWithCheckBox(QWidget* owner) : TFormAlphaShow(owner) {
    setObjectName(QStringLiteral("FormConfirmWithCheckBox"));
    setModal(true);
    XPMenu1 = new TXPMenu(this);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
    setAutoFillBackground(true);

    auto* top = new QVBoxLayout(this);
    top->setContentsMargins(0, 0, 0, 0);
    top->setSpacing(0);

    auto* content = new QHBoxLayout;
    content->setContentsMargins(14, 14, 12, 12);
    content->setSpacing(14);
    Image = new QLabel(this);
    Image->setObjectName(QStringLiteral("Image"));
    Image->setFixedSize(48, 48);
    content->addWidget(Image, 0, Qt::AlignTop);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(10);
    LabelInfo = new QLabel(this);
    LabelInfo->setObjectName(QStringLiteral("LabelInfo"));
    LabelInfo->setTextFormat(Qt::PlainText);
    LabelInfo->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    LabelInfo->setMinimumHeight(40);
    texts->addWidget(LabelInfo, 1);
    CheckBoxAlwayShow = new QCheckBox(QStringLiteral("Don't remind me again."), this);
    CheckBoxAlwayShow->setObjectName(QStringLiteral("CheckBoxAlwayShow"));
    CheckBoxAlwayShow->hide();
    texts->addWidget(CheckBoxAlwayShow);
    content->addLayout(texts, 1);
    top->addLayout(content, 1);

    PanelTopSeparator = new QFrame(this);
    PanelTopSeparator->setObjectName(QStringLiteral("PanelTopSeparator"));
    PanelTopSeparator->setFrameShape(QFrame::HLine);
    PanelTopSeparator->setFrameShadow(QFrame::Sunken);
    top->addWidget(PanelTopSeparator);

    PanelBottom = new QWidget(this);
    PanelBottom->setObjectName(QStringLiteral("PanelBottom"));
    PanelBottom->setAutoFillBackground(true);
    QPalette bottomPal = PanelBottom->palette();
    bottomPal.setColor(QPalette::Window, QApplication::palette().color(QPalette::Button));
    PanelBottom->setPalette(bottomPal);
    auto* buttons = new QHBoxLayout(PanelBottom);
    buttons->setContentsMargins(10, 8, 10, 8);
    buttons->setSpacing(8);
    buttons->addStretch(1);
    BitBtn1 = new QPushButton(PanelBottom);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setDefault(true);
    BitBtn2 = new QPushButton(PanelBottom);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn2->setAutoDefault(false);
    for (QPushButton* b : {BitBtn1, BitBtn2}) b->setMinimumWidth(80);
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);
    top->addWidget(PanelBottom);

    connect(BitBtn1, &QPushButton::clicked, this, [this] {
        ButtonClick(Buttons == TMsgBoxButtons::YesNo ? mrYes : mrOk);
    });
    connect(BitBtn2, &QPushButton::clicked, this, [this] {
        switch (Buttons) {
        case TMsgBoxButtons::Yes: ButtonClick(mrYes); break;
        case TMsgBoxButtons::No:
        case TMsgBoxButtons::YesNo: ButtonClick(mrNo); break;
        case TMsgBoxButtons::OK: ButtonClick(mrOk); break;
        default: ButtonClick(mrCancel); break;
        }
    });
    setFixedSize(kDesignWidth, kDesignHeight);
    XPMenu1->SetActive(true);
}

void TFormConfirmWithCheckBox::SetInfo(const QString& Caption_, const QString& Text_, TMsgBoxIcon Icon_,
                                       TMsgBoxButtons Buttons_, bool ShowCheckBox_) {
    Caption = Caption_;
    Text = Text_;
    Icon = Icon_;
    Buttons = Buttons_;
    ShowCheckBox = ShowCheckBox_;
    applied_ = false;
}

void TFormConfirmWithCheckBox::ApplyInfo() {
    applied_ = true;
    setWindowTitle(Caption);

    const int w = TextWidth(QFontMetrics(font()), Text);
    int width = kDesignWidth;
    LabelInfo->setWordWrap(false);
    if (w > kTextWidthLimit) {
        width = w + 100;
        // A text wider than the screen wraps instead of running off it.
        if (QScreen* screen = this->screen()) {
            const int maxWidth = screen->availableGeometry().width() - 40;
            if (maxWidth > kDesignWidth && width > maxWidth) {
                width = maxWidth;
                LabelInfo->setWordWrap(true);
            }
        }
    }
    LabelInfo->setText(LabelInfo->wordWrap() ? BreakableText(Text, QFontMetrics(font()), width - 100)
                                             : Text);
    CheckBoxAlwayShow->setVisible(ShowCheckBox);

    Image->setPixmap(LoadIcon(Icon));

    switch (Buttons) {
    case TMsgBoxButtons::YesNo:
        BitBtn1->setText(QStringLiteral("Yes"));
        BitBtn2->setText(QStringLiteral("No"));
        break;
    case TMsgBoxButtons::OKCancel:
        BitBtn1->setText(QStringLiteral("OK"));
        BitBtn2->setText(QStringLiteral("Cancel"));
        break;
    case TMsgBoxButtons::Yes: BitBtn2->setText(QStringLiteral("Yes")); break;
    case TMsgBoxButtons::No: BitBtn2->setText(QStringLiteral("No")); break;
    case TMsgBoxButtons::OK: BitBtn2->setText(QStringLiteral("OK")); break;
    case TMsgBoxButtons::Cancel: BitBtn2->setText(QStringLiteral("Cancel")); break;
    default: break;
    }
    const bool two = Buttons == TMsgBoxButtons::YesNo || Buttons == TMsgBoxButtons::OKCancel;
    BitBtn1->setVisible(two);
    BitBtn2->setVisible(Buttons >= TMsgBoxButtons::Yes && Buttons <= TMsgBoxButtons::OKCancel);
    // With one button, Enter presses it.
    BitBtn2->setDefault(!two);

    // The height follows the contents: a wrapped text or the check box needs more room.
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    layout()->activate();
    int height = std::max(kDesignHeight, layout()->hasHeightForWidth()
                                             ? layout()->totalHeightForWidth(width)
                                             : layout()->totalSizeHint().height());
    setFixedSize(width, height);
}

void TFormConfirmWithCheckBox::showEvent(QShowEvent* event) {
    if (!applied_) ApplyInfo();
    if (BitBtn1->isVisibleTo(this)) BitBtn1->setFocus();
    else if (BitBtn2->isVisibleTo(this)) BitBtn2->setFocus();
    TFormAlphaShow::showEvent(event);
}

void TFormConfirmWithCheckBox::ButtonClick(int modalResult) {
    if (FadingOut()) return;  // the answer was given by the first close request
    Result = modalResult;
    done(modalResult);
}

void TFormConfirmWithCheckBox::CloseByItself() {
    Result = mrNone;
    Timer->stop();  // no fade: the box is gone before anything else shows
    QDialog::done(mrNone);
}

int TFormConfirmWithCheckBox::exec() {
    const bool closing = !Closer.isNull();
    if (const TMsgBoxHandler& handler = MsgBoxHandler()) {
        const TMsgBoxRequest request{Caption, Text,   Icon,           Buttons, ShowCheckBox,
                                     Animate(), Interval(), Step(), parentWidget(), Closer};
        const TMsgBoxResult answer = AskHandler(handler, request);
        Result = answer.ModalResult;
        CheckBoxAlwayShow->setChecked(answer.Checked);
        setResult(Result);
        return Result;
    }
    if (ClosedByItself(closing, Closer)) {
        Result = mrNone;
        setResult(Result);
        return Result;
    }
    QMetaObject::Connection ending, gone;
    if (closing) {
        ending = connect(Closer, &TMsgBoxCloser::Ending, this, &TFormConfirmWithCheckBox::CloseByItself);
        gone = connect(Closer, &QObject::destroyed, this, &TFormConfirmWithCheckBox::CloseByItself);
    }
    const int r = TFormAlphaShow::exec();
    disconnect(ending), disconnect(gone);
    Result = r;
    return Result;
}

// ---------------------------------------------------------------------------------------------

ScriptedMsgBox::ScriptedMsgBox() {
    previous_ = SetMsgBoxHandler([this](const TMsgBoxRequest& request) {
        Asked.push_back(request);
        if (Answers.empty()) return DefaultAnswer;
        TMsgBoxResult r = Answers.front();
        Answers.pop_front();
        return r;
    });
}

ScriptedMsgBox::~ScriptedMsgBox() { SetMsgBoxHandler(std::move(previous_)); }

void ScriptedMsgBox::Answer(int modalResult, bool checked) {
    Answers.push_back(TMsgBoxResult{modalResult, checked});
}
