#include "common/option.h"

#include "common/inifile.h"
#include "common/programfiles.h"

#include <string>

TOption* Option = nullptr;
std::function<void()> OnOptionsApplied;

namespace {

const char* const SecConfirm = "CONFIRMBOX";
const char* const SecInterface = "INTERFACE";
const char* const SecView = "VIEWCONTROL";
const char* const SecSaveAs = "SAVEAS";
const char* const SecOther = "OTHER";

// Names and set names are kept as UTF-8 so font names of any script survive.
std::string ToIni(const QString& s) { return s.toUtf8().toStdString(); }
QString FromIni(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

std::string SpeedSection(int n) { return "SpeedSetting" + std::to_string(n); }

// A colour the options dialog offers: a red-green-blue value, or one of the system colours
// it names (every index up to the menu bar's but 25, which names none).
bool IsChoosableColor(TColor c) {
    if (c >= 0) return c <= 0x00FFFFFF;
    const uint32_t index = static_cast<uint32_t>(c) ^ 0x80000000u;
    return index <= uint32_t(COLOR_MENUBAR) && index != 25;
}

// An integer value of the file, or `def` when it lies outside what the options dialog allows.
TColor ReadColor(const TIniFile& ini, const std::string& sec, const char* key, TColor def) {
    const TColor c = ini.ReadInteger(sec, key, def);
    return IsChoosableColor(c) ? c : def;
}

// The ten interface keys shared by INTERFACE and the speed-setting sections.
void ReadLook(const TIniFile& ini, const std::string& sec, TOptionInterface& v) {
    const TOptionInterface d;
    v.MenuSelectBorderColor = ReadColor(ini, sec, "MENU_SELECTBORDERCOLOR", d.MenuSelectBorderColor);
    v.MenuSelectColor = ReadColor(ini, sec, "MENU_SELECTCOLOR", d.MenuSelectColor);
    v.MenuSelectFontColor = ReadColor(ini, sec, "MENU_SELECTFONTCOLOR", d.MenuSelectFontColor);
    v.MenuSeparatorColor = ReadColor(ini, sec, "MENU_SEPARATORCOLOR", d.MenuSeparatorColor);
    v.LvBkColor = ReadColor(ini, sec, "LV_BKCOLOR", d.LvBkColor);
    v.LvFontColor = ReadColor(ini, sec, "LV_FONT_COLOR", d.LvFontColor);
    v.LvFontSize = ini.ReadInteger(sec, "LV_FONT_SIZE", d.LvFontSize);
    if (v.LvFontSize < MinFontSize || v.LvFontSize > MaxFontSize) v.LvFontSize = d.LvFontSize;
    v.LvFontFace = FromIni(ini.ReadString(sec, "LV_FONT_FACE", ToIni(d.LvFontFace)));
    v.LvAlterColor1 = ReadColor(ini, sec, "LV_ALTERCOLOR_1", d.LvAlterColor1);
    v.LvAlterColor2 = ReadColor(ini, sec, "LV_ALTERCOLOR_2", d.LvAlterColor2);
}

bool WriteLook(TIniFile& ini, const std::string& sec, const TOptionInterface& v) {
    bool ok = ini.WriteInteger(sec, "MENU_SELECTBORDERCOLOR", v.MenuSelectBorderColor);
    ok = ini.WriteInteger(sec, "MENU_SELECTCOLOR", v.MenuSelectColor) && ok;
    ok = ini.WriteInteger(sec, "MENU_SELECTFONTCOLOR", v.MenuSelectFontColor) && ok;
    ok = ini.WriteInteger(sec, "MENU_SEPARATORCOLOR", v.MenuSeparatorColor) && ok;
    ok = ini.WriteInteger(sec, "LV_BKCOLOR", v.LvBkColor) && ok;
    ok = ini.WriteInteger(sec, "LV_FONT_COLOR", v.LvFontColor) && ok;
    ok = ini.WriteInteger(sec, "LV_FONT_SIZE", v.LvFontSize) && ok;
    ok = ini.WriteString(sec, "LV_FONT_FACE", ToIni(v.LvFontFace)) && ok;
    ok = ini.WriteInteger(sec, "LV_ALTERCOLOR_1", v.LvAlterColor1) && ok;
    ok = ini.WriteInteger(sec, "LV_ALTERCOLOR_2", v.LvAlterColor2) && ok;
    return ok;
}

}  // namespace

TOption::TOption() = default;
TOption::~TOption() = default;

void TOption::SetDefault() {
    AlwayShowStop = AlwayShowQuit = AlwayShowClose = AlwayShowCut = AlwayShowEdit = true;
    AlwayShowEditOk = AlwayShowAppendOk = AlwayShowInsertOk = AlwayShowDelSelRec = true;
    AlwayShowTruncate = AlwayShowZap = AlwayShowTipOfTheDay = AlwayShowSucceed = true;
    SetInterface(TOptionInterface());
    ViewControlToolbar = ViewControlStatusBar = ViewControlExplorerBar = true;
    ViewControlFileInfos = ViewMemo = false;
    CloseWhenJobDone = false;
    OpenWhenJobDone = true;
    HotTrack = false;
    GridLines = WelcomePage = true;
}

TOptionInterface TOption::GetInterface() const {
    TOptionInterface v;
    v.SpeedSetting = SpeedSetting;
    v.MenuSelectBorderColor = MenuSelectBorderColor;
    v.MenuSelectColor = MenuSelectColor;
    v.MenuSelectFontColor = MenuSelectFontColor;
    v.MenuSeparatorColor = MenuSeparatorColor;
    v.LvBkColor = LvBkColor;
    v.LvFontColor = LvFontColor;
    v.LvFontSize = LvFontSize;
    v.LvFontFace = LvFontFace;
    v.LvAlterColor1 = LvAlterColor1;
    v.LvAlterColor2 = LvAlterColor2;
    return v;
}

void TOption::SetInterface(const TOptionInterface& v) {
    SpeedSetting = v.SpeedSetting;
    MenuSelectBorderColor = v.MenuSelectBorderColor;
    MenuSelectColor = v.MenuSelectColor;
    MenuSelectFontColor = v.MenuSelectFontColor;
    MenuSeparatorColor = v.MenuSeparatorColor;
    LvBkColor = v.LvBkColor;
    LvFontColor = v.LvFontColor;
    LvFontSize = v.LvFontSize;
    LvFontFace = v.LvFontFace;
    LvAlterColor1 = v.LvAlterColor1;
    LvAlterColor2 = v.LvAlterColor2;
}

void TOption::Load() { Load(vx::OptionsIniPath()); }

void TOption::Load(const std::string& fileName) {
    IniFile = std::make_unique<TIniFile>(fileName);
    const TIniFile& ini = *IniFile;
    const TOption d;  // defaults
    AlwayShowStop = ini.ReadBool(SecConfirm, "AlwayShowStop", d.AlwayShowStop);
    AlwayShowQuit = ini.ReadBool(SecConfirm, "AlwayShowQuit", d.AlwayShowQuit);
    AlwayShowClose = ini.ReadBool(SecConfirm, "AlwayShowClose", d.AlwayShowClose);
    AlwayShowCut = ini.ReadBool(SecConfirm, "AlwayShowCut", d.AlwayShowCut);
    AlwayShowEdit = ini.ReadBool(SecConfirm, "AlwayShowEdit", d.AlwayShowEdit);
    AlwayShowEditOk = ini.ReadBool(SecConfirm, "AlwayShowEditOk", d.AlwayShowEditOk);
    AlwayShowAppendOk = ini.ReadBool(SecConfirm, "AlwayShowAppendOk", d.AlwayShowAppendOk);
    AlwayShowInsertOk = ini.ReadBool(SecConfirm, "AlwayShowInsertOk", d.AlwayShowInsertOk);
    AlwayShowDelSelRec = ini.ReadBool(SecConfirm, "AlwayShowDelSelRec", d.AlwayShowDelSelRec);
    AlwayShowTruncate = ini.ReadBool(SecConfirm, "AlwayShowTruncate", d.AlwayShowTruncate);
    AlwayShowZap = ini.ReadBool(SecConfirm, "AlwayShowZap", d.AlwayShowZap);
    AlwayShowTipOfTheDay = ini.ReadBool(SecConfirm, "AlwayShowTipOfTheDay", d.AlwayShowTipOfTheDay);
    AlwayShowSucceed = ini.ReadBool(SecConfirm, "AlwayShowSucceed", d.AlwayShowSucceed);

    TOptionInterface look;
    look.SpeedSetting = ini.ReadInteger(SecInterface, "SPEEDSETTING", d.SpeedSetting);
    ReadLook(ini, SecInterface, look);
    SetInterface(look);

    ViewControlToolbar = ini.ReadBool(SecView, "VIEW_CONTROL_TOOLBAR", d.ViewControlToolbar);
    ViewControlStatusBar = ini.ReadBool(SecView, "VIEW_CONTROL_STATUSBAR", d.ViewControlStatusBar);
    ViewControlExplorerBar = ini.ReadBool(SecView, "VIEW_CONTROL_EXPLORERBAR", d.ViewControlExplorerBar);
    ViewControlFileInfos = ini.ReadBool(SecView, "VIEW_CONTROL_FILEINFOS", d.ViewControlFileInfos);
    ViewMemo = ini.ReadBool(SecView, "VIEW_MEMO", d.ViewMemo);

    CloseWhenJobDone = ini.ReadBool(SecSaveAs, "CloseWhenJobDone", d.CloseWhenJobDone);
    OpenWhenJobDone = ini.ReadBool(SecSaveAs, "OpenWhenJobDone", d.OpenWhenJobDone);

    HotTrack = ini.ReadBool(SecOther, "HotTrack", d.HotTrack);
    GridLines = ini.ReadBool(SecOther, "GridLines", d.GridLines);
    WelcomePage = ini.ReadBool(SecOther, "WelcomePage", d.WelcomePage);

    LoadSpeedSettings();
}

void TOption::LoadSpeedSettings() {
    SpeedSettingList.clear();
    if (!IniFile) return;
    for (int n = 1;; ++n) {
        std::string sec = SpeedSection(n);
        std::string name = IniFile->ReadString(sec, "SSNAME", std::string());
        if (name.empty()) break;
        TSpeedSetting s;
        s.Name = FromIni(name);
        ReadLook(*IniFile, sec, s.Interface);
        SpeedSettingList.push_back(std::move(s));
    }
}

bool TOption::Save() {
    if (!IniFile) IniFile = std::make_unique<TIniFile>(vx::OptionsIniPath());
    TIniFile& ini = *IniFile;
    TIniFile::TBatch batch(ini);  // the file is written once, whole
    bool ok = true;
    auto b = [&](const char* sec, const char* key, bool v) { ok = ini.WriteBool(sec, key, v) && ok; };
    b(SecConfirm, "AlwayShowStop", AlwayShowStop);
    b(SecConfirm, "AlwayShowQuit", AlwayShowQuit);
    b(SecConfirm, "AlwayShowClose", AlwayShowClose);
    b(SecConfirm, "AlwayShowCut", AlwayShowCut);
    b(SecConfirm, "AlwayShowEdit", AlwayShowEdit);
    b(SecConfirm, "AlwayShowEditOk", AlwayShowEditOk);
    b(SecConfirm, "AlwayShowAppendOk", AlwayShowAppendOk);
    b(SecConfirm, "AlwayShowInsertOk", AlwayShowInsertOk);
    b(SecConfirm, "AlwayShowDelSelRec", AlwayShowDelSelRec);
    b(SecConfirm, "AlwayShowTruncate", AlwayShowTruncate);
    b(SecConfirm, "AlwayShowZap", AlwayShowZap);
    b(SecConfirm, "AlwayShowTipOfTheDay", AlwayShowTipOfTheDay);
    b(SecConfirm, "AlwayShowSucceed", AlwayShowSucceed);

    ok = ini.WriteInteger(SecInterface, "SPEEDSETTING", SpeedSetting) && ok;
    ok = WriteLook(ini, SecInterface, GetInterface()) && ok;

    b(SecView, "VIEW_CONTROL_TOOLBAR", ViewControlToolbar);
    b(SecView, "VIEW_CONTROL_STATUSBAR", ViewControlStatusBar);
    b(SecView, "VIEW_CONTROL_EXPLORERBAR", ViewControlExplorerBar);
    b(SecView, "VIEW_CONTROL_FILEINFOS", ViewControlFileInfos);
    b(SecView, "VIEW_MEMO", ViewMemo);

    b(SecSaveAs, "CloseWhenJobDone", CloseWhenJobDone);
    b(SecSaveAs, "OpenWhenJobDone", OpenWhenJobDone);

    b(SecOther, "HotTrack", HotTrack);
    b(SecOther, "GridLines", GridLines);
    b(SecOther, "WelcomePage", WelcomePage);
    return batch.End() && ok;
}

int TOption::GetSpeedSettingCount() const { return static_cast<int>(SpeedSettingList.size()); }

TSpeedSetting TOption::GetSpeedSetting(int i) const {
    if (i < 0 || i >= GetSpeedSettingCount()) return TSpeedSetting();
    return SpeedSettingList[static_cast<size_t>(i)];
}

QString TOption::GetSpeedSettingName(int i) const { return GetSpeedSetting(i).Name; }

bool TOption::AddSpeedSetting(const TSpeedSetting& setting) {
    // A nameless section would end the list when it is read back.
    if (!IniFile || setting.Name.trimmed().isEmpty()) return false;
    TSpeedSetting s = setting;
    s.Interface.SpeedSetting = 0;
    std::string sec = SpeedSection(GetSpeedSettingCount() + 1);
    TIniFile::TBatch batch(*IniFile);
    bool ok = IniFile->WriteString(sec, "SSNAME", ToIni(s.Name));
    ok = WriteLook(*IniFile, sec, s.Interface) && ok;
    ok = batch.End() && ok;
    SpeedSettingList.push_back(std::move(s));
    return ok;
}
