// Creating table files: the bytes written, the names of versions and types, the lifecycle
// checks, and the memo file that a memo field brings along.
#include "dbftestutil.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace dbftest;
using vxtest::ReadAll;
using vxtest::TempDir;

TEST(DbfCreate, WritesHeaderDescriptorsAndTerminatorByteForByte) {
    TempDir dir;
    for (uint8_t version : {uint8_t(0x03), uint8_t(0x30), uint8_t(0xF5)}) {
        std::vector<FieldDef> fields = {{"NAME", 'C', 10}, {"PRICE", 'N', 8, 2}, {"BORN", 'D', 8}, {"A23456789X", 'L', 1}};
        std::string path = dir.Path("create.dbf");
        CreateTable(path, version, fields, 124, 12, 31);
        std::string bytes = ReadAll(path);
        EXPECT_EQ(bytes, ExpectedHeaderArea(version, fields, 0, 124, 12, 31)) << int(version);
        // No memo field: no memo file.
        EXPECT_FALSE(std::filesystem::exists(dir.Path("create.fpt")));
        EXPECT_FALSE(std::filesystem::exists(dir.Path("create.dbt")));
    }
}

TEST(DbfCreate, CreatedTableOpensEmptyWithOffsetsRecomputed) {
    TempDir dir;
    std::string path = dir.Path("e.dbf");
    CreateTable(path, 0x03, SmallFields());
    TDBF dbf;
    dbf.SetFileName(path);
    dbf.Open();
    EXPECT_TRUE(dbf.Active);
    EXPECT_EQ(dbf.FieldCount, 4);
    EXPECT_EQ(dbf.GetRecordCount(), 0u);
    EXPECT_TRUE(dbf.GetBof());
    EXPECT_TRUE(dbf.GetEof());
    EXPECT_EQ(dbf.GetField(0)->GetOffset(), 1u);
    EXPECT_EQ(dbf.GetField(1)->GetOffset(), 11u);
    EXPECT_EQ(dbf.GetField(2)->GetOffset(), 17u);
    EXPECT_EQ(dbf.GetField(3)->GetOffset(), 25u);
    EXPECT_EQ(dbf.GetLastUpdate(), "24.05.01");
    EXPECT_EQ(dbf.GetBacklink(), "");
}

TEST(DbfCreate, MemoFieldCreatesTheMemoFileOfTheVersion) {
    TempDir dir;
    std::vector<FieldDef> fields = {{"NAME", 'C', 10}, {"NOTES", 'M', 4}};
    CreateTable(dir.Path("v.dbf"), 0x30, fields);
    EXPECT_TRUE(std::filesystem::exists(dir.Path("v.fpt")));
    std::vector<FieldDef> fields10 = {{"NAME", 'C', 10}, {"NOTES", 'M', 10}};
    CreateTable(dir.Path("d.dbf"), 0x83, fields10);
    EXPECT_TRUE(std::filesystem::exists(dir.Path("d.dbt")));
    // An unknown version forms no memo file name.
    CreateTable(dir.Path("u.dbf"), 0x32, fields);
    EXPECT_FALSE(std::filesystem::exists(dir.Path("u.fpt")));
    EXPECT_FALSE(std::filesystem::exists(dir.Path("u.dbt")));
}

TEST(DbfCreate, ExistingMemoFileInOtherLetterCaseIsReplacedNotDoubled) {
    TempDir dir;
    vxtest::WriteAll(dir.Path("calls.FPT"), std::string(600, 'x'));
    CreateTable(dir.Path("calls.dbf"), 0x30, {{"NOTES", 'M', 4}});
    EXPECT_FALSE(std::filesystem::exists(dir.Path("calls.fpt")));
    EXPECT_NE(ReadAll(dir.Path("calls.FPT")), std::string(600, 'x'));
}

TEST(DbfCreate, FailuresRaiseTheEngineError) {
    TempDir dir;
    TDBF dbf;
    dbf.SetFileName(dir.Path("missing/folder/x.dbf"));
    dbf.AddFieldDef("A", 'C', 0, 1, 0);
    dbf.SetHeader(0x03, 1, 1, 1, 0, 65, 2, 0, 0);
    EXPECT_THROW(dbf.CreateTable(), EDBFError);
    EXPECT_FALSE(dbf.Active);
}

