#include "mainwindow/formoptions.h"

#include "common/msgbox.h"
#include "controls/xpmenu.h"
#include "imaging/jpegimage.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QFontDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>
#include <charconv>

namespace {

struct NamedColor {
    TColor Color;
    const char* Name;
};

const NamedColor NamedColors[] = {
    {clBlack, "Black"}, {clMaroon, "Maroon"}, {clGreen, "Green"}, {clOlive, "Olive"}, {clNavy, "Navy"},
    {clPurple, "Purple"}, {clTeal, "Teal"}, {clGray, "Gray"}, {clSilver, "Silver"}, {clRed, "Red"},
    {clLime, "Lime"}, {clYellow, "Yellow"}, {clBlue, "Blue"}, {clFuchsia, "Fuchsia"}, {clAqua, "Aqua"},
    {clWhite, "White"}, {clMoneyGreen, "Money Green"}, {clSkyBlue, "Sky Blue"}, {clCream, "Cream"},
    {clMedGray, "Medium Gray"}, {clScrollBar, "Scroll Bar"}, {clBackground, "Background"},
    {clActiveCaption, "Active Caption"}, {clInactiveCaption, "Inactive Caption"}, {clMenu, "Menu"},
    {clWindow, "Window"}, {clWindowFrame, "Window Frame"}, {clMenuText, "Menu Text"},
    {clWindowText, "Window Text"}, {clCaptionText, "Caption Text"}, {clActiveBorder, "Active Border"},
    {clInactiveBorder, "Inactive Border"}, {clAppWorkSpace, "Application Workspace"},
    {clHighlight, "Highlight"}, {clHighlightText, "Highlight Text"}, {clBtnFace, "Button Face"},
    {clBtnShadow, "Button Shadow"}, {clGrayText, "Gray Text"}, {clBtnText, "Button Text"},
    {clInactiveCaptionText, "Inactive Caption Text"}, {clBtnHighlight, "Button Highlight"},
    {cl3DDkShadow, "3D Dark Shadow"}, {cl3DLight, "3D Light"}, {clInfoText, "Info Text"},
    {clInfoBk, "Info Background"}, {clHotLight, "Hot Light"},
    {clGradientActiveCaption, "Gradient Active Caption"},
    {clGradientInactiveCaption, "Gradient Inactive Caption"}, {clMenuHighlight, "Menu Highlight"},
    {clMenuBar, "Menu Bar"},
};

QIcon Swatch(TColor color) {
    QPixmap pm(16, 12);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.fillRect(0, 0, 16, 12, ToQColor(color));
    p.setPen(Qt::black);
    p.drawRect(0, 0, 15, 11);
    return QIcon(pm);
}

QPushButton* Button(const QString& text, QWidget* parent) {
    auto* b = new QPushButton(text, parent);
    b->setAutoDefault(false);
    return b;
}

QCheckBox* Check(const QString& text, const char* name, QWidget* parent) {
    auto* c = new QCheckBox(text, parent);
    c->setObjectName(QString::fromLatin1(name));
    return c;
}

template <class T>
T* Named(T* w, const char* name) {
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

const QString SpeedSettingNew = QStringLiteral("------");

}  // namespace

// ---------------------------------------------------------------------------------------------
// TColorBox

std::function<bool(QWidget*, TColor&)> TColorBox::AskColor = [](QWidget* parent, TColor& color) {
    QColor c = QColorDialog::getColor(ToQColor(color), parent, QString(), QColorDialog::DontUseNativeDialog);
    if (!c.isValid()) return false;
    color = FromQColor(c);
    return true;
};

TColorBox::TColorBox(QWidget* parent) : QComboBox(parent) {
    addItem(Swatch(clBlack), QStringLiteral("Custom..."), QVariant(static_cast<int>(clBlack)));
    for (const auto& nc : NamedColors)
        addItem(Swatch(nc.Color), QString::fromLatin1(nc.Name), QVariant(static_cast<int>(nc.Color)));
    setMaxVisibleItems(16);
    setCurrentIndex(1);
    previous_ = 1;
    connect(this, &QComboBox::activated, this, &TColorBox::Activated);
}

TColor TColorBox::Selected() const {
    int i = currentIndex();
    return i < 0 ? clBlack : static_cast<TColor>(itemData(i).toInt());
}

void TColorBox::SetCustom(TColor color) {
    setItemData(0, QVariant(static_cast<int>(color)));
    setItemIcon(0, Swatch(color));
}

void TColorBox::SetSelected(TColor color) {
    int found = -1;
    for (int i = 1; i < count(); ++i)
        if (static_cast<TColor>(itemData(i).toInt()) == color) {
            found = i;
            break;
        }
    if (found < 0) {
        SetCustom(color);
        found = 0;
    }
    setCurrentIndex(found);
    previous_ = found;
}

void TColorBox::Activated(int index) {
    if (index == 0) {
        TColor c = static_cast<TColor>(itemData(0).toInt());
        if (!AskColor || !AskColor(this, c)) {
            setCurrentIndex(previous_);
            return;
        }
        SetCustom(c);
    }
    previous_ = index;
    emit ColorChanged(Selected());
}

// ---------------------------------------------------------------------------------------------
// TFormEditSpeedName

TFormEditSpeedName::TFormEditSpeedName(QWidget* owner) : TFormAlphaShow(owner) {
    setObjectName(QStringLiteral("FormEditSpeedName"));
    setWindowTitle(QStringLiteral("Speed Setting Name"));
    XPMenu1 = new TXPMenu(this);
    EditSSName = Named(new QLineEdit(this), "EditSSName");
    EditSSName->setMinimumWidth(240);
    BitBtn1 = Named(Button(QStringLiteral("OK"), this), "BitBtn1");
    BitBtn2 = Named(Button(QStringLiteral("Cancel"), this), "BitBtn2");
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);
    auto* lay = new QVBoxLayout(this);
    lay->addWidget(EditSSName);
    lay->addLayout(buttons);
    lay->setSizeConstraint(QLayout::SetFixedSize);
    connect(BitBtn1, &QPushButton::clicked, this, &TFormEditSpeedName::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
    EditSSName->setFocus();
    XPMenu1->SetActive(true);
}

QString TFormEditSpeedName::SpeedName() const { return EditSSName->text().trimmed(); }

void TFormEditSpeedName::BitBtn1Click() {
    QString name = SpeedName();
    QString problem;
    if (name.isEmpty()) problem = QStringLiteral("Speed setting name not allow null value!");
    else if (name == SpeedSettingNew) problem = QStringLiteral("Speed setting name not allow \"------\"!");
    if (!problem.isEmpty()) {
        MsgBox(QStringLiteral("Error"), problem, TMsgBoxIcon::Warning, TMsgBoxButtons::OK, false, false, 30, 30, this);
        EditSSName->setFocus();
        return;
    }
    accept();
}

// ---------------------------------------------------------------------------------------------
// TFormOptions

std::function<bool(QWidget*, QString&, int32_t&)> TFormOptions::AskFont = [](QWidget* parent, QString& face,
                                                                              int32_t& size) {
    QFont initial(face);
    initial.setPointSize(size);
    bool ok = false;
    QFont f = QFontDialog::getFont(&ok, initial, parent, QString(), QFontDialog::DontUseNativeDialog);
    if (!ok) return false;
    face = f.family();
    size = f.pointSize() > 0 ? f.pointSize() : size;
    return true;
};

TFormOptions::TFormOptions(QWidget* owner) : TFormAlphaShow(owner) {
    setObjectName(QStringLiteral("FormOptions"));
    setWindowTitle(QStringLiteral("Options"));
    XPMenu1 = new TXPMenu(this);

    PageControl = Named(new QTabWidget(this), "PageControl1");

    // Color
    auto* color = new QWidget;
    auto* grid = new QGridLayout(color);
    int row = 0;
    auto addColor = [&](TColorBox*& box, const char* name, const char* caption) {
        box = Named(new TColorBox(color), name);
        auto* label = new QLabel(QString::fromLatin1(caption), color);
        label->setBuddy(box);
        grid->addWidget(label, row, 0);
        grid->addWidget(box, row, 1);
        ++row;
    };
    addColor(cbSelectBorderColor, "cbSelectBorderColor", "Menu select border color:");
    addColor(cbSelectColor, "cbSelectColor", "Menu select color:");
    addColor(cbSelectFontColor, "cbSelectFontColor", "Menu select font color:");
    addColor(cbSeparatorColor, "cbSeparatorColor", "Menu separator color:");
    addColor(cbLvBkColor, "cbLvBkColor", "Listview background color:");
    addColor(cbLvFontColor, "cbLvFontColor", "Listview font color:");

    cbLvFontSize = Named(new QLineEdit(color), "cbLvFontSize");
    ButtonFontSize = Named(Button(QStringLiteral(">"), color), "ButtonFontSize");
    cbLvFontFace = Named(new QLineEdit(color), "cbLvFontFace");
    ButtonFontFace = Named(Button(QStringLiteral(">"), color), "ButtonFontFace");
    for (QPushButton* b : {ButtonFontSize, ButtonFontFace}) b->setFixedWidth(b->sizeHint().height() + 4);
    auto addEdit = [&](QLineEdit* edit, QPushButton* button, const char* caption) {
        auto* label = new QLabel(QString::fromLatin1(caption), color);
        label->setBuddy(edit);
        grid->addWidget(label, row, 0);
        auto* h = new QHBoxLayout;
        h->addWidget(edit);
        h->addWidget(button);
        grid->addLayout(h, row, 1);
        ++row;
    };
    addEdit(cbLvFontSize, ButtonFontSize, "Listview font size:");
    addEdit(cbLvFontFace, ButtonFontFace, "Listview font face:");
    addColor(cbLvAlterColor1, "cbLvAlterColor1", "Listview alter color 1:");
    addColor(cbLvAlterColor2, "cbLvAlterColor2", "Listview alter color 2:");

    cbSpeedSetting = Named(new QComboBox(color), "cbSpeedSetting");
    cbSpeedSetting->setMinimumWidth(150);
    BtnSaveToSS = Named(Button(QStringLiteral("Save to Speed Setting"), color), "BtnSaveToSS");
    {
        auto* label = new QLabel(QStringLiteral("Speed setting:"), color);
        label->setBuddy(cbSpeedSetting);
        grid->addWidget(label, row, 0);
        auto* h = new QHBoxLayout;
        h->addWidget(cbSpeedSetting, 1);
        h->addWidget(BtnSaveToSS);
        grid->addLayout(h, row, 1);
        ++row;
    }
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(row, 1);
    PageControl->addTab(color, QStringLiteral("Color"));

    // Box
    auto* box = new QWidget;
    auto* boxLay = new QVBoxLayout(box);
    CBoxEditOk = Check(QStringLiteral("Alway Show EditOk"), "CBoxEditOk", box);
    CBoxAppendOk = Check(QStringLiteral("Alway Show AppendOk"), "CBoxAppendOk", box);
    CBoxInsertOk = Check(QStringLiteral("Alway Show InsertOk"), "CBoxInsertOk", box);
    CBoxSucceed = Check(QStringLiteral("Alway Show Succeed"), "CBoxSucceed", box);
    for (QCheckBox* c : {CBoxEditOk, CBoxAppendOk, CBoxInsertOk, CBoxSucceed}) boxLay->addWidget(c);
    GroupBoxConfirm = Named(new QGroupBox(QStringLiteral("Alway Show Confirm Dialog Box When..."), box), "GroupBox1");
    auto* groupLay = new QGridLayout(GroupBoxConfirm);
    CBoxDelSelRec = Check(QStringLiteral("Delete selected records"), "CBoxDelSelRec", GroupBoxConfirm);
    CBoxStop = Check(QStringLiteral("Stop work"), "CBoxStop", GroupBoxConfirm);
    CBoxQuit = Check(QStringLiteral("Quit application"), "CBoxQuit", GroupBoxConfirm);
    CBoxCut = Check(QStringLiteral("Cut records"), "CBoxCut", GroupBoxConfirm);
    CBoxEdit = Check(QStringLiteral("Edit record"), "CBoxEdit", GroupBoxConfirm);
    CBoxClose = Check(QStringLiteral("Close Document"), "CBoxClose", GroupBoxConfirm);
    {
        int i = 0;
        for (QCheckBox* c : {CBoxDelSelRec, CBoxStop, CBoxQuit, CBoxCut, CBoxEdit, CBoxClose}) {
            groupLay->addWidget(c, i % 3, i / 3);
            ++i;
        }
    }
    boxLay->addWidget(GroupBoxConfirm);
    CBoxTipOfTheDay = Check(QStringLiteral("Show tips on startup"), "CBoxTipOfTheDay", box);
    boxLay->addWidget(CBoxTipOfTheDay);
    boxLay->addStretch();
    PageControl->addTab(box, QStringLiteral("Box"));

    auto checkPage = [&](std::initializer_list<QCheckBox**> boxes, std::initializer_list<const char*> captions,
                         std::initializer_list<const char*> names, const char* title) {
        auto* page = new QWidget;
        auto* lay = new QVBoxLayout(page);
        auto cap = captions.begin();
        auto nm = names.begin();
        for (QCheckBox** b : boxes) {
            *b = Check(QString::fromLatin1(*cap++), *nm++, page);
            lay->addWidget(*b);
        }
        lay->addStretch();
        PageControl->addTab(page, QString::fromLatin1(title));
    };
    checkPage({&CBoxTB, &CBoxSB, &CBoxEB, &CBoxFV, &cbMemo},
              {"ToolBar", "StatusBar", "ExplorerBar", "FileinfosView", "Memo"},
              {"CBoxTB", "CBoxSB", "CBoxEB", "CBoxFV", "cbMemo"}, "View");
    checkPage({&cbCloseWhenJobDone, &cbOpenWhenJobDone},
              {"Close progress dialog when \"save as\" job done", "Open the output file when \"save as\" job done"},
              {"cbCloseWhenJobDone", "cbOpenWhenJobDone"}, "Save As");
    checkPage({&cbHotTrack, &cbGridLines, &cbWelcomePage}, {"Hot Track", "Grid Lines", "Welcome Page"},
              {"cbHotTrack", "cbGridLines", "cbWelcomePage"}, "Other");

    // The picture beside the pages; without it the pages take the room.
    Image1 = Named(new QLabel(this), "Image1");
    QImage picture = LoadJpegFile(QStringLiteral(":/pictures/options.jpg"));
    if (!picture.isNull()) Image1->setPixmap(QPixmap::fromImage(picture));
    else Image1->hide();
    Image1->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

    BitBtn1 = Named(Button(QStringLiteral("OK"), this), "BitBtn1");
    BitBtn2 = Named(Button(QStringLiteral("Cancel"), this), "BitBtn2");
    BtnDefault = Named(Button(QStringLiteral("Default"), this), "BtnDefault");
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(BtnDefault);
    buttons->addStretch();
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);

