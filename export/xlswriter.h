// A minimal BIFF2 worksheet in which every cell is a text cell: BOF, CODEPAGE (the code page of
// the texts), DIMENSIONS, one LABEL record per cell (the title row 0, then the data rows from
// 1), EOF.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TOutputFile;

class TXLSWriterEx {
public:
    // Creates the file, replacing one of the name. Raises EDBFError when it cannot be created.
    explicit TXLSWriterEx(const std::string& fileName);
    ~TXLSWriterEx();
    TXLSWriterEx(const TXLSWriterEx&) = delete;
    TXLSWriterEx& operator=(const TXLSWriterEx&) = delete;

    uint16_t MaxCols = 255;    // written into DIMENSIONS
    uint16_t MaxRows = 65535;  // written into DIMENSIONS
    uint16_t CodePage;         // written into CODEPAGE: the program's code page
    std::vector<std::string> Titles;
    int32_t Row = 0;  // the current data row; records carry its low 16 bits

    void SetRow(int32_t row) { Row = row; }
    void BeginSheet();  // BOF, CODEPAGE and DIMENSIONS
    void AddTitle(std::string_view text) { Titles.emplace_back(text); }
    void WriteTitles();  // one LABEL per title in row 0
    // Starts the next data row (Row + 1) with no cells.
    void NewRow();
    void AddCell(std::string_view text) { NextCell().assign(text.data(), text.size()); }
    // The next cell's text, to be filled in place (cleared; its storage is reused row by row).
    std::string& NextCell();
    void WriteRow();  // one LABEL per cell in row Row
    void EndSheet();  // EOF
    // Writes what is buffered and closes the file; raises EDBFError on a write failure.
    void Close();

    void WriteWord(uint16_t value);
    // One LABEL record; a text longer than 255 bytes is cut to its first 255.
    void WriteLabel(uint16_t row, uint16_t column, uint16_t flags, std::string_view text);
    // The three BIFF2 cell attribute bytes of a flag word (bit 0 hidden, 1 locked, 2 shaded,
    // 3..6 bottom, top, right and left borders, 7 left aligned, else 8 centred, else 9 right
    // aligned, 10 fill).
    static std::array<uint8_t, 3> XLSCellAttributes(uint16_t flags);

private:
    std::unique_ptr<TOutputFile> Out;
    std::vector<std::string> Cells;  // the current row's texts; the first CellCount are in use
    size_t CellCount = 0;
};
