// What every output writer writes from: the rows of the list in their order with their
// deletion marks, the chosen fields by index, the memo choice, and the open table that gives
// every value; and the progress sink that the writer reports to and that may stop it.
#pragma once

#include "app/datalist.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

class TDBF;

// Which rows of the list are written, in which order.
struct TRowRange {
    enum TKind { All, Selected, Span };
    TKind Kind = All;
    std::vector<size_t> Rows;  // Selected: 0-based list indexes, in writing order
    size_t From = 0, To = 0;   // Span: 1-based list positions, both included

    static TRowRange AllRows() { return {}; }
    static TRowRange SelectedRows(std::vector<size_t> rows) { return {Selected, std::move(rows), 0, 0}; }
    static TRowRange Positions(size_t from, size_t to) { return {Span, {}, from, to}; }
};

struct TRowSource {
    TDBF* Table = nullptr;            // the open table: values, deletion flags, memo texts
    const TDataList* List = nullptr;  // rows in display order: record numbers and marks
    TRowRange Range;
    bool WriteDeleted = true;         // rows marked deleted in the list are written too
    std::vector<int> Fields;          // field indexes of Table, in output order
    bool Memo = false;                // memo texts, or the word "Memo"

    // Rows in the range, deleted ones included (Selected: the entries; Span: To - From + 1).
    size_t Total() const;
};

// Receives a writer's progress; the worker decides what to show and when.
class TProgressSink {
public:
    virtual ~TProgressSink() = default;
    // Asked before every row; true ends the writing after the rows written so far.
    virtual bool Stopped() { return false; }
    // After every written row: rows written so far, the row's place in the range (1-based)
    // and the range total.
    virtual void RowWritten(size_t /*written*/, size_t /*place*/, size_t /*total*/) {}
};

struct TWriteResult {
    size_t Written = 0;    // rows written
    bool Stopped = false;  // the sink stopped the writing
    bool Capped = false;   // the format holds no more rows; the rest of the range was left out
};

// Positions the table on record after record. Runs of consecutive records are read a page at
// a time through the table's page cache; any other order reads one record per move.
class TRecordReader {
public:
    explicit TRecordReader(TDBF& table);
    ~TRecordReader();  // frees the page cache
    TRecordReader(const TRecordReader&) = delete;
    TRecordReader& operator=(const TRecordReader&) = delete;

    void Go(uint32_t recNo);

private:
    TDBF& Table;
    int PageRecords;
    int64_t Page = 0;  // page in the cache (0: none)
    int Got = 0;       // records it holds
    uint32_t Last = 0;
};

// Visits the rows of the range in order: stops when the sink says so, skips rows marked
// deleted unless they are wanted, positions the table on each row's record and calls
// `write()`, which returns false when the format can take no more rows. Reports each written
// row to the sink.
template <class TWriteRow>
TWriteResult ForEachRow(const TRowSource& src, TProgressSink& sink, TWriteRow&& write) {
    TWriteResult result;
    if (!src.Table || !src.List) return result;
    const TDataList& list = *src.List;
    const size_t count = list.Count();
    const size_t total = src.Total();
    TRecordReader reader(*src.Table);
    auto visit = [&](size_t index, size_t place) {
        if (sink.Stopped()) {
            result.Stopped = true;
            return false;
        }
        if (index >= count) return true;
        const TDataRow* row = list[index];
        if (!src.WriteDeleted && row->Deleted()) return true;
        reader.Go(row->RecNo());
        if (!write()) {
            result.Capped = true;
            return false;
        }
        ++result.Written;
        sink.RowWritten(result.Written, place, total);
        return true;
    };
    switch (src.Range.Kind) {
    case TRowRange::All:
        for (size_t p = 1; p <= count; ++p)
            if (!visit(p - 1, p)) break;
        break;
    case TRowRange::Selected:
        for (size_t k = 1; k <= src.Range.Rows.size(); ++k)
            if (!visit(src.Range.Rows[k - 1], k)) break;
        break;
    case TRowRange::Span:
        if (src.Range.From < 1) break;
        for (size_t p = src.Range.From, last = std::min(src.Range.To, count); p <= last; ++p)
            if (!visit(p - 1, p - src.Range.From + 1)) break;
        break;
    }
    return result;
}
