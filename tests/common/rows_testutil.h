// A row store built in the test: one text per field, record numbers counting from 1.
#pragma once

#include <string>
#include <vector>

#include "common/datalist.h"

namespace rowtest {

struct TRows {
    TRowStore Store;
    explicit TRows(const std::vector<std::vector<std::string>>& rows) {
        uint32_t n = 0;
        for (const auto& texts : rows) Store.DataList.Append(Store.Pool.Make(false, ++n, texts));
    }
    // Field `field` of every row of DataList, in order.
    std::vector<std::string> Column(size_t field = 0) const {
        std::vector<std::string> out;
        for (size_t i = 0; i < Store.DataList.Count(); ++i) out.emplace_back(Store.DataList[i]->Text(field));
        return out;
    }
    std::vector<uint32_t> RecNos() const {
        std::vector<uint32_t> out;
        for (size_t i = 0; i < Store.DataList.Count(); ++i) out.push_back(Store.DataList[i]->RecNo());
        return out;
    }
};

inline std::vector<std::vector<std::string>> OneColumn(const std::vector<std::string>& texts) {
    std::vector<std::vector<std::string>> rows;
    for (const auto& t : texts) rows.push_back({t});
    return rows;
}

}  // namespace rowtest
