// Opening and closing tables in the main window: real tables of other programs, refused files,
// the no-table state, columns and menus built per table, refresh, the row accessors and the
// information lists with their clipboard copies.
#include "window_fixture.h"

#include "mainwindow/fileinfo.h"
#include "common/sampletable.h"

using wintest::Drain;

namespace {

class OpenTest : public wintest::WindowTest {
protected:
    // A copy of a fixture with its memo file, if it has one.
    QString Fixture(const std::string& name) {
        std::string path = vxtest::CopyFixture(Dir, name);
        for (const char* ext : {".fpt", ".dbt", ".FPT"}) {
            std::string memo = std::filesystem::path(name).replace_extension(ext).string();
            if (std::filesystem::exists(vxtest::Fixture(memo))) vxtest::CopyFixture(Dir, memo);
        }
        return Q(path);
    }
    void ExpectNoTable() {
        Drain();
        EXPECT_EQ(Form->windowTitle(), QStringLiteral("Vellibrox"));
        EXPECT_FALSE(Form->CurDBF || Form->DataList() || Form->BackupDataList() || Form->WorkThread || Form->IsWorking());
        EXPECT_EQ(Form->ItemCount(), 0);
        EXPECT_TRUE(Form->MainRightPanel->isHidden());
        EXPECT_EQ(Form->MainListView->model()->columnCount(), 0);
        for (QAction* a : {Form->M1_CLOSE, Form->M2_REFRESH, Form->M6_EDIT, Form->M6_ZAP, Form->P1_N1})
            EXPECT_FALSE(a->isEnabled()) << a->objectName().toStdString();
        for (int i = 0; i <= 4; ++i) EXPECT_EQ(Form->StatusText(i), QString());
        EXPECT_EQ(Form->TB_QUICKSERACHFROM->count(), 0);
    }
    QStringList FileInfoNames() const {
        QStringList out;
        for (int i = 0; i < Form->MainFileInfoListView->topLevelItemCount(); ++i)
            out << Form->MainFileInfoListView->topLevelItem(i)->text(0);
        return out;
    }
};

}  // namespace

TEST_F(OpenTest, TablesOfOtherProgramsOpenWithTheirRecordCounts) {
    const std::pair<const char*, int> cases[] = {{"dbase_03.dbf", 14}, {"dbase_30.dbf", 34}, {"dbase_31.dbf", 77},
                                                 {"dbase_83.dbf", 67}, {"dbase_8b.dbf", 10}, {"dbase_f5.dbf", 975},
                                                 {"cp1251.dbf", 4},    {"dbase_03_cyrillic.dbf", 2},
                                                 {"mazovia.dbf", -1}};
    ScriptedMsgBox script;
    for (auto [name, count] : cases) {
        SCOPED_TRACE(name);
        Form->Open(Fixture(name));
        ASSERT_TRUE(Form->CurDBF) << (script.Asked.empty() ? "" : script.Asked.back().Text.toStdString());
        ASSERT_TRUE(WaitLoaded());
        const int records = count >= 0 ? count : static_cast<int>(Form->CurDBF->GetRecordCount());
        EXPECT_EQ(Form->PanelRecNum->text(), QStringLiteral("OnShow/Total:%1/%1").arg(records));
        EXPECT_EQ(Rows(), static_cast<size_t>(records));
        EXPECT_EQ(Form->MainListView->model()->columnCount(), Form->CurDBF->FieldCount);
    }
    EXPECT_TRUE(script.Asked.empty());
}

TEST_F(OpenTest, FilesThatAreNoTablesAreRefusedWithTheEnginesText) {
    ScriptedMsgBox script;
    for (const char* name : {"dbase_8c.dbf", "dbase_02.dbf", "polygon.dbf"}) {
        SCOPED_TRACE(name);
        // Over an open table too: it is closed first and the window ends without one.
        OpenLoaded(Table("ok.dbf", 5));
        script.Asked.clear();
        QString path = Fixture(name);
        Form->Open(path);
        ASSERT_EQ(script.Asked.size(), 1u);
        EXPECT_TRUE(script.Asked[0].Text.startsWith(path)) << script.Asked[0].Text.toStdString();
        ExpectNoTable();
    }
    // A missing file and a damaged one likewise.
    script.Asked.clear();
    Form->Open(Q(Dir.Path("missing.dbf")));
    vxtest::WriteAll(Dir.Path("junk.dbf"), std::string(10, 'x'));
    Form->Open(Q(Dir.Path("junk.dbf")));
    EXPECT_EQ(script.Asked.size(), 2u);
    ExpectNoTable();
}

