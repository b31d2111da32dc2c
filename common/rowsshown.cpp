#include "common/rowsshown.h"

#include "common/valuetext.h"
#include "engine/parts.h"

#include <algorithm>

TRowsShown::TRowsShown(TDBF& dbf, const TRowStore& rows) : Dbf(dbf), Store(&rows), Image(dbf) {}

TRowsShown::TRowsShown(TDBF& dbf, const std::vector<TDataList::Row>& rows)
    : TRowsShown(dbf, [&rows] {
          std::vector<std::pair<uint32_t, TDataList::Row>> byRecNo;
          byRecNo.reserve(rows.size());
          for (TDataList::Row r : rows)
              if (r) byRecNo.emplace_back(r->RecNo(), r);
          return byRecNo;
      }()) {}

TRowsShown::TRowsShown(TDBF& dbf, std::vector<std::pair<uint32_t, TDataList::Row>> byRecNo)
    : Dbf(dbf), Given(std::move(byRecNo)), Image(dbf) {
    if (!std::is_sorted(Given.begin(), Given.end())) std::sort(Given.begin(), Given.end());
}

void TRowsShown::CompareAllMemoTexts() {
    MemoFields.clear();
    for (int i = 0; i < Dbf.FieldCount; ++i)
        if (Dbf.GetFieldType(i) == 'M') MemoFields.push_back(i);
}

void TRowsShown::Index(const TDataList& list) {
    for (size_t i = 0, n = list.Count(); i < n; ++i) {
        TDataList::Row r = list[i];
        if (r->RecNo() < 1) continue;
        if (ByRecNo.size() < r->RecNo()) ByRecNo.resize(r->RecNo());
        ByRecNo[r->RecNo() - 1] = r;
    }
}

void TRowsShown::BuildIndex() {
    const TDataList& all = Store->AllRows();
    const size_t n = all.Count();
    constexpr size_t RowsPerPart = 65536, MaxParts = 4;
    const size_t parts = Lent ? std::clamp<size_t>(n / RowsPerPart, 1, MaxParts) : 1;
    if (parts == 1) {
        Index(all);
    } else {
        // Lent to read: a few threads share the rows out, each placing rows of its own; a row
        // numbered beyond the rows' count (there is none in a list that agrees with its
        // table) is placed afterwards.
        ByRecNo.assign(ShownCount(), nullptr);
        std::vector<std::vector<TDataList::Row>> beyond(parts);
        vx::RunParts(parts, [&](size_t p) {
            for (size_t i = n * p / parts, end = n * (p + 1) / parts; i < end; ++i) {
                const TDataList::Row r = all[i];
                if (r->RecNo() >= 1 && r->RecNo() <= ByRecNo.size()) ByRecNo[r->RecNo() - 1] = r;
                else beyond[p].push_back(r);
            }
            return true;
        });
        for (const auto& rows : beyond)
            for (TDataList::Row r : rows)
                if (r->RecNo() >= 1) {
                    if (ByRecNo.size() < r->RecNo()) ByRecNo.resize(r->RecNo());
                    ByRecNo[r->RecNo() - 1] = r;
                }
    }
    Index(Store->HiddenRows);
}

const TDataRow* TRowsShown::RowOf(uint32_t recNo) {
    if (recNo < 1) return nullptr;
    if (!Store) {
        // The engine asks in ascending order mostly: the next one is tried first.
        if (Cursor + 1 < Given.size() && Given[Cursor + 1].first == recNo) return Given[++Cursor].second;
        auto it = std::lower_bound(Given.begin(), Given.end(), std::make_pair(recNo, TDataList::Row(nullptr)));
        if (it == Given.end() || it->first != recNo) return nullptr;
        Cursor = size_t(it - Given.begin());
        return it->second;
    }
    if (!Indexed.load(std::memory_order_acquire)) {
        // A list in file order names record r in its row r - 1; otherwise the rows are
        // indexed once, by whichever thread comes first.
        const TDataList& all = Store->AllRows();
        if (TDataList::Row r = all.At(recNo - 1); r && r->RecNo() == recNo) return r;
        std::call_once(IndexOnce, [this] {
            BuildIndex();
            Indexed.store(true, std::memory_order_release);
        });
    }
    return recNo <= ByRecNo.size() ? ByRecNo[recNo - 1] : nullptr;
}

bool TRowsShown::IsAsShown(uint32_t recNo, const uint8_t* record) {
    const TDataRow* row = RowOf(recNo);
    return row && row->RecNo() == recNo && Matches(*row, record);
}

bool TRowsShown::IsPrintShown(uint32_t recNo, bool deleted, uint64_t print) {
    const TDataRow* row = RowOf(recNo);
    return row && row->RecNo() == recNo && row->Deleted() == deleted && row->Print() == print && MemoFields.empty();
}

bool TRowsShown::BeginConcurrent() {
    if (!Store || !MemoFields.empty()) return false;
    const TDataList* lists[] = {&Store->AllRows(), &Store->HiddenRows};
    for (const TDataList* l : lists)
        if (l->Owner.LoanNow() != TThreadOwner::TLoan::None) return false;
    for (const TDataList* l : lists) l->Owner.Lend(TThreadOwner::TLoan::Read);
    Lent = true;
    return true;
}

void TRowsShown::EndConcurrent() {
    if (!Lent) return;
    Store->AllRows().Owner.Return();
    Store->HiddenRows.Owner.Return();
    Lent = false;
}

size_t TRowsShown::ShownCount() {
    return Store ? Store->AllRows().Count() + Store->HiddenRows.Count() : Given.size();
}

bool TRowsShown::Matches(const TDataRow& row, const uint8_t* record) {
    const size_t rl = Dbf.GetRecordLength();
    if ((record[0] == '*') != row.Deleted() || RecordPrint(record, rl) != row.Print()) return false;
    if (MemoFields.empty()) return true;
    Image.Assign(record);
    return MemoTextsMatch(row, [this](int f) { return f >= 0 && f < Image.FieldCount() ? &Image.Field(f) : nullptr; });
}

bool TRowsShown::MatchesCurrent(const TDataRow& row) {
    return Dbf.GetDeleted() == row.Deleted() && Dbf.GetRecordPrint() == row.Print() && MemoTextsMatchCurrent(row);
}

bool TRowsShown::MemoTextsMatchCurrent(const TDataRow& row) {
    return MemoTextsMatch(row, [this](int f) -> const TField* { return Dbf.GetField(f); });
}

template <class FieldOf>
bool TRowsShown::MemoTextsMatch(const TDataRow& row, FieldOf fieldOf) {
    for (int f : MemoFields) {
        const TField* field = fieldOf(f);
        if (!field) continue;
        Text.clear();
        valuetext::AppendDisplayText(Dbf, *field, Text, Scratch);
        if (Text != row.Text(size_t(f))) return false;
    }
    return true;
}