    auto* top = new QHBoxLayout;
    top->addWidget(Image1);
    top->addWidget(PageControl, 1);
    auto* lay = new QVBoxLayout(this);
    lay->addLayout(top, 1);
    lay->addLayout(buttons);

    connect(cbSpeedSetting, &QComboBox::currentIndexChanged, this, &TFormOptions::cbSpeedSettingChange);
    connect(BtnSaveToSS, &QPushButton::clicked, this, &TFormOptions::BtnSaveToSSClick);
    connect(ButtonFontSize, &QPushButton::clicked, this, &TFormOptions::ButtonFontSizeClick);
    connect(ButtonFontFace, &QPushButton::clicked, this, &TFormOptions::ButtonFontSizeClick);
    connect(BtnDefault, &QPushButton::clicked, this, &TFormOptions::BtnDefaultClick);
    connect(BitBtn1, &QPushButton::clicked, this, &TFormOptions::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);

    UpdateValue();
    UpdateCBSpeedSetting();
    XPMenu1->SetActive(true);
}

void TFormOptions::ShowInterface(const TOptionInterface& look) {
    cbSelectBorderColor->SetSelected(look.MenuSelectBorderColor);
    cbSelectColor->SetSelected(look.MenuSelectColor);
    cbSelectFontColor->SetSelected(look.MenuSelectFontColor);
    cbSeparatorColor->SetSelected(look.MenuSeparatorColor);
    cbLvBkColor->SetSelected(look.LvBkColor);
    cbLvFontColor->SetSelected(look.LvFontColor);
    cbLvFontSize->setText(QString::number(look.LvFontSize));
    cbLvFontFace->setText(look.LvFontFace);
    cbLvAlterColor1->SetSelected(look.LvAlterColor1);
    cbLvAlterColor2->SetSelected(look.LvAlterColor2);
}

