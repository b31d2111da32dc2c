#include "editors/fieldtypes.h"

#include <array>

namespace fieldtypes {

namespace {

struct TTypeEntry {
    const char* Name;
    char Letter;
};

constexpr std::array<TTypeEntry, TypeCount> Types{{{"Character", 'C'},
                                                   {"Numeric", 'N'},
                                                   {"Float", 'F'},
                                                   {"Date", 'D'},
                                                   {"Logical", 'L'},
                                                   {"Memo", 'M'},
                                                   {"General", 'G'},
                                                   {"DateTime", 'T'},
                                                   {"Integer", 'I'},
                                                   {"Currency", 'Y'},
                                                   {"Double", 'B'}}};

bool IsFoxPro(int kind) { return kind == kVisualFoxPro; }

}  // namespace

QString TypeName(int index) {
    return index >= 0 && index < TypeCount ? QString::fromLatin1(Types[size_t(index)].Name) : QString();
}

char TypeLetter(int index) { return index >= 0 && index < TypeCount ? Types[size_t(index)].Letter : 0; }

int TypeIndexOfName(const QString& name) {
    for (int i = 0; i < TypeCount; ++i)
        if (name == QLatin1String(Types[size_t(i)].Name)) return i;
    return -1;
}

QStringList KindNames() {
    return {QStringLiteral("Visual FoxPro"), QStringLiteral("FoxPro 2.x"), QStringLiteral("FoxBASE+/DBaseIII plus"),
            QStringLiteral("DBase IV")};
}

int OfferedTypeCount(int kind) {
    switch (kind) {
    case kVisualFoxPro: return TypeCount;
    case kFoxPro2: return tiGeneral + 1;
    case kFoxBase:
    case kDBase4: return tiMemo + 1;
    default: return tiLogical + 1;
    }
}

bool KindOffersType(int kind, int typeIndex) { return typeIndex >= 0 && typeIndex < OfferedTypeCount(kind); }

int DesignKindOfVersion(uint8_t version) {
    switch (version) {
    case 0x30: case 0x31: return kVisualFoxPro;
    case 0xF5: return kFoxPro2;
    case 0x43: case 0x63: case 0x8B: case 0xCB: return kDBase4;
    default: return kFoxBase;
    }
}

int TableKindOfVersion(uint8_t version) {
    switch (version) {
    case 0x30: case 0x31: return kVisualFoxPro;
    case 0xF5: return kFoxPro2;
    case 0x03: case 0x83: return kFoxBase;
    case 0x43: case 0x63: case 0x8B: case 0xCB: return kDBase4;
    default: return kOther;
    }
}

TTypeDefaults DefaultsOf(int typeIndex, int kind) {
    switch (typeIndex) {
    case tiCharacter: return {1, 0, true, false};
    case tiNumeric:
    case tiFloat: return {9, 2, true, true};
    case tiDate: return {8, 0, false, false};
    case tiLogical: return {1, 0, false, false};
    case tiMemo:
    case tiGeneral: return {IsFoxPro(kind) ? 4 : 10, 0, false, false};
    case tiDateTime: return {8, 0, false, false};
    case tiInteger: return {4, 0, false, false};
    case tiCurrency: return {8, 4, false, false};
    case tiDouble: return {8, 4, false, true};
    default: return {};
    }
}

TDesignField MapToKind(const TDesignField& field, int kind) {
    TDesignField f = field;
    const bool fox = kind == kVisualFoxPro;
    const QString numberType = kind == kFoxPro2 ? TypeName(tiFloat) : TypeName(tiNumeric);
    switch (TypeIndexOfName(field.TypeName)) {
    case tiDateTime:
        if (!fox) f.TypeName = TypeName(tiDate);
        break;
    case tiCurrency:
        if (!fox) f = {field.Name, numberType, 20, 4};
        break;
    case tiInteger:
        if (!fox) f = {field.Name, TypeName(tiNumeric), 11, 0};
        break;
    case tiDouble:
        if (!fox) f = {field.Name, numberType, 20, field.Decimals};
        break;
    case tiMemo:
        f.Width = fox ? 4 : 10;
        break;
    case tiGeneral:
        f.Width = fox ? 4 : 10;
        if (kind == kFoxBase || kind == kDBase4) f.TypeName = TypeName(tiMemo);
        break;
    default:
        break;
    }
    return f;
}

bool ShowAsKind(const TDesignField& field, int kind, TDesignField& shown, TTypeDefaults& edits) {
    const int type = TypeIndexOfName(field.TypeName);
    if (type < 0) return false;
    const bool fox = kind == kVisualFoxPro;
    const bool dbase = kind == kFoxBase || kind == kDBase4;
    const QString numberType = kind == kFoxPro2 ? TypeName(tiFloat) : TypeName(tiNumeric);
    shown = field;
    edits = {field.Width, field.Decimals, false, false};
    auto set = [&](int t, int w, int d, bool we, bool de) {
        shown = {field.Name, TypeName(t), w, d};
        edits = {w, d, we, de};
    };
    switch (type) {
    case tiCharacter: edits.WidthEnabled = true; break;
    case tiNumeric:
    case tiFloat: edits.WidthEnabled = edits.DecimalsEnabled = true; break;
    case tiMemo: set(tiMemo, fox ? 4 : 10, 0, false, false); break;
    case tiGeneral: set(dbase ? tiMemo : tiGeneral, fox ? 4 : 10, 0, false, false); break;
    case tiDateTime:
        if (!fox) shown.TypeName = TypeName(tiDate);
        break;
    case tiInteger:
        if (fox) set(tiInteger, 4, 0, false, false);
        else set(tiNumeric, 11, 0, true, true);
        break;
    case tiCurrency:
        if (fox) set(tiCurrency, 8, 4, false, false);
        else set(TypeIndexOfName(numberType), 20, 4, true, true);
        break;
    case tiDouble:
        if (fox) set(tiDouble, 8, field.Decimals, false, true);
        else set(TypeIndexOfName(numberType), 20, field.Decimals, true, true);
        break;
    default: break;  // Date, Logical: as listed, both edits closed
    }
    return true;
}

}  // namespace fieldtypes
