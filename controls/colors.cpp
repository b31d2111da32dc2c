#include "controls/colors.h"

namespace {
// The classic scheme, indexed by system colour number.
constexpr TColor kSystem[31] = {
    RGB(212, 208, 200), RGB(58, 110, 165), RGB(10, 36, 106),   RGB(128, 128, 128), RGB(212, 208, 200),
    RGB(255, 255, 255), RGB(0, 0, 0),      RGB(0, 0, 0),       RGB(0, 0, 0),       RGB(255, 255, 255),
    RGB(212, 208, 200), RGB(212, 208, 200), RGB(128, 128, 128), RGB(10, 36, 106),  RGB(255, 255, 255),
    RGB(212, 208, 200), RGB(128, 128, 128), RGB(128, 128, 128), RGB(0, 0, 0),       RGB(212, 208, 200),
    RGB(255, 255, 255), RGB(64, 64, 64),   RGB(212, 208, 200), RGB(0, 0, 0),       RGB(255, 255, 225),
    RGB(181, 181, 181), RGB(0, 0, 128),    RGB(166, 202, 240), RGB(192, 192, 192), RGB(49, 106, 197),
    RGB(212, 208, 200),
};
}  // namespace

TColor ColorToRGB(TColor color) {
    if (color < 0) {
        uint32_t index = static_cast<uint32_t>(color) & 0xFF;
        return index < 31 ? kSystem[index] : 0;
    }
    return color & 0x00FFFFFF;
}

#include <QPalette>

QPalette ClassicPalette() {
    QPalette p;
    auto set = [&](QPalette::ColorRole role, TColor c, TColor disabled = clNone) {
        p.setColor(QPalette::All, role, ToQColor(c));
        if (disabled != clNone) p.setColor(QPalette::Disabled, role, ToQColor(disabled));
    };
    set(QPalette::Window, clBtnFace);
    set(QPalette::WindowText, clWindowText, clGrayText);
    set(QPalette::Base, clWindow, clBtnFace);
    set(QPalette::AlternateBase, cl3DLight);
    set(QPalette::ToolTipBase, clInfoBk);
    set(QPalette::ToolTipText, clInfoText);
    set(QPalette::PlaceholderText, clGrayText);
    set(QPalette::Text, clWindowText, clGrayText);
    set(QPalette::Button, clBtnFace);
    set(QPalette::ButtonText, clBtnText, clGrayText);
    set(QPalette::BrightText, clWhite);
    set(QPalette::Light, clBtnHighlight);
    set(QPalette::Midlight, cl3DLight);
    set(QPalette::Mid, clBtnShadow);
    set(QPalette::Dark, clBtnShadow);
    set(QPalette::Shadow, cl3DDkShadow);
    set(QPalette::Highlight, clHighlight, clBtnShadow);
    set(QPalette::HighlightedText, clHighlightText);
    set(QPalette::Link, clHotLight);
    return p;
}
