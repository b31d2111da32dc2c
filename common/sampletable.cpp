#include "common/sampletable.h"

#include "engine/dbf.h"
#include "platform/filestream.h"

#include <ctime>

void CreateTableFile(const std::string& path, uint8_t version, const std::vector<TTableFieldDef>& fields) {
    TDBF dbf;
    dbf.SetFileName(path);
    unsigned recordLength = 1;
    for (const auto& f : fields) {
        dbf.AddFieldDef(f.Name, f.Type, 0, f.Length, f.Decimals);
        recordLength += f.Length;
    }
    const bool backlink = version == 0x30 || version == 0x31;
    const unsigned headerLength = 32 * static_cast<unsigned>(fields.size()) + 33 + (backlink ? 263 : 0);
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    uint8_t flags = 0;
    if (backlink)
        for (const auto& f : fields)
            if (f.Type == 'M' || f.Type == 'G' || f.Type == 'P') flags = 0x02;
    dbf.SetHeader(version, static_cast<uint8_t>(tm.tm_year % 100), static_cast<uint8_t>(tm.tm_mon + 1),
                  static_cast<uint8_t>(tm.tm_mday), 0, static_cast<uint16_t>(headerLength),
                  static_cast<uint16_t>(recordLength), flags, 0);
    dbf.CreateTable();
}

void MakeSampleTable(const std::string& path, int records) {
    static const std::vector<TTableFieldDef> fields = {
        {"NAME", 'C', 24},   {"CITY", 'C', 16},   {"QTY", 'N', 8, 2}, {"WEIGHT", 'F', 10, 3},
        {"BORN", 'D', 8},    {"STAMP", 'T', 8},   {"PRICE", 'Y', 8},  {"COUNT", 'I', 4},
        {"RATIO", 'B', 8, 3}, {"ACTIVE", 'L', 1}, {"NOTES", 'M', 4},  {"LOGO", 'G', 4},
    };
    vx::DeleteFile(path);
    CreateTableFile(path, 0x30, fields);

    static const char* names[] = {"Ada Lovelace", "Alan Turing", "Grace Hopper", "Edsger Dijkstra",
                                  "Barbara Liskov", "Donald Knuth", "Frances Allen", "John Backus",
                                  "Margaret Hamilton", "Niklaus Wirth", "Ken Thompson", "Dennis Ritchie"};
    static const char* cities[] = {"London", "Manchester", "New York", "Rotterdam", "Boston", "Stanford",
                                   "Peekskill", "Philadelphia", "Paoli", "Winterthur", "New Orleans", "Bronxville"};
    static const char* notes[] = {
        "",
        "First programmer.\r\nWrote notes on the Analytical Engine.",
        "Memo texts can be long, with several lines:\r\nline two\r\nline three",
        "Bytes are shown as stored: caf\xe9, na\xefve, \xa9 and \xb1.",
    };
    TDBF dbf;
    dbf.SetFileName(path);
    dbf.Open();
    for (int i = 0; i < records; ++i) {
        dbf.Append();
        const int k = i % 12;
        dbf.FieldByName("NAME")->SetAsString(names[k]);
        dbf.FieldByName("CITY")->SetAsString(cities[(i * 5) % 12]);
        dbf.FieldByName("QTY")->SetAsFloat(i * 1.25);
        dbf.FieldByName("WEIGHT")->SetAsFloat(70.5 + i * 0.125);
        if (i % 7 != 3) {
            TDateTimeParts d;
            d.Year = 1950 + i;
            d.Month = 1 + i % 12;
            d.Day = 1 + (i * 3) % 28;
            dbf.FieldByName("BORN")->SetAsDate(d);
        }
        TDateTimeParts t;
        t.Year = 2024;
        t.Month = 1 + i % 12;
        t.Day = 1 + i % 28;
        t.Hour = (i * 5) % 24;
        t.Minute = (i * 7) % 60;
        t.Second = i % 60;
        dbf.FieldByName("STAMP")->SetAsDateTime(t);
        dbf.FieldByName("PRICE")->SetAsCurrency(int64_t(i) * 12345 - 50000);
        dbf.FieldByName("COUNT")->SetAsInteger(i * 1000 - 7);
        dbf.FieldByName("RATIO")->SetAsDouble(i / 7.0);
        dbf.FieldByName("ACTIVE")->SetAsString(i % 3 ? "T" : "F");
        const char* note = notes[i % 4];
        if (*note) dbf.SetMemo("NOTES", note);
        dbf.Post();
    }
    for (int i = 0; i < records; ++i) {
        if (i % 9 != 4) continue;
        dbf.Go(i + 1);
        dbf.SetDeleted(true);
    }
    dbf.Close();
}
