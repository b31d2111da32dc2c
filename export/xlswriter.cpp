#include "export/xlswriter.h"

#include "common/codepage.h"
#include "common/valuetext.h"
#include "engine/dbf.h"
#include "export/outputfile.h"
#include "export/writers.h"
#include "export/writerutil.h"

#include <algorithm>

TXLSWriterEx::TXLSWriterEx(const std::string& fileName)
    : CodePage(vx::OutputCodePage().Biff), Out(std::make_unique<TOutputFile>(fileName)) {}

TXLSWriterEx::~TXLSWriterEx() = default;

void TXLSWriterEx::WriteWord(uint16_t value) {
    std::string& b = Out->Buffer();
    b += static_cast<char>(value & 0xFF);
    b += static_cast<char>(value >> 8);
}

void TXLSWriterEx::BeginSheet() {
    for (uint16_t w : {0x0809, 6, 0x0000, 0x0010, 0x0000}) WriteWord(w);  // BOF of a worksheet
    // Without it a reader takes the texts for its own locale's page, or for ASCII.
    for (uint16_t w : {uint16_t(0x0042), uint16_t(2), CodePage}) WriteWord(w);
    for (uint16_t w : {uint16_t(0x0000), uint16_t(8), uint16_t(0), MaxRows, uint16_t(0), MaxCols}) WriteWord(w);
    Out->Spill();
}

std::array<uint8_t, 3> TXLSWriterEx::XLSCellAttributes(uint16_t flags) {
    std::array<uint8_t, 3> a{};
    if (flags & 0x0001) a[0] += 0x80;
    if (flags & 0x0002) a[0] += 0x40;
    if (flags & 0x0004) a[2] += 0x80;
    if (flags & 0x0008) a[2] += 0x40;
    if (flags & 0x0010) a[2] += 0x20;
    if (flags & 0x0020) a[2] += 0x10;
    if (flags & 0x0040) a[2] += 0x08;
    if (flags & 0x0080) a[2] += 1;
    else if (flags & 0x0100) a[2] += 2;
    else if (flags & 0x0200) a[2] += 3;
    if (flags & 0x0400) a[2] += 4;
    return a;
}

void TXLSWriterEx::WriteLabel(uint16_t row, uint16_t column, uint16_t flags, std::string_view text) {
    const size_t len = std::min<size_t>(text.size(), 255);
    WriteWord(0x0004);
    WriteWord(static_cast<uint16_t>(8 + len));
    WriteWord(row);
    WriteWord(column);
    std::string& b = Out->Buffer();
    for (uint8_t a : XLSCellAttributes(flags)) b += static_cast<char>(a);
    b += static_cast<char>(len);
    b.append(text.data(), len);
    Out->Spill();
}

void TXLSWriterEx::WriteTitles() {
    for (size_t i = 0; i < Titles.size(); ++i) WriteLabel(0, static_cast<uint16_t>(i), 0, Titles[i]);
}

void TXLSWriterEx::NewRow() {
    CellCount = 0;
    ++Row;
}

std::string& TXLSWriterEx::NextCell() {
    if (CellCount == Cells.size()) Cells.emplace_back();
    std::string& c = Cells[CellCount++];
    c.clear();
    return c;
}

void TXLSWriterEx::WriteRow() {
    for (size_t i = 0; i < CellCount; ++i)
        WriteLabel(static_cast<uint16_t>(Row & 0xFFFF), static_cast<uint16_t>(i), 0, Cells[i]);
}

void TXLSWriterEx::EndSheet() {
    WriteWord(0x000A);
    WriteWord(0);
}

void TXLSWriterEx::Close() {
    Cells.clear();
    Titles.clear();
    CellCount = 0;
    Out->Close();
}

TWriteResult WriteExcel(const std::string& fileName, const TRowSource& rows, TProgressSink& progress) {
    if (!StartOutput(rows, fileName)) return {};
    const std::vector<TOutColumn> columns = OutputColumns(rows);
    TXLSWriterEx xls(fileName);
    xls.BeginSheet();
    for (const TOutColumn& c : columns) xls.AddTitle(c.Name);
    xls.WriteTitles();
    TWriteResult result;
    if (!columns.empty()) {
        std::string scratch;
        result = ForEachRow(rows, progress, [&] {
            if (size_t(xls.Row) >= ExcelMaxDataRows) return false;  // row numbers end here
            xls.NewRow();
            for (const TOutColumn& c : columns)
                valuetext::AppendOutputText(*rows.Table, *c.Field, rows.Memo, xls.NextCell(), scratch);
            xls.WriteRow();
            return true;
        });
    }
    xls.EndSheet();
    xls.Close();
    return result;
}