TEST_F(OpenTest, NoTableMeansNoRowsAndLoadingOver) {
    ScriptedMsgBox script;
    auto everything = [this] {
        EXPECT_TRUE(Form->IsLoadOver());
        EXPECT_FALSE(Form->GetDataDelFlag(0));
        EXPECT_EQ(Form->GetDataIndex(0), -1);
        EXPECT_EQ(Form->GetLvIndex(1), -1);
        Form->SetDataIndex(0, 1);
        Form->DataListTruncate(0);
        Form->TB_FIRSTRECClick();
        Form->TB_PRIORRECClick();
        Form->TB_NEXTRECClick();
        Form->TB_LASTRECClick();
        Form->ListViewGoToRec(1);
        Form->ListViewScrollStart();
        Form->ListViewScrollEnd();
        Form->ListViewNotSelAll();
        Form->MainListViewClick();
        Form->MainListViewChange();
        Form->EditCurRecNo->SetText(QStringLiteral("5"));
        EXPECT_EQ(Form->EditCurRecNo->Text(), QStringLiteral("0"));
        int key = Qt::Key_Return;
        Form->EditCurRecNoKeyDown(key);
        Form->M2_MEMO->trigger();
        Form->M2_REFRESHClick();
        Form->UpdateFileInfos();
        EXPECT_EQ(Form->MainFileInfoListView->topLevelItemCount(), 0);
        EXPECT_EQ(Form->CurRecNo, -1);
    };
    everything();  // before the first open
    EXPECT_TRUE(script.Asked.empty());
    // Close asks while its setting is on: No keeps the table.
    OpenLoaded(Table("t.dbf", 20));
    script.Answer(mrNo);
    script.Answer(mrYes, true);
    Form->M1_CLOSEClick();
    EXPECT_TRUE(Form->CurDBF);
    Form->M1_CLOSEClick();
    EXPECT_EQ(script.Asked.at(1).Text, QStringLiteral("Close current document?"));
    EXPECT_FALSE(Option->AlwayShowClose);
    ExpectNoTable();
    everything();  // after Close
    EXPECT_EQ(script.Asked.size(), 2u);
}

TEST_F(OpenTest, ColumnsMenusAndQuickSearchFollowTheTable) {
    std::string path = Dir.Path("s.dbf");
    MakeSampleTable(path, 10);
    vxtest::WriteAll(vx::FindHistoryPath(), "newest\r\nolder\r\n");
    Form->FindOptions.FieldIndex = 30;  // from a wider table
    Form->FindOptions.Direction = 1;
    OpenLoaded(Q(path));
    QAbstractItemModel* m = Form->MainListView->model();
    ASSERT_EQ(m->columnCount(), 12);
    EXPECT_EQ(m->headerData(10, Qt::Horizontal).toString(), QStringLiteral("NOTES [M] "));
    EXPECT_EQ(Form->PopupMenuSortColumnAsc->actions().size(), 12);
    EXPECT_EQ(Form->PopupMenuSortColumnDesc->actions()[11]->text(), QStringLiteral("LOGO"));
    ASSERT_EQ(Form->TB_QUICKSERACHFROM->count(), 12);
    EXPECT_EQ(Form->FindOptions.FieldIndex, 0);  // 30 was beyond this table
    EXPECT_EQ(Form->TB_QUICKSERACHFROM->currentIndex(), 0);
    EXPECT_EQ(Form->TB_QUICKSERACHKEY->count(), 2);
    EXPECT_EQ(Form->TB_QUICKSERACHKEY->currentText(), QStringLiteral("older"));

    // A field index that fits is kept; a missing history leaves the box empty.
    Form->FindOptions.FieldIndex = 3;
    Form->FindOptions.Direction = 0;
    std::filesystem::remove(vx::FindHistoryPath());
    OpenLoaded(Q(path));
    EXPECT_EQ(Form->TB_QUICKSERACHFROM->currentIndex(), 3);
    EXPECT_EQ(Form->TB_QUICKSERACHKEY->count(), 0);

    // A narrower table replaces every column and menu item.
    OpenLoaded(Table("t.dbf", 3));
    EXPECT_EQ(m->columnCount(), 2);
    EXPECT_EQ(Form->PopupMenuSortColumnAsc->actions().size(), 2);
    EXPECT_EQ(Form->TB_QUICKSERACHFROM->count(), 2);
    EXPECT_EQ(Form->FindOptions.FieldIndex, 0);
}

