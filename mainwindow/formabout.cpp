#include "mainwindow/formabout.h"

#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextDocument>
#include <QVBoxLayout>

#include "controls/xpmenu.h"
#include "imaging/jpegimage.h"

static void InitProgramResources() {
    // The pictures are compiled into a static library: make sure they are registered.
    static const bool done = [] {
        Q_INIT_RESOURCE(resources);
        return true;
    }();
    (void)done;
}

QPixmap ProgramPicture(const QString& fileName) {
    InitProgramResources();
    return QPixmap::fromImage(LoadJpegFile(QStringLiteral(":/pictures/") + fileName));
}

QString AboutText() {
    return QStringLiteral(
        "Vellibrox 2007\n"
        "\n"
        "Vellibrox views and edits dBase and FoxPro tables: \".dbf\" files with their \".fpt\" or "
        "\".dbt\" memo files, as written by Visual FoxPro, FoxPro 2.x, FoxBASE+ and dBASE III/IV.\n"
        "\n"
        "- Browse tables of any size in a fast list; find, replace, filter and sort records.\n"
        "- Edit, append and insert records, edit memo texts, mark, remove and restore records.\n"
        "- Copy, cut and paste records between tables through the clipboard.\n"
        "- Create new tables, empty or with the structure of another table, and add or delete "
        "columns of an open table.\n"
        "- Export the whole table or selected records, or save it as another table kind (Visual "
        "FoxPro, FoxPro 2.x, FoxBASE+, dBASE IV), text, HTML, XML, Excel worksheet (.xls), CSV or "
        "DIF.\n"
        "\n"
        "Table bytes are shown and written exactly as stored.\n"
        "\n"
        "System requirement: a Linux desktop with Qt 6.");
}

TFormAbout::TFormAbout(QWidget* owner) : TFormAlphaShow(owner) {
    setObjectName(QStringLiteral("FormAbout"));
    setWindowTitle(QStringLiteral("About"));
    XPMenu1 = new TXPMenu(this);
    setModal(true);

    auto* top = new QVBoxLayout(this);
    top->setContentsMargins(0, 0, 0, 12);
    top->setSpacing(10);
    Image = new QLabel(this);
    Image->setObjectName(QStringLiteral("Image"));
    const QPixmap pm = ProgramPicture(QStringLiteral("about.jpg"));
    Image->setPixmap(pm);
    const QSize picture = pm.isNull() ? QSize(440, 120) : pm.deviceIndependentSize().toSize();
    Image->setFixedSize(picture);
    Image->setStyleSheet(QStringLiteral("background: #2b4d7a;"));
    top->addWidget(Image);

    Memo = new QPlainTextEdit(this);
    Memo->setObjectName(QStringLiteral("Memo"));
    Memo->setReadOnly(true);
    Memo->setPlainText(AboutText());
    auto* memoRow = new QHBoxLayout;
    memoRow->setContentsMargins(12, 0, 12, 0);
    memoRow->addWidget(Memo);
    top->addLayout(memoRow, 1);

    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(12, 0, 12, 0);
    buttons->addStretch(1);
    BitBtn1 = new QPushButton(QStringLiteral("OK"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setDefault(true);
    BitBtn1->setMinimumWidth(85);
    buttons->addWidget(BitBtn1);
    top->addLayout(buttons);
    connect(BitBtn1, &QPushButton::clicked, this, &TFormAbout::BitBtn1Click);

    // Tall enough for the whole description without scrolling.
    QTextDocument doc;
    doc.setDefaultFont(Memo->font());
    doc.setDocumentMargin(Memo->document()->documentMargin());
    doc.setPlainText(Memo->toPlainText());
    const int frame = 2 * Memo->frameWidth();
    doc.setTextWidth(picture.width() - 24 - frame);
    const int memoHeight = static_cast<int>(doc.size().height()) + frame + 6;
    Memo->setFixedHeight(memoHeight);
    Memo->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setFixedWidth(picture.width());
    setFixedHeight(sizeHint().height());
    XPMenu1->SetActive(true);
}

void TFormAbout::Execute(QWidget* owner) {
    TFormAbout form(owner);
    form.exec();
}

void TFormAbout::BitBtn1Click() { done(QDialog::Accepted); }