TOptionInterface TFormOptions::ShownInterface(int32_t size) const {
    TOptionInterface v;
    v.MenuSelectBorderColor = cbSelectBorderColor->Selected();
    v.MenuSelectColor = cbSelectColor->Selected();
    v.MenuSelectFontColor = cbSelectFontColor->Selected();
    v.MenuSeparatorColor = cbSeparatorColor->Selected();
    v.LvBkColor = cbLvBkColor->Selected();
    v.LvFontColor = cbLvFontColor->Selected();
    v.LvFontSize = size;
    v.LvFontFace = cbLvFontFace->text();
    v.LvAlterColor1 = cbLvAlterColor1->Selected();
    v.LvAlterColor2 = cbLvAlterColor2->Selected();
    return v;
}

void TFormOptions::ShowValues(const TOption& o) {
    ShowInterface(o.GetInterface());
    CBoxEditOk->setChecked(o.AlwayShowEditOk);
    CBoxAppendOk->setChecked(o.AlwayShowAppendOk);
    CBoxInsertOk->setChecked(o.AlwayShowInsertOk);
    CBoxSucceed->setChecked(o.AlwayShowSucceed);
    CBoxDelSelRec->setChecked(o.AlwayShowDelSelRec);
    CBoxStop->setChecked(o.AlwayShowStop);
    CBoxQuit->setChecked(o.AlwayShowQuit);
    CBoxCut->setChecked(o.AlwayShowCut);
    CBoxEdit->setChecked(o.AlwayShowEdit);
    CBoxClose->setChecked(o.AlwayShowClose);
    CBoxTipOfTheDay->setChecked(o.AlwayShowTipOfTheDay);
    CBoxTB->setChecked(o.ViewControlToolbar);
    CBoxSB->setChecked(o.ViewControlStatusBar);
    CBoxEB->setChecked(o.ViewControlExplorerBar);
    CBoxFV->setChecked(o.ViewControlFileInfos);
    cbMemo->setChecked(o.ViewMemo);
    cbCloseWhenJobDone->setChecked(o.CloseWhenJobDone);
    cbOpenWhenJobDone->setChecked(o.OpenWhenJobDone);
    cbHotTrack->setChecked(o.HotTrack);
    cbGridLines->setChecked(o.GridLines);
    cbWelcomePage->setChecked(o.WelcomePage);
    update();
}

