#include "editors/createtable.h"

#include "common/bytetext.h"
#include "common/codepage.h"
#include "editors/fieldcheck.h"
#include "engine/dbf.h"
#include "platform/filestream.h"
#include "platform/stagedfiles.h"

#include <algorithm>

using namespace fieldtypes;

namespace createtable {

namespace {

bool IsMemoType(char t) { return t == 'M' || t == 'G'; }

QString FieldMessage(const QString& name, const char* text) {
    return QStringLiteral("Field \"%1\": %2").arg(name, QString::fromLatin1(text));
}

}  // namespace

TDesignCheck CheckDesign(const std::vector<TDesignField>& design, int kind, std::vector<TFieldDef>& defs) {
    std::vector<TFieldDef> out;
    for (size_t row = 0; row < design.size(); ++row) {
        const TDesignField f = MapToKind(design[row], kind);
        const int type = TypeIndexOfName(f.TypeName);
        const int r = static_cast<int>(row);
        if (!KindOffersType(kind, type))
            return {FieldMessage(design[row].Name, "this file type has no field of its type!"), r};
        std::string name;
        fieldcheck::TCheck c = fieldcheck::CheckName(f.Name, name);
        if (!c.Ok()) return {FieldMessage(design[row].Name, "") + c.Message, r};
        for (const TFieldDef& d : out)
            if (fieldcheck::SameFieldName(d.Name, name)) return {FieldMessage(design[row].Name, "Field name already exist!"), r};
        if (f.Width < 1 || f.Width > 255 || f.Decimals < 0 || f.Decimals > 255)
            return {FieldMessage(design[row].Name, "Field width error!"), r};
        out.push_back({name, TypeLetter(type), f.Width, f.Decimals});
    }
    defs = std::move(out);
    return {};
}

THeaderValues HeaderOf(const std::vector<TFieldDef>& defs, int kind, int year, int month, int day) {
    bool memo = false;
    int recordLength = 1;
    for (const TFieldDef& d : defs) {
        memo = memo || IsMemoType(d.Type);
        recordLength += d.Width;
    }
    THeaderValues h;
    switch (kind) {
    case kVisualFoxPro: h.Version = 0x30; break;
    case kFoxPro2: h.Version = memo ? 0xF5 : 0x03; break;
    default: h.Version = memo ? 0x83 : 0x03; break;
    }
    h.Year = static_cast<uint8_t>(year % 100);
    h.Month = static_cast<uint8_t>(month);
    h.Day = static_cast<uint8_t>(day);
    h.RecordCount = 0;
    h.HeaderLength = static_cast<uint16_t>(32 * defs.size() + 33 + (kind == kVisualFoxPro ? 263 : 0));
    h.RecordLength = static_cast<uint16_t>(recordLength);
    h.Flags = kind == kVisualFoxPro && memo ? 2 : 0;
    h.CodePage = vx::OutputCodePage().TableMark;
    return h;
}

QString SaveFilter(int kind) {
    static const char* names[] = {"Visual FoxPro", "FoxPro 2.x", "FoxBASE+", "dBASE IV"};
    const char* name = names[kind >= 0 && kind < 4 ? kind : kFoxBase];
    return QString::fromLatin1(name) + QStringLiteral("(*.DBF)|*.DBF|All File(*.*)|*.*");
}

QString WithDefaultExtension(const QString& name) {
    const qsizetype slash = name.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot > slash ? name : name + QStringLiteral(".dbf");
}

// ---- The new table ----

TNewTable::~TNewTable() = default;

void TNewTable::Prepare(const std::string& path, const THeaderValues& h, const std::vector<TFieldDef>& defs) {
    Target = path;
    bool memoFields = false;
    for (const TFieldDef& d : defs) memoFields = memoFields || IsMemoType(d.Type);
    // The memo file is named exactly after the table; one that belongs to another table of the
    // folder is refused before anything is written.
    MemoTarget = memoFields ? NewMemoFileName(path, h.Version) : std::string();
    Files = std::make_unique<vx::TStagedFiles>(path);
    if (!Files->Ready()) throw EDBFError(path + " - Can not create the table file!");
    const std::string staged = Files->Path();
    try {
        TDBF dbf;
        dbf.SetFileName(staged);
        dbf.SetHeader(h.Version, h.Year, h.Month, h.Day, h.RecordCount, h.HeaderLength, h.RecordLength, h.Flags,
                      h.CodePage);
        for (const TFieldDef& d : defs)
            if (!dbf.AddFieldDef(d.Name, d.Type, 0, static_cast<uint8_t>(d.Width), static_cast<uint8_t>(d.Decimals)))
                throw EDBFError(path + " - Fields count can not more than 254.");
        dbf.CreateTable();
        dbf.Close();
        if (!MemoTarget.empty()) {
            const std::string memo = NewMemoFileName(staged, h.Version);
            if (memo.empty() || !vx::FileExists(memo)) throw EDBFError(path + " - Error in create memo file!");
        }
        // Check the result as the program will open it.
        TDBF check;
        check.SetFileName(staged);
        check.SetReadOnly(true);
        check.Open();
    } catch (const EDBFError& e) {
        // The user knows the files by the names they are to have.
        throw EDBFError(Files->Unstaged(e.what()));
    }
}

void TNewTable::Commit() {
    if (!Files || !Files->Ready()) throw EDBFError(Target + " - Can not create the table file!");
    // Only the files of exactly the new table's names are replaced: a table or memo file whose
    // name differs in letter case is another file, and is left as it is.
    const std::string failed = Files->Commit();
    if (failed.empty()) {
        Files.reset();
        return;
    }
    if (failed == MemoTarget) throw EDBFError(Target + " - Can not replace the memo file " + MemoTarget + "!");
    throw EDBFError(Target + " - Can not replace the table file!");
}

// ---- Taking a design ----

TImported ReadDesign(const std::string& path) {
    TDBF dbf;
    dbf.SetFileName(path);
    dbf.SetReadOnly(true);
    dbf.Open();
    TImported out;
    out.Kind = DesignKindOfVersion(dbf.GetVersion());
    for (int i = 0; i < dbf.FieldCount; ++i) {
        TFieldDescriptor d{};
        dbf.GetFieldDescriptor(i, d);
        size_t n = 0;
        while (n < 11 && d[n] != 0) ++n;
        const std::string name(reinterpret_cast<const char*>(d.data()), n);
        out.Fields.push_back({BytesToText(name), QString::fromStdString(FieldTypeName(static_cast<char>(d[11]))), d[16],
                              d[17]});
    }
    dbf.Close();
    return out;
}

}  // namespace createtable