TEST_F(OpenTest, OpenAndRefreshClearTheDeletedRecordViews) {
    QString path = Table("t.dbf", 30);
    OpenLoaded(path);
    for (QAction* reload : {Form->M1_OPEN, Form->M2_REFRESH}) {
        Form->HideDeleted = Form->ShowOnlyDeleted = true;
        Form->M2_HIDEDELREC->setChecked(true);
        Form->M2_SHOWDELREC->setChecked(true);
        Form->M2_HIDEDELREC->setEnabled(false);
        if (reload == Form->M1_OPEN)
            Form->Open(path);
        else
            reload->trigger();
        ASSERT_TRUE(WaitLoaded());
        EXPECT_FALSE(Form->HideDeleted || Form->ShowOnlyDeleted || Form->M2_HIDEDELREC->isChecked() ||
                     Form->M2_SHOWDELREC->isChecked());
        EXPECT_TRUE(Form->M2_HIDEDELREC->isEnabled() && Form->M2_SHOWDELREC->isEnabled());
        EXPECT_EQ(Rows(), 30u);
    }
    // Refresh reads the file again.
    wintest::MakeTable(path.toStdString(), 45);
    Form->M2_REFRESHClick();
    ASSERT_TRUE(WaitLoaded());
    EXPECT_EQ(Rows(), 45u);
    EXPECT_EQ(Form->StatusText(1), QStringLiteral("Record Count:45"));
}

TEST_F(OpenTest, RowAccessors) {
    OpenLoaded(Table("t.dbf", 10));
    for (auto [i, deleted, recNo] : {std::tuple{2, true, 3}, {0, false, 1}, {10, false, -1}, {-1, false, -1}}) {
        EXPECT_EQ(Form->GetDataDelFlag(i), deleted) << i;
        EXPECT_EQ(Form->GetDataIndex(i), recNo) << i;
    }
    for (auto [recNo, position] : {std::pair{7, 6}, {0, -1}, {11, -1}}) EXPECT_EQ(Form->GetLvIndex(recNo), position);
    Form->SetDataIndex(4, 9);
    EXPECT_EQ(Form->GetDataIndex(4), 9);
    EXPECT_EQ(Cell(4, 0), QStringLiteral("r5"));  // only the number changes
    EXPECT_EQ(Form->GetLvIndex(9), 4);             // the first row with that number
    Form->SetDataIndex(4, 11);                      // beyond the table
    Form->SetDataIndex(10, 1);                      // beyond the list
    EXPECT_EQ(Form->GetDataIndex(4), 9);
    Form->DataListTruncate(9);  // the last row: nothing after it
    EXPECT_EQ(Rows(), 10u);
    Form->DataListTruncate(6);
    Form->DataListTruncate(-1);
    EXPECT_EQ(Rows(), 7u);
    EXPECT_EQ(Form->GetDataIndex(6), 7);
}

