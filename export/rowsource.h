// What every output writer writes from: the rows of the list in their order with their
// deletion marks, the chosen fields by index, the memo choice, and the open table that gives
// every value; and the progress sink that the writer reports to and that may stop it.
#pragma once

#include "common/datalist.h"
#include "common/rowsshown.h"

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

// Positions the table on the records of the rows, a window of rows at a time: the records of
// the window are read in file order, in large pieces where they lie together (as the rows of
// a list in file order do) and one by one out of a mapping of the file where they do not (as
// after a sort), and then taken in the rows' order. Memory stays at one window of records.
// Each record taken is compared with the row it is read for: one that another program
// changed, moved or removed since the list was read raises EDBFRecordsChanged
// (engine/dbferror.h), so that no output holds records other than those the rows show.
class TRecordReader {
public:
    // `memo`: the memo texts of the memo fields among `fields` are compared too.
    TRecordReader(TDBF& table, const std::vector<int>& fields, bool memo);
    ~TRecordReader();  // frees the page cache
    TRecordReader(const TRecordReader&) = delete;
    TRecordReader& operator=(const TRecordReader&) = delete;

    // Rows a window holds: some thousands, fewer for long records.
    size_t WindowRows() const;
    // Reads the records of these rows (null: a row that needs none).
    void Load(const std::vector<TDataList::Row>& rows);
    // Positions the table on the record of entry k of the last Load.
    void Select(size_t k);

private:
    TDBF& Table;
    TRowsShown Shown;
    // The window's rows, and their numbers, marks and prints read together while the rows are
    // at hand (a sorted list's rows lie all over memory).
    std::vector<TDataList::Row> Rows;
    std::vector<uint32_t> RecNos;
    std::vector<uint64_t> Prints;
    std::vector<uint8_t> Marks;
    int64_t Count = 0;  // the table's record count when the window was read
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
    // Visit v of the range: the row's list index and its place in the range.
    size_t visits = 0;
    switch (src.Range.Kind) {
    case TRowRange::All: visits = count; break;
    case TRowRange::Selected: visits = src.Range.Rows.size(); break;
    case TRowRange::Span:
        if (src.Range.From >= 1 && std::min(src.Range.To, count) >= src.Range.From)
            visits = std::min(src.Range.To, count) - src.Range.From + 1;
        break;
    }
    auto indexOf = [&](size_t v) {
        switch (src.Range.Kind) {
        case TRowRange::Selected: return src.Range.Rows[v];
        case TRowRange::Span: return src.Range.From - 1 + v;
        default: return v;
        }
    };
    auto wanted = [&](size_t index) { return index < count && (src.WriteDeleted || !list[index]->Deleted()); };
    TRecordReader reader(*src.Table, src.Fields, src.Memo);
    const size_t window = reader.WindowRows();
    std::vector<TDataList::Row> rows;  // the window's rows; null for rows left out
    for (size_t start = 0; start < visits; start += window) {
        const size_t end = std::min(visits, start + window);
        rows.clear();
        for (size_t v = start; v < end; ++v) {
            // The rows of a sorted list lie all over memory: ask for those a little ahead early.
            if (v + 16 < end && indexOf(v + 16) < count) __builtin_prefetch(list[indexOf(v + 16)]);
            rows.push_back(wanted(indexOf(v)) ? list[indexOf(v)] : nullptr);
        }
        reader.Load(rows);
        for (size_t v = start; v < end; ++v) {
            if (sink.Stopped()) {
                result.Stopped = true;
                return result;
            }
            if (!rows[v - start]) continue;
            reader.Select(v - start);
            if (!write()) {
                result.Capped = true;
                return result;
            }
            ++result.Written;
            sink.RowWritten(result.Written, v + 1, total);
        }
    }
    return result;
}