void TFormOptions::UpdateValue() {
    if (Option) ShowValues(*Option);
    else ShowValues(TOption());
}

void TFormOptions::UpdateCBSpeedSetting() {
    QSignalBlocker block(cbSpeedSetting);
    cbSpeedSetting->clear();
    if (Option)
        for (int i = 0; i < Option->GetSpeedSettingCount(); ++i) cbSpeedSetting->addItem(Option->GetSpeedSettingName(i));
    cbSpeedSetting->addItem(SpeedSettingNew);
    cbSpeedSetting->setCurrentIndex(-1);
}

void TFormOptions::cbSpeedSettingChange() {
    int i = cbSpeedSetting->currentIndex();
    if (i < 0) return;
    bool isNew = i == cbSpeedSetting->count() - 1;
    BtnSaveToSS->setEnabled(isNew);
    // A named set is shown in the colour and font controls; OK applies it like any other change.
    if (!isNew && Option && i < Option->GetSpeedSettingCount()) ShowInterface(Option->GetSpeedSetting(i).Interface);
}

bool TFormOptions::CheckFontSize(int32_t& size) {
    QByteArray text = cbLvFontSize->text().trimmed().toLatin1();
    const char* first = text.constData();
    const char* last = first + text.size();
    if (first != last && *first == '+') ++first;
    auto r = std::from_chars(first, last, size);
    if (first != last && r.ec == std::errc() && r.ptr == last && size >= MinFontSize && size <= MaxFontSize) return true;
    MsgBox(QString(), QStringLiteral("Listview font size must be a whole number from 1 to 999!"), TMsgBoxIcon::Warning, TMsgBoxButtons::OK,
           false, false, 30, 30, this);
    PageControl->setCurrentIndex(0);
    cbLvFontSize->setFocus();
    cbLvFontSize->selectAll();
    return false;
}