TEST_F(OpenTest, InformationListsAndTheirClipboardCopies) {
    Option->ViewControlFileInfos = true;
    std::string path = Dir.Path("s.dbf");
    MakeSampleTable(path, 4);
    OpenLoaded(Q(path));
    ASSERT_EQ(FileInfoNames().size(), 17);
    EXPECT_EQ(Form->MainFieldInfoListView->topLevelItemCount(), 12);
    ScriptedMsgBox script;
    Form->PMFileInfoToClip_1->trigger();
    ASSERT_EQ(script.Asked.size(), 1u);
    EXPECT_EQ(script.Asked[0].Text, QStringLiteral("Copy to clipboard completed"));
    EXPECT_EQ(QGuiApplication::clipboard()->text(),
              vx::FileInfoClipText(vx::FileInfoRows(*Form->CurDBF, Q(path))));
    EXPECT_TRUE(Form->MemoClip->toPlainText().isEmpty());
    Form->PMFieldInfoToClip_1->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), vx::FieldInfoClipText(vx::FieldInfoRows(*Form->CurDBF)));

    // A kind the program does not know has no status text; version 0x04 (48-byte field
    // descriptors) is refused.
    auto withVersion = [this](const char* name, char version) {
        std::string path = Dir.Path(name);
        CreateTableFile(path, 0x03, {{"NAME", 'C', 10}});
        std::fstream(path, std::ios::binary | std::ios::in | std::ios::out).put(version);
        return Q(path);
    };
    OpenLoaded(withVersion("odd.dbf", '\x05'));
    EXPECT_EQ(Form->StatusText(4), QStringLiteral("FileType:"));
    EXPECT_EQ(FileInfoNames().size(), 12);
    Form->Open(withVersion("seven.dbf", '\x04'));
    ASSERT_EQ(script.Asked.size(), 3u);
    EXPECT_TRUE(script.Asked[2].Text.contains(QStringLiteral("Unsupported table format")))
        << script.Asked[2].Text.toStdString();
    EXPECT_FALSE(Form->CurDBF);
}

// ---- The texts of a table's information, without the window ----

using vx::TInfoRow;

namespace {

std::vector<QString> Names(const std::vector<TInfoRow>& rows) {
    std::vector<QString> out;
    for (const auto& r : rows) out.push_back(r.Name);
    return out;
}

QString Value(const std::vector<TInfoRow>& rows, const char* name) {
    for (const auto& r : rows)
        if (r.Name == QLatin1String(name)) return r.Value;
    return QStringLiteral("<none>");
}

void PutByte(const std::string& path, std::streamoff offset, uint8_t value) {
    std::fstream f(path, std::ios::binary | std::ios::in | std::ios::out);
    f.seekp(offset);
    f.put(static_cast<char>(value));
}

const std::vector<QString> TableRowNames = {
    "File Name",   "File Type",    "Last Update",      "File Size",  "Header Size",    "Record Size",
    "Record Count", "Field Count", "Memo Field Count", "Table Flag", "Code Page Flag", "DBCPath Data"};

}  // namespace

TEST(FileInfo, VersionTextsOfTheStatusBarAndTheList) {
    // Kinds the window does not name have no status text; the list always shows the byte.
    EXPECT_EQ(vx::VersionText(0x04) + vx::VersionText(0x32), QString());
    EXPECT_EQ(vx::FileTypeText(0x8B), QStringLiteral("0x8B-dBASE IV with memo"));
    EXPECT_EQ(vx::FileTypeText(0x04), QStringLiteral("0x4-Unknow type"));
}

