// Helpers of the engine tests: building small tables and their expected bytes.
#pragma once

#include "engine/dbf.h"
#include "testutil.h"

#include <cstdint>
#include <string>
#include <vector>

namespace dbftest {

struct FieldDef {
    std::string Name;
    char Type;
    uint8_t Length;
    uint8_t Decimals = 0;
};

inline uint16_t HeaderLengthFor(uint8_t version, size_t fields) {
    return static_cast<uint16_t>(32 * fields + 33 + ((version == 0x30 || version == 0x31) ? 263 : 0));
}

inline uint16_t RecordLengthFor(const std::vector<FieldDef>& fields) {
    unsigned n = 1;
    for (const auto& f : fields) n += f.Length;
    return static_cast<uint16_t>(n);
}

// Creates a table file through the engine, as the program's own writers do.
inline void CreateTable(const std::string& path, uint8_t version, const std::vector<FieldDef>& fields,
                        uint8_t year = 24, uint8_t month = 5, uint8_t day = 1) {
    TDBF dbf;
    dbf.SetFileName(path);
    for (const auto& f : fields) dbf.AddFieldDef(f.Name, f.Type, 0, f.Length, f.Decimals);
    dbf.SetHeader(version, year, month, day, 0, HeaderLengthFor(version, fields.size()), RecordLengthFor(fields),
                  0, 0);
    dbf.CreateTable();
}

// The header area the engine writes for these fields (descriptor offsets 0).
inline std::string ExpectedHeaderArea(uint8_t version, const std::vector<FieldDef>& fields, uint32_t count = 0,
                                      uint8_t year = 24, uint8_t month = 5, uint8_t day = 1) {
    std::string h(32, '\0');
    h[0] = char(version);
    h[1] = char(year);
    h[2] = char(month);
    h[3] = char(day);
    for (int i = 0; i < 4; ++i) h[size_t(4 + i)] = char(count >> (8 * i));
    uint16_t hl = HeaderLengthFor(version, fields.size()), rl = RecordLengthFor(fields);
    h[8] = char(hl & 0xFF);
    h[9] = char(hl >> 8);
    h[10] = char(rl & 0xFF);
    h[11] = char(rl >> 8);
    for (const auto& f : fields) {
        std::string d(32, '\0');
        d.replace(0, f.Name.size(), f.Name);
        d[11] = f.Type;
        d[16] = char(f.Length);
        d[17] = char(f.Decimals);
        h += d;
    }
    h += '\x0D';
    if (version == 0x30 || version == 0x31) h += std::string(263, '\0');
    return h;
}

// The small table most record tests use: NAME C10, QTY N6.2, DAY D, OK L.
inline const std::vector<FieldDef>& SmallFields() {
    static const std::vector<FieldDef> f = {{"NAME", 'C', 10}, {"QTY", 'N', 6, 2}, {"DAY", 'D', 8}, {"OK", 'L', 1}};
    return f;
}

// Record bytes of SmallFields: flag, then the four fields as given (already padded).
inline std::string SmallRecord(const std::string& name, const std::string& qty = "      ",
                               const std::string& day = "        ", const std::string& ok = " ", char flag = ' ') {
    std::string n = name;
    n.resize(10, ' ');
    return std::string(1, flag) + n + qty + day + ok;
}

// A table of SmallFields whose records are named R1..Rn, written directly (no end byte).
inline std::string MakeSmallTable(const vxtest::TempDir& dir, int n, const std::string& name = "t.dbf") {
    std::string path = dir.Path(name);
    std::string bytes = ExpectedHeaderArea(0x03, SmallFields(), uint32_t(n));
    for (int i = 1; i <= n; ++i) bytes += SmallRecord(std::string("R").append(std::to_string(i)));
    vxtest::WriteAll(path, bytes);
    return path;
}

inline std::string RecordBytes(const std::string& file, uint16_t hl, uint16_t rl, int recNo) {
    return file.substr(size_t(hl) + size_t(recNo - 1) * rl, rl);
}

// Names of the records R1..Rn in the file, in order (first field, trimmed).
inline std::vector<std::string> RecordNames(const std::string& path) {
    TDBF dbf;
    dbf.SetFileName(path);
    dbf.SetReadOnly(true);
    dbf.Open();
    std::vector<std::string> out;
    uint32_t n = dbf.GetRecordCount();
    for (uint32_t r = 1; r <= n; ++r) {
        dbf.Go(r);
        out.push_back(dbf.GetField(0)->GetAsTrimmedString());
    }
    return out;
}

}  // namespace dbftest