TEST(DbfCreate, ShortWritesOnAFullDeviceRaiseTheStepMessage) {
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    TDBF dbf;
    dbf.SetFileName("/dev/full");
    dbf.AddFieldDef("A", 'C', 0, 1, 0);
    dbf.SetHeader(0x03, 1, 1, 1, 0, 65, 2, 0, 0);
    try {
        dbf.CreateTable();
        FAIL() << "no error";
    } catch (const EDBFError& e) {
        EXPECT_STREQ(e.what(), "/dev/full - Error in write DBF head structure!");
    }
}

TEST(DbfCreate, AddFieldDefStopsAt254Fields) {
    TDBF dbf;
    for (int i = 0; i < 254; ++i) ASSERT_TRUE(dbf.AddFieldDef(std::string("F").append(std::to_string(i)), 'C', 0, 1, 0));
    EXPECT_FALSE(dbf.AddFieldDef("X", 'C', 0, 1, 0));
    EXPECT_EQ(dbf.FieldCount, 254);
}

TEST(DbfCreate, MaximalTableOf254FieldsRoundTrips) {
    TempDir dir;
    std::vector<FieldDef> fields;
    for (int i = 0; i < 254; ++i) fields.push_back({std::string("F").append(std::to_string(i)), 'C', 255});
    CreateTable(dir.Path("max.dbf"), 0x30, fields);
    TDBF dbf;
    dbf.SetFileName(dir.Path("max.dbf"));
    dbf.Open();
    EXPECT_EQ(dbf.FieldCount, 254);
    EXPECT_EQ(dbf.GetRecordLength(), 1 + 254 * 255);
    EXPECT_EQ(dbf.GetFieldName(253), "F253");
}

TEST(DbfLifecycle, ChecksOpenAndClosedState) {
    TempDir dir;
    std::string path = MakeSmallTable(dir, 1);
    TDBF dbf;
    try {
        dbf.Go(1);
        FAIL();
    } catch (const EDBFError& e) {
        EXPECT_STREQ(e.what(), "File not open yet!");
    }
    EXPECT_THROW(dbf.GetRecordCount(), EDBFError);
    dbf.SetFileName(path);
    dbf.Open();
    dbf.Open();  // nothing when already open
    try {
        dbf.SetFileName("other.dbf");
        FAIL();
    } catch (const EDBFError& e) {
        EXPECT_STREQ(e.what(), "File already opened!");
    }
    EXPECT_THROW(dbf.SetReadOnly(true), EDBFError);
    dbf.Close();
    EXPECT_FALSE(dbf.Active);
    EXPECT_EQ(dbf.FieldCount, 0);
    dbf.Close();  // nothing when closed
    dbf.Open();   // the same object opens again
    EXPECT_EQ(dbf.FieldCount, 4);
}

TEST(DbfNames, VersionAndTypeNames) {
    EXPECT_EQ(DbfVersionName(0x03), "FoxBASE+/Dbase III plus, no memo");
    EXPECT_EQ(DbfVersionName(0x30), "Visual FoxPro with memo");
    EXPECT_EQ(DbfVersionName(0x8B), "dBASE IV with memo");
    EXPECT_EQ(DbfVersionName(0xF5), "FoxPro 2.x (or earlier) with memo");
    EXPECT_EQ(DbfVersionName(0xFB), "FoxBASE");
    EXPECT_EQ(DbfVersionName(0x32), "Unknow type");
    const char letters[] = "CYNFDTBILMGP";
    for (const char* p = letters; *p; ++p) {
        std::string name = FieldTypeName(*p);
        EXPECT_FALSE(name.empty());
        EXPECT_EQ(FieldTypeFromName(name), *p);
    }
    EXPECT_EQ(FieldTypeName('C'), "Character");
    EXPECT_EQ(FieldTypeName('T'), "DateTime");
    EXPECT_EQ(FieldTypeName('V'), "");
    EXPECT_EQ(FieldTypeFromName("character"), 0);  // exact, case-sensitive
}
