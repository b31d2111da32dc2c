// What the structure tests share: a create-table host that answers with fixed file names,
// an independent reader of tables (python3-dbfread) when it is installed, and a listing of a
// folder's files with their bytes.
#pragma once

#include "editors/formcreatedbf.h"

#include <QString>

#include <filesystem>
#include <map>
#include <string>

#include "export/exportfixture.h"
#include "testutil.h"

namespace structtest {

class FixedHost : public TCreateTableHost {
public:
    QString OpenName, SaveName;
    int Closed = 0;
    QString Opened;
    QString OpenFileName(const QString&) override { return OpenName; }
    QString SaveFileName(const QString& filter) override {
        SaveFilter = filter;
        return SaveName;
    }
    void CloseDocument() override { ++Closed; }
    bool OpenTable(const QString& path) override {
        Opened = path;
        return true;
    }
    QString SaveFilter;
};

// dbfread's view of a table: "NAME:T:len:dec" per field, then "records=N", then each record's
// values joined by "|"; empty when dbfread is missing.
inline std::string ReadWithDbfread(const std::string& path) {
    const std::string py = exporttest::PythonWith("dbfread");
    if (py.empty()) return {};
    vxtest::WriteAll(path + ".py",
                     "import sys, dbfread\n"
                     "t = dbfread.DBF(sys.argv[1], load=True, char_decode_errors='replace')\n"
                     "print(' '.join('%s:%s:%d:%d' % (f.name, f.type, f.length, f.decimal_count) for f in t.fields))\n"
                     "print('records=%d' % len(t.records))\n"
                     "for r in t.records: print('|'.join(str(v) for v in r.values()))\n");
    bool ok = false;
    const std::string out = exporttest::RunCommand(py + " '" + path + ".py' '" + path + "' 2>&1", ok);
    std::filesystem::remove(path + ".py");
    return out;
}

// Every file of a folder with its bytes.
inline std::map<std::string, std::string> Snapshot(const std::filesystem::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& e : std::filesystem::directory_iterator(folder))
        files[e.path().filename().string()] = e.is_regular_file() ? vxtest::ReadAll(e.path().string()) : "<folder>";
    return files;
}

}  // namespace structtest
