// Creating table files: the bytes written, the memo file a memo field brings along, the
// failures, the lifecycle checks, and the names of versions and types.
#include "dbftestutil.h"

#include <gtest/gtest.h>

using namespace dbftest;
namespace fs = std::filesystem;

TEST(DbfCreate, WritesHeaderDescriptorsAndTerminatorByteForByte) {
    TempDir dir;
    const std::vector<FieldDef> fields = {
        {"NAME", 'C', 10}, {"PRICE", 'N', 8, 2}, {"BORN", 'D', 8}, {"A23456789X", 'L', 1}};
    for (uint8_t version : {uint8_t(0x03), uint8_t(0x30), uint8_t(0xF5)}) {
        CreateTable(dir.Path("create.dbf"), version, fields, 124, 12, 31);
        EXPECT_EQ(ReadAll(dir.Path("create.dbf")), ExpectedHeaderArea(version, fields, 0, 124, 12, 31)) << int(version);
        EXPECT_EQ(Snapshot(dir).size(), 1u);  // no memo field: no memo file
    }
    // Opened, the descriptors get their record offsets.
    CreateTable(dir.Path("e.dbf"), 0x03, SmallFields());
    Opened t(dir.Path("e.dbf"));
    EXPECT_EQ(t.Dbf.GetRecordCount(), 0u);
    EXPECT_TRUE(t.Dbf.GetBof() && t.Dbf.GetEof());
    const uint32_t offsets[] = {1, 11, 17, 25};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(t.Dbf.GetField(i)->GetOffset(), offsets[i]);
    EXPECT_EQ(t.Dbf.GetLastUpdate(), "24.05.01");
    EXPECT_EQ(t.Dbf.GetBacklink(), "");
}

TEST(DbfCreate, MemoFieldCreatesOneMemoFileOfTheVersion) {
    TempDir dir;
    CreateTable(dir.Path("v.dbf"), 0x30, {{"NAME", 'C', 10}, {"NOTES", 'M', 4}});
    EXPECT_TRUE(fs::exists(dir.Path("v.fpt")));
    CreateTable(dir.Path("d.dbf"), 0x83, {{"NAME", 'C', 10}, {"NOTES", 'M', 10}});
    EXPECT_TRUE(fs::exists(dir.Path("d.dbt")));
    // An unknown version forms no memo file name.
    CreateTable(dir.Path("u.dbf"), 0x32, {{"NOTES", 'M', 4}});
    EXPECT_FALSE(fs::exists(dir.Path("u.fpt")) || fs::exists(dir.Path("u.dbt")));
    // A memo file in another letter case is left alone: the new one has the exact name.
    WriteAll(dir.Path("calls.FPT"), std::string(600, 'x'));
    CreateTable(dir.Path("calls.dbf"), 0x30, {{"NOTES", 'M', 4}});
    EXPECT_EQ(ReadAll(dir.Path("calls.fpt")).size(), 512u);
    EXPECT_EQ(ReadAll(dir.Path("calls.FPT")), std::string(600, 'x'));
}

TEST(DbfCreate, FailuresAndShortWritesRaiseTheStepMessage) {
    TempDir dir;
    auto attempt = [](const std::string& path) {
        TDBF dbf;
        dbf.SetFileName(path);
        dbf.AddFieldDef("A", 'C', 0, 1, 0);
        dbf.SetHeader(0x03, 1, 1, 1, 0, 65, 2, 0, 0);
        std::string error = ErrorOf([&] { dbf.CreateTable(); });
        EXPECT_FALSE(dbf.Active);
        return error;
    };
    EXPECT_NE(attempt(dir.Path("missing/folder/x.dbf")), "(none)");
    if (fs::exists("/dev/full")) {
        EXPECT_EQ(attempt("/dev/full"), "/dev/full - Error in write DBF head structure!");
    }
    TFileSizeLimit tiny(40);
    EXPECT_EQ(attempt(dir.Path("new.dbf")), dir.Path("new.dbf") + " - Error in write DBF field type!");
}

TEST(DbfCreate, At254FieldsNoFieldMoreAndTheTableRoundTrips) {
    TempDir dir;
    TDBF dbf;
    std::vector<FieldDef> fields;
    for (int i = 0; i < 254; ++i) {
        fields.push_back({std::string("F").append(std::to_string(i)), 'C', 255});
        ASSERT_TRUE(dbf.AddFieldDef(fields.back().Name, 'C', 0, 1, 0));
    }
    EXPECT_FALSE(dbf.AddFieldDef("X", 'C', 0, 1, 0));
    EXPECT_EQ(dbf.FieldCount, 254);
    CreateTable(dir.Path("max.dbf"), 0x30, fields);
    Opened t(dir.Path("max.dbf"));
    EXPECT_EQ(t.Dbf.FieldCount, 254);
    EXPECT_EQ(t.Dbf.GetRecordLength(), 1 + 254 * 255);
    EXPECT_EQ(t.Dbf.GetFieldName(253), "F253");
}

TEST(DbfLifecycle, ChecksOpenAndClosedState) {
    TempDir dir;
    std::string path = MakeSmallTable(dir, 1);
    TDBF dbf;
    EXPECT_EQ(ErrorOf([&] { dbf.Go(1); }), "File not open yet!");
    EXPECT_THROW(dbf.GetRecordCount(), EDBFError);
    dbf.SetFileName(path);
    dbf.Open();
    dbf.Open();  // nothing when already open
    EXPECT_EQ(ErrorOf([&] { dbf.SetFileName("other.dbf"); }), "File already opened!");
    EXPECT_THROW(dbf.SetReadOnly(true), EDBFError);
    dbf.Close();
    EXPECT_FALSE(dbf.Active);
    EXPECT_EQ(dbf.FieldCount, 0);
    dbf.Close();  // nothing when closed
    dbf.Open();   // the same object opens again
    EXPECT_EQ(dbf.FieldCount, 4);
}

TEST(DbfNames, VersionAndTypeNames) {
    const std::pair<uint8_t, const char*> versions[] = {
        {0x03, "FoxBASE+/Dbase III plus, no memo"}, {0x30, "Visual FoxPro with memo"},
        {0x8B, "dBASE IV with memo"}, {0xF5, "FoxPro 2.x (or earlier) with memo"}, {0xFB, "FoxBASE"},
        {0x32, "Unknow type"}};
    for (const auto& [v, name] : versions) EXPECT_EQ(DbfVersionName(v), name);
    for (char c : std::string("CYNFDTBILMGP")) {
        EXPECT_FALSE(FieldTypeName(c).empty()) << c;
        EXPECT_EQ(FieldTypeFromName(FieldTypeName(c)), c);
    }
    EXPECT_EQ(FieldTypeName('C'), "Character");
    EXPECT_EQ(FieldTypeName('T'), "DateTime");
    EXPECT_EQ(FieldTypeName('V'), "");
    EXPECT_EQ(FieldTypeFromName("character"), 0);  // exact, case-sensitive
}
