// Whether the open table's records are still those the rows were built from: the deletion
// mark, the fingerprint of the record's bytes and, where a command writes or shows them, the
// memo texts. A command lends one to the table for its duration (TDBF::TShownScope), so that
// the engine compares every record the command acts on, under its lock and before it writes,
// and refuses with EDBFRecordsChanged when another program has moved, changed, removed or
// added records since the list was read.
#pragma once

#include "common/datalist.h"
#include "common/recordimage.h"
#include "engine/dbf.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

class TRowsShown : public TRecordsShown {
public:
    // Every row in memory, hidden ones too: for commands that reach records by the file's
    // order rather than by rows (setting every mark, removing the marked records, truncating).
    TRowsShown(TDBF& dbf, const TRowStore& rows);
    // Only these rows: for commands that act on the records of the rows they were given (none:
    // for callers that compare rows and records themselves, with Matches).
    TRowsShown(TDBF& dbf, const std::vector<TDataList::Row>& rows);
    // The same with each row's record number, for callers that have read them already.
    TRowsShown(TDBF& dbf, std::vector<std::pair<uint32_t, TDataList::Row>> byRecNo);

    // The memo texts of these fields are compared too, or those of every memo field.
    void CompareMemoTexts(std::vector<int> fields) { MemoFields = std::move(fields); }
    void CompareAllMemoTexts();

    bool IsAsShown(uint32_t recNo, const uint8_t* record) override;
    size_t ShownCount() override;
    // The rows of the store, without memo texts to compare, may be compared on several
    // threads: their lists are lent to read meanwhile.
    bool BeginConcurrent() override;
    void EndConcurrent() override;
    bool ComparesPrints() override { return MemoFields.empty(); }
    bool IsPrintShown(uint32_t recNo, bool deleted, uint64_t print) override;
    // Whether `record` (the record's bytes, deletion flag first) is what `row` was built from.
    bool Matches(const TDataRow& row, const uint8_t* record);
    // The same for the table's current record.
    bool MatchesCurrent(const TDataRow& row);
    // Whether the memo texts compared, read through the table's current record, are the row's
    // (true when none are compared).
    bool MemoTextsMatchCurrent(const TDataRow& row);
    bool ComparesMemoTexts() const { return !MemoFields.empty(); }

private:
    const TDataRow* RowOf(uint32_t recNo);
    void Index(const TDataList& list);
    // Indexes every row: on a few threads while the lists are lent to read.
    void BuildIndex();
    // Whether the memo texts compared, of the fields fieldOf(index) gives, are the row's.
    template <class FieldOf>
    bool MemoTextsMatch(const TDataRow& row, FieldOf fieldOf);

    TDBF& Dbf;
    const TRowStore* Store = nullptr;  // every row: indexed by record number - 1 when needed
    std::vector<TDataList::Row> ByRecNo;
    std::atomic<bool> Indexed{false};
    std::once_flag IndexOnce;
    bool Lent = false;
    // Or the rows given, by record number.
    std::vector<std::pair<uint32_t, TDataList::Row>> Given;
    size_t Cursor = 0;  // where the last record asked for was found in Given
    std::vector<int> MemoFields;
    TRecordImage Image;
    std::string Text, Scratch;
};
