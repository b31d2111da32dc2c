// The user's settings: one TOption for the whole run (the global `Option`), kept in
// "Options.ini" among the program's files, with the named colour-and-font sets ("speed
// settings") in sections "SpeedSetting1", "SpeedSetting2", ...
#pragma once

#include "controls/colors.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class TIniFile;

// The list font sizes the options dialog takes; a size outside them read from the file
// gives the default, as does a colour the dialog cannot choose.
inline constexpr int32_t MinFontSize = 1;
inline constexpr int32_t MaxFontSize = 999;

// The look of menus and the record list; a speed setting holds one of these.
struct TOptionInterface {
    int32_t SpeedSetting = 0;
    TColor MenuSelectBorderColor = clHighlight;   // 0x8000000D
    TColor MenuSelectColor = 0x000090FF;          // orange
    TColor MenuSelectFontColor = clMenuText;      // 0x80000007
    TColor MenuSeparatorColor = clBtnShadow;      // 0x80000010
    TColor LvBkColor = clInfoBk;                  // 0x80000018
    TColor LvFontColor = clWindowText;            // 0x80000008
    int32_t LvFontSize = 9;                       // points
    QString LvFontFace = QStringLiteral("Verdana");
    TColor LvAlterColor1 = 0x00CBF5FF;            // cream
    TColor LvAlterColor2 = 0x00EAFFFF;            // pale yellow

    bool operator==(const TOptionInterface&) const = default;
};

// A named set of interface values.
struct TSpeedSetting {
    QString Name;
    TOptionInterface Interface;

    bool operator==(const TSpeedSetting&) const = default;
};

class TOption {
public:
    // Every field holds its default; nothing is read until Load.
    TOption();
    ~TOption();
    TOption(const TOption&) = delete;
    TOption& operator=(const TOption&) = delete;

    // Opened on "Options.ini" by Load; kept for Save and AddSpeedSetting.
    std::unique_ptr<TIniFile> IniFile;

    // CONFIRMBOX: whether each question or notice is shown.
    bool AlwayShowStop = true;
    bool AlwayShowQuit = true;
    bool AlwayShowClose = true;
    bool AlwayShowCut = true;
    bool AlwayShowEdit = true;
    bool AlwayShowEditOk = true;
    bool AlwayShowAppendOk = true;
    bool AlwayShowInsertOk = true;
    bool AlwayShowDelSelRec = true;
    bool AlwayShowTruncate = true;
    bool AlwayShowZap = true;
    bool AlwayShowTipOfTheDay = true;
    bool AlwayShowSucceed = true;

    // INTERFACE (the fields of TOptionInterface, in its order).
    int32_t SpeedSetting = 0;
    TColor MenuSelectBorderColor = clHighlight;
    TColor MenuSelectColor = 0x000090FF;
    TColor MenuSelectFontColor = clMenuText;
    TColor MenuSeparatorColor = clBtnShadow;
    TColor LvBkColor = clInfoBk;
    TColor LvFontColor = clWindowText;
    int32_t LvFontSize = 9;
    QString LvFontFace = QStringLiteral("Verdana");
    TColor LvAlterColor1 = 0x00CBF5FF;
    TColor LvAlterColor2 = 0x00EAFFFF;

    // VIEWCONTROL: bars and panes shown, memo texts shown.
    bool ViewControlToolbar = true;
    bool ViewControlStatusBar = true;
    bool ViewControlExplorerBar = true;
    bool ViewControlFileInfos = false;
    bool ViewMemo = false;

    // SAVEAS: what happens when a save-as job is done.
    bool CloseWhenJobDone = false;
    bool OpenWhenJobDone = true;

    // OTHER: record list behaviour and the welcome page.
    bool HotTrack = false;
    bool GridLines = true;
    bool WelcomePage = true;

    // The named sets, in section order.
    std::vector<TSpeedSetting> SpeedSettingList;

    // Every field from AlwayShowStop to WelcomePage to its default; the sets stay.
    void SetDefault();
    // Opens "Options.ini" among the program's files (or the given file) and reads every key;
    // a missing file or key gives the default.
    void Load();
    void Load(const std::string& fileName);
    // Reads the sets "SpeedSetting1", "SpeedSetting2", ... up to the first without a name.
    void LoadSpeedSettings();
    // Writes every key of the five sections (never the sets); false when the file could not be
    // written (nothing is reported to the user).
    bool Save();

    int GetSpeedSettingCount() const;
    // Set i (0-based); an empty set when i is out of range.
    TSpeedSetting GetSpeedSetting(int i) const;
    QString GetSpeedSettingName(int i) const;
    // Writes the set as the next "SpeedSetting%d" section and appends it to the list, so a
    // further set saved in the same run gets the following number. A set without a name, or
    // before Load, is refused.
    bool AddSpeedSetting(const TSpeedSetting& setting);

    // The INTERFACE fields as one record, and back.
    TOptionInterface GetInterface() const;
    void SetInterface(const TOptionInterface& value);
};

// The settings of the run: created and loaded at start-up, saved and freed when the main window
// closes.
extern TOption* Option;

// Called by the options dialog after OK has put its values into `Option`; the main window sets
// it to re-apply the settings to itself.
extern std::function<void()> OnOptionsApplied;
