// The Options dialog (colours and font of menus and the record list, the confirmations, the
// bars shown, save-as behaviour and the record list's look) and the prompt for the name of a
// new speed setting. The dialog works on a copy of the values in its controls: OK checks them,
// puts them into `Option` and calls `OnOptionsApplied`; Cancel leaves `Option` untouched.
#pragma once

#include "common/formalphashow.h"
#include "common/option.h"
#include "controls/colors.h"

#include <QComboBox>
#include <functional>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;

// A drop-down list of colours: "Custom..." (which asks for any colour), the sixteen standard
// colours, four extended ones and the system colours, each with a swatch and its name. A value
// that is none of the named colours is shown as the custom item.
class TColorBox : public QComboBox {
    Q_OBJECT
public:
    explicit TColorBox(QWidget* parent = nullptr);

    TColor Selected() const;
    void SetSelected(TColor color);

    // The dialog asking for a custom colour; tests replace it. Returns false when cancelled.
    static std::function<bool(QWidget* parent, TColor& color)> AskColor;

signals:
    // The user chose a colour.
    void ColorChanged(TColor color);

private:
    void SetCustom(TColor color);
    void Activated(int index);
    int previous_ = -1;
};

class TXPMenu;

class TFormEditSpeedName : public TFormAlphaShow {
    Q_OBJECT
public:
    explicit TFormEditSpeedName(QWidget* owner = nullptr);

    // The trimmed name typed.
    QString SpeedName() const;

    QLineEdit* EditSSName = nullptr;
    QPushButton* BitBtn1 = nullptr;  // OK
    QPushButton* BitBtn2 = nullptr;  // Cancel
    TXPMenu* XPMenu1 = nullptr;

    // Refuses an empty name and "------" with a message; otherwise closes with OK.
    void BitBtn1Click();
};

class TFormOptions : public TFormAlphaShow {
    Q_OBJECT
public:
    explicit TFormOptions(QWidget* owner = nullptr);

    QTabWidget* PageControl = nullptr;
    QLabel* Image1 = nullptr;  // picture beside the pages

    // "Color"
    TColorBox* cbSelectBorderColor = nullptr;
    TColorBox* cbSelectColor = nullptr;
    TColorBox* cbSelectFontColor = nullptr;
    TColorBox* cbSeparatorColor = nullptr;
    TColorBox* cbLvBkColor = nullptr;
    TColorBox* cbLvFontColor = nullptr;
    QLineEdit* cbLvFontSize = nullptr;
    QPushButton* ButtonFontSize = nullptr;
    QLineEdit* cbLvFontFace = nullptr;
    QPushButton* ButtonFontFace = nullptr;
    TColorBox* cbLvAlterColor1 = nullptr;
    TColorBox* cbLvAlterColor2 = nullptr;
    QComboBox* cbSpeedSetting = nullptr;
    QPushButton* BtnSaveToSS = nullptr;

    // "Box"
    QCheckBox* CBoxEditOk = nullptr;
    QCheckBox* CBoxAppendOk = nullptr;
    QCheckBox* CBoxInsertOk = nullptr;
    QCheckBox* CBoxSucceed = nullptr;
    QGroupBox* GroupBoxConfirm = nullptr;
    QCheckBox* CBoxDelSelRec = nullptr;
    QCheckBox* CBoxStop = nullptr;
    QCheckBox* CBoxQuit = nullptr;
    QCheckBox* CBoxCut = nullptr;
    QCheckBox* CBoxEdit = nullptr;
    QCheckBox* CBoxClose = nullptr;
    QCheckBox* CBoxTipOfTheDay = nullptr;

    // "View"
    QCheckBox* CBoxTB = nullptr;
    QCheckBox* CBoxSB = nullptr;
    QCheckBox* CBoxEB = nullptr;
    QCheckBox* CBoxFV = nullptr;
    QCheckBox* cbMemo = nullptr;

    // "Save As"
    QCheckBox* cbCloseWhenJobDone = nullptr;
    QCheckBox* cbOpenWhenJobDone = nullptr;

    // "Other"
    QCheckBox* cbHotTrack = nullptr;
    QCheckBox* cbGridLines = nullptr;
    QCheckBox* cbWelcomePage = nullptr;

    QPushButton* BitBtn1 = nullptr;     // OK
    QPushButton* BitBtn2 = nullptr;     // Cancel
    QPushButton* BtnDefault = nullptr;  // Default
    TXPMenu* XPMenu1 = nullptr;

    // Shows the values of `Option` in the controls.
    void UpdateValue();
    // Shows the values of `option` in the controls.
    void ShowValues(const TOption& option);
    // Fills the speed-setting list: the sets' names, then "------"; nothing selected.
    void UpdateCBSpeedSetting();

    void cbSpeedSettingChange();
    void BtnSaveToSSClick();
    void ButtonFontSizeClick();
    void BtnDefaultClick();
    void BitBtn1Click();

    // The font size typed, or false (after a warning, with the focus on the edit) when it is no
    // whole number from 1 to 999.
    bool CheckFontSize(int32_t& size);

    // The font dialog; tests replace it. Returns false when cancelled.
    static std::function<bool(QWidget* parent, QString& face, int32_t& size)> AskFont;

private:
    // The colour and font values shown, as one record.
    TOptionInterface ShownInterface(int32_t size) const;
    void ShowInterface(const TOptionInterface& look);
};
