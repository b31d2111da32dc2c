// controls_gallery: every custom control in one window, grouped and labelled, to be looked at as
// a user sees them.
//
//   controls_gallery                       shows the window
//   controls_gallery --screenshot DIR      focuses the memo, opens the font list, drops the
//                                          calendar down, writes gallery-*.png into DIR, quits
//   ... --hold MS                          keeps the window open that long after the pictures,
//                                          with the calendar still dropped down
#include "controls/colors.h"
#include "controls/dateedit.h"
#include "controls/flatchecklistbox.h"
#include "controls/flatlistbox.h"
#include "controls/flatmemo.h"
#include "controls/flatpanel.h"
#include "controls/flatprogressbar.h"
#include "controls/rxcalendar.h"
#include "controls/rxcombos.h"
#include "controls/rxspeedbutton.h"
#include "controls/validedit.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>

#include <cstdio>
#include <functional>
#include <vector>

namespace {

QWidget* NewGalleryFlatPanel(QWidget* parent, const QString& caption, bool rightAligned) {
    auto* panel = new TFlatPanel(parent);
    panel->SetCaption(caption);
    if (rightAligned) panel->SetAlignment(taRightJustify);
    panel->setMinimumSize(panel->sizeHint());
    return panel;
}

// A 16 x 16 glyph on a magenta ground (the bottom-left pixel gives the transparent colour).
QImage Glyph(int kind) {
    QImage img(16, 16, QImage::Format_RGB32);
    img.fill(QColor(255, 0, 255));
    QPainter p(&img);
    // No smoothing: blended edges would keep a magenta tint once the ground is made transparent.
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setRenderHint(QPainter::TextAntialiasing, false);
    auto font = [&](const char* family, bool bold, bool italic) {
        QFont f(QString::fromLatin1(family), 9, bold ? QFont::Bold : QFont::Normal, italic);
        f.setStyleStrategy(QFont::NoAntialias);
        p.setFont(f);
    };
    switch (kind) {
    case 0:  // bold B
        p.setPen(Qt::black);
        font("DejaVu Sans", true, false);
        p.drawText(QRect(0, 0, 16, 16), Qt::AlignCenter, QStringLiteral("B"));
        break;
    case 1:  // italic I
        p.setPen(Qt::black);
        font("DejaVu Serif", false, true);
        p.drawText(QRect(0, 0, 16, 16), Qt::AlignCenter, QStringLiteral("I"));
        break;
    case 2:  // underlined U
        p.setPen(Qt::black);
        font("DejaVu Sans", false, false);
        p.drawText(QRect(0, 0, 16, 14), Qt::AlignCenter, QStringLiteral("U"));
        p.drawLine(4, 14, 11, 14);
        break;
    case 3:  // a green arrow
        p.fillRect(QRect(3, 6, 6, 4), QColor(0, 128, 0));
        for (int i = 0; i < 5; ++i)
            p.fillRect(QRect(9 + i, 3 + i, 1, 10 - 2 * i), QColor(0, 128, 0));
        break;
    default:  // a red cross
        p.setPen(QPen(QColor(192, 0, 0), 2));
        p.drawLine(4, 4, 11, 11);
        p.drawLine(11, 4, 4, 11);
        break;
    }
    return img;
}

QGroupBox* Group(const QString& title, QLayout* layout) {
    auto* box = new QGroupBox(title);
    box->setLayout(layout);
    return box;
}

struct Gallery {
    QWidget window;
    TFlatMemo* memo = nullptr;
    TFlatListBox* list = nullptr;
    TFlatCheckListBox* checks = nullptr;
    TFlatProgressBar* block = nullptr;
    TFlatProgressBar* smooth = nullptr;
    TNumberEdit* thousands = nullptr;
    TDateEdit* date = nullptr;
    TFontComboBox* fonts = nullptr;
    QWidget* progressBox = nullptr;
    QWidget* numberBox = nullptr;
    QWidget* buttonBox = nullptr;

