#include "mainwindow/formtipoftheday.h"

#include <QCheckBox>
#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QStringDecoder>
#include <QVBoxLayout>

#include "mainwindow/formabout.h"
#include "common/option.h"
#include "common/programfiles.h"
#include "controls/colors.h"
#include "controls/xpmenu.h"
#include "platform/filestream.h"

namespace {

// A tips file larger than this is read only up to here.
constexpr size_t kMaxTipsBytes = 1024 * 1024;

QString DecodeText(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8(bytes);
    if (!utf8.hasError()) return text;
    return QString::fromLatin1(bytes);
}

}  // namespace

const int TipColors[10] = {0x000000, 0x000080, 0x000000, 0x008080, 0x800000,
                           0x800080, 0x808000, 0x808080, 0xC0C0C0, 0x0000FF};

QStringList BuiltInTips() { return {QStringLiteral("Very Good..."), QStringLiteral("Perfect...")}; }

QStringList LoadTips(const std::string& path) {
    QStringList tips;
    std::string bytes;
    if (vx::ReadFileStart(path, kMaxTipsBytes, bytes)) {
        const QString text = DecodeText(QByteArray::fromStdString(bytes));
        QString line;
        for (qsizetype i = 0; i <= text.size(); ++i) {
            const bool end = i == text.size();
            const QChar c = end ? QChar() : text.at(i);
            if (end || c == QLatin1Char('\n') || c == QLatin1Char('\r')) {
                if (!line.trimmed().isEmpty()) tips.append(line);
                line.clear();
                if (!end && c == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n')) ++i;
            } else {
                line.append(c);
            }
        }
    }
    // No tips at all would leave nothing to choose from.
    if (tips.isEmpty()) return BuiltInTips();
    return tips;
}

QColor ReadableTipColor(QColor color) {
    // Luma above about 60 % is hard to read on white: scale the colour down to it.
    const int luma = (color.red() * 299 + color.green() * 587 + color.blue() * 114) / 1000;
    constexpr int kMaxLuma = 150;
    if (luma <= kMaxLuma) return color;
    const double f = double(kMaxLuma) / luma;
    return QColor(int(color.red() * f), int(color.green() * f), int(color.blue() * f));
}

TFormTipOfTheDay::TFormTipOfTheDay(QWidget* owner, TOption* option)
    : TFormAlphaShow(owner), option_(option ? option : Option) {
    setObjectName(QStringLiteral("FormTipOfTheDay"));
    setWindowTitle(QStringLiteral("Tip Of The Day"));
    setModal(true);
    XPMenu1 = new TXPMenu(this);

    auto* top = new QVBoxLayout(this);
    top->setContentsMargins(12, 12, 12, 12);
    top->setSpacing(10);
    auto* body = new QHBoxLayout;
    body->setSpacing(0);
    Picture = new QLabel(this);
    Picture->setObjectName(QStringLiteral("Picture"));
    const QPixmap pm = ProgramPicture(QStringLiteral("tips.jpg"));
    Picture->setPixmap(pm);
    Picture->setFixedSize(pm.isNull() ? QSize(120, 220) : pm.deviceIndependentSize().toSize());
    Picture->setStyleSheet(QStringLiteral("background: #2b4d7a;"));
    body->addWidget(Picture, 0, Qt::AlignTop);

    auto* right = new QVBoxLayout;
    right->setSpacing(0);
    PanelDidYouKnow = new QLabel(QStringLiteral("Did you know..."), this);
    PanelDidYouKnow->setObjectName(QStringLiteral("PanelDidYouKnow"));
    QFont big = PanelDidYouKnow->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.5);
    PanelDidYouKnow->setFont(big);
    PanelDidYouKnow->setContentsMargins(14, 10, 10, 10);
    PanelDidYouKnow->setAutoFillBackground(true);
    QPalette pal = PanelDidYouKnow->palette();
    pal.setColor(QPalette::Window, Qt::white);
    pal.setColor(QPalette::WindowText, QColor(0x1f, 0x3a, 0x5f));
    PanelDidYouKnow->setPalette(pal);
    right->addWidget(PanelDidYouKnow);
    MemoTip = new QPlainTextEdit(this);
    MemoTip->setObjectName(QStringLiteral("MemoTip"));
    MemoTip->setReadOnly(true);
    MemoTip->setFrameShape(QFrame::NoFrame);
    MemoTip->document()->setDocumentMargin(14);
    QFont tipFont = MemoTip->font();
    tipFont.setPointSizeF(tipFont.pointSizeF() * 1.15);
    MemoTip->setFont(tipFont);
    QPalette memoPal = MemoTip->palette();
    memoPal.setColor(QPalette::Base, Qt::white);
    MemoTip->setPalette(memoPal);
    right->addWidget(MemoTip, 1);
    body->addLayout(right, 1);
    auto* framed = new QFrame(this);
    framed->setFrameShape(QFrame::StyledPanel);
    framed->setLayout(body);
    body->setContentsMargins(0, 0, 0, 0);
    // The picture fills the panel's height; the tip takes the rest.
    framed->setFixedHeight(Picture->height() + 2 * framed->frameWidth());
    top->addWidget(framed, 1);

    auto* bottom = new QHBoxLayout;
    cbShowTipsOnStartup = new QCheckBox(QStringLiteral("Show tips on startup"), this);
    cbShowTipsOnStartup->setObjectName(QStringLiteral("cbShowTipsOnStartup"));
    cbShowTipsOnStartup->setChecked(option_ ? option_->AlwayShowTipOfTheDay : true);
    bottom->addWidget(cbShowTipsOnStartup);
    bottom->addStretch(1);
    BitBtnNextTip = new QPushButton(QStringLiteral("Next Tip"), this);
    BitBtnNextTip->setObjectName(QStringLiteral("BitBtnNextTip"));
    BitBtn2 = new QPushButton(QStringLiteral("OK"), this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn2->setDefault(true);
    for (QPushButton* b : {BitBtnNextTip, BitBtn2}) {
        b->setMinimumWidth(85);
        bottom->addWidget(b);
    }
    top->addLayout(bottom);
    connect(BitBtnNextTip, &QPushButton::clicked, this, &TFormTipOfTheDay::BitBtnNextTipClick);
    connect(BitBtn2, &QPushButton::clicked, this, &TFormTipOfTheDay::BitBtn2Click);

    setFixedWidth(480);
    setFixedHeight(sizeHint().height());

    Tips = LoadTips(vx::TipsPath());
    ShowRandomTip();
    SetTipColor(ToQColor(TipColors[QRandomGenerator::global()->bounded(10)]));
    XPMenu1->SetActive(true);
}

void TFormTipOfTheDay::Execute(QWidget* owner, TOption* option) {
    TFormTipOfTheDay form(owner, option);
    form.InitAlphaShow(true, 30, 30);
    form.exec();
}

void TFormTipOfTheDay::SetTips(const QStringList& tips) {
    Tips = tips.isEmpty() ? BuiltInTips() : tips;
    ShowRandomTip();
}

QString TFormTipOfTheDay::CurrentTip() const { return MemoTip->toPlainText(); }

void TFormTipOfTheDay::ShowRandomTip() {
    MemoTip->clear();
    if (Tips.isEmpty()) return;
    MemoTip->setPlainText(Tips.at(QRandomGenerator::global()->bounded(static_cast<int>(Tips.size()))));
}

void TFormTipOfTheDay::SetTipColor(QColor color) {
    QPalette pal = MemoTip->palette();
    pal.setColor(QPalette::Text, ReadableTipColor(color));
    MemoTip->setPalette(pal);
}

void TFormTipOfTheDay::BitBtnNextTipClick() {
    if (Tips.isEmpty()) return;
    ShowRandomTip();
    auto* rng = QRandomGenerator::global();
    SetTipColor(QColor(rng->bounded(256), rng->bounded(256), rng->bounded(256)));
}

void TFormTipOfTheDay::BitBtn2Click() {
    if (option_) option_->AlwayShowTipOfTheDay = cbShowTipsOnStartup->isChecked();
    done(QDialog::Accepted);
}