void TFormOptions::BtnSaveToSSClick() {
    int32_t size = 0;
    if (!CheckFontSize(size) || !Option) return;
    TFormEditSpeedName prompt(this);
    if (prompt.exec() != QDialog::Accepted) return;
    TSpeedSetting s;
    s.Name = prompt.SpeedName();
    s.Interface = ShownInterface(size);
    Option->AddSpeedSetting(s);
    UpdateCBSpeedSetting();
}

void TFormOptions::ButtonFontSizeClick() {
    int32_t size = 0;
    if (!CheckFontSize(size)) return;
    QString face = cbLvFontFace->text();
    if (!AskFont || !AskFont(this, face, size)) return;
    cbLvFontSize->setText(QString::number(size));
    cbLvFontFace->setText(face);
}

void TFormOptions::BtnDefaultClick() {
    TMsgBoxResult r = MsgBox(QString(), QStringLiteral("Set to default value?"), TMsgBoxIcon::Question, TMsgBoxButtons::YesNo, false, false,
                             30, 30, this);
    if (r.ModalResult != mrYes) return;
    TOption defaults;
    defaults.SetDefault();
    ShowValues(defaults);
}

void TFormOptions::BitBtn1Click() {
    int32_t size = 0;
    if (!CheckFontSize(size)) return;
    if (Option) {
        TOption& o = *Option;
        TOptionInterface look = ShownInterface(size);
        look.SpeedSetting = o.SpeedSetting;
        o.SetInterface(look);
        o.AlwayShowEditOk = CBoxEditOk->isChecked();
        o.AlwayShowAppendOk = CBoxAppendOk->isChecked();
        o.AlwayShowInsertOk = CBoxInsertOk->isChecked();
        o.AlwayShowSucceed = CBoxSucceed->isChecked();
        o.AlwayShowDelSelRec = CBoxDelSelRec->isChecked();
        o.AlwayShowStop = CBoxStop->isChecked();
        o.AlwayShowQuit = CBoxQuit->isChecked();
        o.AlwayShowCut = CBoxCut->isChecked();
        o.AlwayShowEdit = CBoxEdit->isChecked();
        o.AlwayShowClose = CBoxClose->isChecked();
        o.AlwayShowTipOfTheDay = CBoxTipOfTheDay->isChecked();
        o.ViewControlToolbar = CBoxTB->isChecked();
        o.ViewControlStatusBar = CBoxSB->isChecked();
        o.ViewControlExplorerBar = CBoxEB->isChecked();
        o.ViewControlFileInfos = CBoxFV->isChecked();
        o.ViewMemo = cbMemo->isChecked();
        o.CloseWhenJobDone = cbCloseWhenJobDone->isChecked();
        o.OpenWhenJobDone = cbOpenWhenJobDone->isChecked();
        o.HotTrack = cbHotTrack->isChecked();
        o.GridLines = cbGridLines->isChecked();
        o.WelcomePage = cbWelcomePage->isChecked();
        o.AlwayShowTruncate = true;
        o.AlwayShowZap = true;
    }
    if (OnOptionsApplied) OnOptionsApplied();
    accept();
}