    Gallery() {
        window.setWindowTitle(QStringLiteral("Controls gallery"));
        auto* grid = new QGridLayout(&window);

        // Flat panels.
        auto* panels = new QVBoxLayout;
        panels->addWidget(NewGalleryFlatPanel(nullptr, QStringLiteral("Centred caption"), false));
        panels->addWidget(NewGalleryFlatPanel(nullptr, QStringLiteral("Right caption"), true));
        panels->addStretch();
        grid->addWidget(Group(QStringLiteral("TFlatPanel"), panels), 0, 0);

        // Progress bars: twenty blocks, half of them full; smooth at a third.
        auto* bars = new QFormLayout;
        block = new TFlatProgressBar;
        block->SetPosition(50);
        const int barWidth = 20 * (block->ElementWidth() + 1) + 3;
        block->setFixedSize(barWidth, 16);
        smooth = new TFlatProgressBar;
        smooth->SetSmooth(true);
        smooth->SetPosition(33);
        smooth->setFixedSize(barWidth, 16);
        bars->addRow(QStringLiteral("Blocks, 50%:"), block);
        bars->addRow(QStringLiteral("Smooth, 33%:"), smooth);
        progressBox = Group(QStringLiteral("TFlatProgressBar"), bars);
        grid->addWidget(progressBox, 0, 1);

        // Memo.
        auto* memoLayout = new QVBoxLayout;
        memo = new TFlatMemo;
        memo->SetText(QStringLiteral("Memo fields keep long notes.\r\nA second line,\r\nand a third one that is "
                                     "long enough to wrap at the memo's width."));
        memo->setFixedSize(240, 90);
        memoLayout->addWidget(memo);
        grid->addWidget(Group(QStringLiteral("TFlatMemo"), memoLayout), 0, 2);

        // List box with more items than fit: its arrow strips show, in red.
        auto* listLayout = new QVBoxLayout;
        list = new TFlatListBox;
        list->SetColorArrow(clRed);
        list->SetScrollBars(true);
        QStringList files;
        for (int i = 1; i <= 12; ++i)
            files << QStringLiteral("/home/user/tables/customers%1.dbf").arg(i);
        list->SetItems(files);
        list->setFixedSize(240, FlatList::SnapHeight(list->ItemHeight(), 5, true));
        list->SetItemIndex(1);
        listLayout->addWidget(list);
        listLayout->addStretch();
        grid->addWidget(Group(QStringLiteral("TFlatListBox (12 items, 5 shown)"), listLayout), 1, 0);

        // Check list box with some checked.
        auto* checkLayout = new QVBoxLayout;
        checks = new TFlatCheckListBox;
        checks->SetItems({QStringLiteral("NAME"), QStringLiteral("CITY"), QStringLiteral("BIRTHDATE"),
                          QStringLiteral("BALANCE"), QStringLiteral("NOTES")});
        checks->setFixedSize(180, FlatList::SnapHeight(checks->ItemHeight(), 5, false));
        checks->SetChecked(0, true);
        checks->SetChecked(2, true);
        checks->SetChecked(3, true);
        checks->SetItemIndex(2);
        checkLayout->addWidget(checks);
        checkLayout->addStretch();
        grid->addWidget(Group(QStringLiteral("TFlatCheckListBox"), checkLayout), 1, 1);

        // Numeric and aligned edits.
        auto* numbers = new QFormLayout;
        thousands = new TNumberEdit;
        thousands->SetThousandSeparator(true);
        thousands->SetValue(1234);
        auto* binary = new TNumberEdit;
        binary->SetInputType(ItBinary);
        binary->SetValue(10);
        auto* hex = new TNumberEdit;
        hex->SetInputType(ItHexaDecimal);
        hex->SetValue(-1);
        auto* right = new TAlignEdit;
        right->SetAlignment(taRightJustify);
        right->SetText(QStringLiteral("right-aligned text"));
        for (QWidget* w : {static_cast<QWidget*>(thousands), static_cast<QWidget*>(binary),
                           static_cast<QWidget*>(hex), static_cast<QWidget*>(right)})
            w->setFixedWidth(160);
        numbers->addRow(QStringLiteral("Decimal, 1234:"), thousands);
        numbers->addRow(QStringLiteral("Binary, 10:"), binary);
        numbers->addRow(QStringLiteral("Hexadecimal, -1:"), hex);
        numbers->addRow(QStringLiteral("TAlignEdit:"), right);
        numberBox = Group(QStringLiteral("TNumberEdit / TAlignEdit"), numbers);
        grid->addWidget(numberBox, 1, 2);

        // Font combo box.
        auto* fontLayout = new QVBoxLayout;
        fonts = new TFontComboBox;
        fonts->SetUseFonts(true);
        fonts->SetFontName(QStringLiteral("DejaVu Sans"));
        fonts->setMinimumWidth(200);
        fontLayout->addWidget(fonts);
        fontLayout->addStretch();
        grid->addWidget(Group(QStringLiteral("TFontComboBox"), fontLayout), 2, 0);

        // Speed buttons: a group of three with one down, a flat one and a disabled one.
        auto* buttons = new QHBoxLayout;
        const char* captions[] = {"Bold", "Italic", "Under"};
        for (int i = 0; i < 3; ++i) {
            auto* b = new TRxSpeedButton;
            b->SetGlyph(Glyph(i));
            b->SetCaption(QString::fromLatin1(captions[i]));
            b->SetGroupIndex(1);
            b->setFixedSize(48, 40);
            if (i == 0)
                b->SetDown(true);
            buttons->addWidget(b);
        }
        buttons->addSpacing(12);
        auto* flat = new TRxSpeedButton;
        flat->SetGlyph(Glyph(3));
        flat->SetCaption(QStringLiteral("Flat"));
        flat->SetFlat(true);
        flat->setFixedSize(48, 40);
        buttons->addWidget(flat);
        auto* disabled = new TRxSpeedButton;
        disabled->SetGlyph(Glyph(4));
        disabled->SetCaption(QStringLiteral("Off"));
        disabled->setEnabled(false);
        disabled->setFixedSize(48, 40);
        buttons->addWidget(disabled);
        buttons->addStretch();
        buttonBox = Group(QStringLiteral("TRxSpeedButton (group, flat, disabled)"), buttons);
        grid->addWidget(buttonBox, 2, 1);

        // Date edit.
        auto* dateLayout = new QVBoxLayout;
        date = new TDateEdit;
        date->SetText(QStringLiteral("2024-01-05"));
        date->setFixedWidth(130);
        dateLayout->addWidget(date);
        dateLayout->addStretch();
        grid->addWidget(Group(QStringLiteral("TDateEdit"), dateLayout), 2, 2);

        grid->setRowStretch(3, 1);
    }
};

bool Save(const QPixmap& pixmap, const QString& dir, const char* name) {
    const QString path = QDir(dir).filePath(QStringLiteral("gallery-%1.png").arg(QLatin1String(name)));
    if (pixmap.isNull() || !pixmap.save(path, "PNG")) {
        std::fprintf(stderr, "controls_gallery: could not write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    app.setStyle(QStringLiteral("Fusion"));
    app.setPalette(ClassicPalette());
    QString shotDir;
    int holdMs = 0;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--screenshot") && i + 1 < args.size())
            shotDir = args[++i];
        else if (args[i] == QLatin1String("--hold") && i + 1 < args.size())
            holdMs = args[++i].toInt();
        else {
            std::fprintf(stderr, "usage: controls_gallery [--screenshot DIR [--hold MS]]\n");
            return 2;
        }
    }

    Gallery g;
    g.window.move(20, 20);
    g.window.show();
    g.window.activateWindow();
    if (shotDir.isEmpty())
        return app.exec();

    if (!QDir().mkpath(shotDir)) {
        std::fprintf(stderr, "controls_gallery: cannot make %s\n", qPrintable(shotDir));
        return 1;
    }
    int failures = 0;
    // The steps run one after the other, each once the events of the one before have been
    // handled: the memo with the focus, the font list open, the calendar dropped down.
    std::vector<std::function<void()>> steps = {
        [&] { g.memo->setFocus(Qt::OtherFocusReason); },
        [&] {
            if (!g.memo->hasFocus())
                std::fprintf(stderr, "controls_gallery: the memo did not take the focus\n");
            failures += !Save(g.window.grab(), shotDir, "window");
            failures += !Save(g.memo->grab(), shotDir, "memo");
            failures += !Save(g.list->grab(), shotDir, "listbox");
            failures += !Save(g.progressBox->grab(), shotDir, "progress");
            failures += !Save(g.numberBox->grab(), shotDir, "numedit");
            failures += !Save(g.buttonBox->grab(), shotDir, "buttons");
            g.fonts->showPopup();
        },
        [&] {
            failures += !Save(g.fonts->view()->window()->grab(), shotDir, "fontlist");
            g.fonts->hidePopup();
            g.date->DropDown(false);
        },
        [&] {
            TPopupWindow* popup = g.date->Popup();
            if (!popup || !popup->isVisible()) {
                std::fprintf(stderr, "controls_gallery: the calendar did not drop down\n");
                ++failures;
            } else {
                failures += !Save(popup->grab(), shotDir, "calendar");
            }
            failures += !Save(g.date->grab(), shotDir, "dateedit");
            // The whole screen, with the calendar over the window (not every platform can).
            if (QScreen* screen = QGuiApplication::primaryScreen()) {
                const QPixmap all = screen->grabWindow(0);
                if (!all.isNull())
                    Save(all, shotDir, "screen");
            }
            QTimer::singleShot(holdMs, &app, [&] { app.exit(failures ? 1 : 0); });
        },
    };
    size_t next = 0;
    std::function<void()> runNext = [&] {
        steps[next++]();
        if (next < steps.size())
            QTimer::singleShot(300, &g.window, runNext);
    };
    QTimer::singleShot(300, &g.window, runNext);
    return app.exec();
}