TEST(FileInfo, RowsOfTablesWithAndWithoutMemoFile) {
    vxtest::TempDir dir;
    auto open = [&](TDBF& dbf, const std::string& path) {
        dbf.SetFileName(path);
        dbf.Open();
    };
    {
        // FoxBASE+ without memo: the list ends with the backlink row.
        std::string path = dir.Path("plain.dbf");
        CreateTableFile(path, 0x03, {{"NAME", 'C', 10}, {"QTY", 'N', 8, 2}});
        TDBF dbf;
        open(dbf, path);
        for (int i = 0; i < 2; ++i) dbf.Append(), dbf.Post();
        auto rows = vx::FileInfoRows(dbf, QStringLiteral("/x/plain.dbf"));
        EXPECT_EQ(Names(rows), TableRowNames);
        const std::pair<const char*, const char*> values[] = {
            {"File Name", "/x/plain.dbf"}, {"Header Size", "97"}, {"Record Size", "19"}, {"Record Count", "2"},
            {"File Size", "135"},          {"Field Count", "2"},  {"Memo Field Count", "0"}, {"DBCPath Data", ""}};
        for (auto [name, value] : values) EXPECT_EQ(Value(rows, name), QLatin1String(value)) << name;
        EXPECT_EQ(Value(rows, "Last Update"), QString::fromStdString(dbf.GetLastUpdate()));
        auto fields = vx::FieldInfoRows(dbf);
        EXPECT_EQ(fields, (std::vector<vx::TFieldInfoRow>{{"NAME", "Character", "10", "0"}, {"QTY", "Numeric", "8", "2"}}));
    }
    {
        // Visual FoxPro with its memo file: a blank row, then the memo file's rows.
        std::string path = dir.Path("memo.dbf");
        MakeSampleTable(path, 5);
        TDBF dbf;
        open(dbf, path);
        auto rows = vx::FileInfoRows(dbf, QStringLiteral("memo.dbf"));
        std::vector<QString> names = TableRowNames;
        for (const char* n : {"", "Memo File Name", "Memo File Size", "Memo Block Count", "Memo Block Size"})
            names.push_back(n);
        EXPECT_EQ(Names(rows), names);
        EXPECT_EQ(Value(rows, "Memo Field Count") + Value(rows, "Table Flag"), QStringLiteral("22"));
        EXPECT_EQ(Value(rows, "Memo File Size"), QString::number(std::filesystem::file_size(dbf.GetMemoFileName())));
        EXPECT_EQ(Value(rows, "Memo Block Count"), QString::number(dbf.GetMemoNextBlock()));
        auto fields = vx::FieldInfoRows(dbf);
        ASSERT_EQ(fields.size(), 12u);
        EXPECT_EQ(fields[8], (vx::TFieldInfoRow{"RATIO", "Double", "8", "3"}));
        EXPECT_EQ(fields[11].Type, QStringLiteral("General"));
    }
}

TEST(FileInfo, FileSizeOfAHugeTableIsNotCutTo32Bits) {
    vxtest::TempDir dir;
    std::string path = dir.Path("huge.dbf");
    CreateTableFile(path, 0x03, {{"TEXT", 'C', 254}});
    const uint32_t records = 20000000;  // 20,000,000 x 255 bytes: about 5.1 GB
    std::error_code ec;
    uintmax_t header = std::filesystem::file_size(path);
    {
        TDBF probe;
        probe.SetFileName(path);
        probe.Open();
        header = probe.GetHeaderLength();
    }
    std::filesystem::resize_file(path, header + uintmax_t(records) * 255, ec);  // sparse
    if (ec) GTEST_SKIP() << "no room for a sparse file: " << ec.message();
    for (int i = 0; i < 4; ++i) PutByte(path, 4 + i, (records >> (8 * i)) & 0xFF);
    TDBF dbf;
    dbf.SetFileName(path);
    dbf.SetReadOnly(true);
    dbf.Open();
    ASSERT_EQ(dbf.GetRecordCount(), records);
    auto rows = vx::FileInfoRows(dbf, QStringLiteral("huge.dbf"));
    EXPECT_EQ(Value(rows, "File Size"), QString::number(uint64_t(records) * 255 + header));
}

TEST(FileInfo, ClipboardTextsPadTheirColumns) {
    std::vector<TInfoRow> rows = {{"File Name", "/t.dbf"}, {"Record Count", "3"}, {}, {"A name longer than 25 chars", "v"}};
    EXPECT_EQ(vx::FileInfoClipText(rows), QStringLiteral("File Name                /t.dbf\n"
                                                         "Record Count             3\n"
                                                         "\n"
                                                         "A name longer than 25 charsv\n"));
    std::vector<vx::TFieldInfoRow> fields = {{"NAME", "Character", "10", "0"}, {"QTY", "Numeric", "8", "2"}};
    EXPECT_EQ(vx::FieldInfoClipText(fields), QStringLiteral("NAME         Character    10           0            \n"
                                                            "QTY          Numeric      8            2            \n"));
    EXPECT_EQ(vx::FileInfoClipText({}), QString());
}
