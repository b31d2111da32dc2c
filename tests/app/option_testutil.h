// Shared by the settings tests: every stored field of TOption as one comparable text.
#pragma once

#include "app/option.h"

#include <string>

namespace {

// Every stored field flipped away from its default.
inline void ChangeEverything(TOption& o) {
    o.AlwayShowStop = o.AlwayShowQuit = o.AlwayShowClose = o.AlwayShowCut = o.AlwayShowEdit = false;
    o.AlwayShowEditOk = o.AlwayShowAppendOk = o.AlwayShowInsertOk = o.AlwayShowDelSelRec = false;
    o.AlwayShowTruncate = o.AlwayShowZap = o.AlwayShowTipOfTheDay = o.AlwayShowSucceed = false;
    o.SpeedSetting = 3;
    o.MenuSelectBorderColor = clRed, o.MenuSelectColor = clSkyBlue, o.MenuSelectFontColor = clHighlightText;
    o.MenuSeparatorColor = 0x123456, o.LvBkColor = clWhite, o.LvFontColor = clBlack, o.LvFontSize = 14;
    o.LvFontFace = QStringLiteral("DejaVu Sans Mono");
    o.LvAlterColor1 = clBlue, o.LvAlterColor2 = SysColor(COLOR_WINDOW);
    o.ViewControlToolbar = o.ViewControlStatusBar = o.ViewControlExplorerBar = o.OpenWhenJobDone = false;
    o.ViewControlFileInfos = o.ViewMemo = o.CloseWhenJobDone = o.HotTrack = true;
    o.GridLines = o.WelcomePage = false;
}

// The stored fields as one comparable text.
inline std::string Fields(const TOption& o) {
    std::string s;
    for (bool b : {o.AlwayShowStop, o.AlwayShowQuit, o.AlwayShowClose, o.AlwayShowCut, o.AlwayShowEdit,
                   o.AlwayShowEditOk, o.AlwayShowAppendOk, o.AlwayShowInsertOk, o.AlwayShowDelSelRec,
                   o.AlwayShowTruncate, o.AlwayShowZap, o.AlwayShowTipOfTheDay, o.AlwayShowSucceed,
                   o.ViewControlToolbar, o.ViewControlStatusBar, o.ViewControlExplorerBar,
                   o.ViewControlFileInfos, o.ViewMemo, o.CloseWhenJobDone, o.OpenWhenJobDone, o.HotTrack,
                   o.GridLines, o.WelcomePage})
        s += b ? '1' : '0';
    TOptionInterface v = o.GetInterface();
    for (int32_t n : {v.SpeedSetting, v.MenuSelectBorderColor, v.MenuSelectColor, v.MenuSelectFontColor,
                      v.MenuSeparatorColor, v.LvBkColor, v.LvFontColor, v.LvFontSize, v.LvAlterColor1,
                      v.LvAlterColor2})
        s += " " + std::to_string(n);
    return s + " " + v.LvFontFace.toStdString();
}

}  // namespace
