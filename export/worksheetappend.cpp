#include "export/worksheetappend.h"

#include "app/recordimage.h"
#include "app/valuetext.h"
#include "engine/dbf.h"
#include "export/spreadsheet.h"
#include "export/worksheetimport.h"

namespace {

std::string UpperAscii(std::string_view text) {
    std::string s(text);
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return s;
}

}  // namespace

records::TAppendSource ReadWorksheetRecords(TDBF& dbf, const std::string& fileName, const std::function<bool()>& stop) {
    records::TAppendSource result;
    TRecordImage image(dbf);
    TNewRecords& out = result.Records;
    for (int i = 0; i < dbf.FieldCount; ++i)
        if (image.Field(i).GetFieldType() == 'M') out.MemoFields.push_back(i);
    // For each field, the sheet column of its name (-1: none).
    std::vector<int> from(size_t(dbf.FieldCount), -1);
    bool header = true;
    size_t columns = 0;
    std::string failure;
    try {
        const std::string unread = ReadWorksheet(fileName, stop, [&](const std::vector<std::string>& cells) {
            if (header) {
                header = false;
                for (; columns < cells.size() && !valuetext::Trim(cells[columns]).empty(); ++columns) {
                    const std::string name = UpperAscii(valuetext::Trim(cells[columns]));
                    for (int i = 0; i < dbf.FieldCount; ++i)
                        if (from[size_t(i)] < 0 && UpperAscii(dbf.GetFieldName(i)) == name) from[size_t(i)] = int(columns);
                }
                return columns > 0;
            }
            bool any = false;
            for (size_t c = 0; c < columns && c < cells.size(); ++c) any |= !valuetext::Trim(cells[c]).empty();
            if (!any) return false;
            image.Blank();
            for (int i = 0; i < dbf.FieldCount; ++i) {
                const int c = from[size_t(i)];
                const std::string_view text =
                    c >= 0 && size_t(c) < cells.size() ? valuetext::Trim(cells[size_t(c)]) : std::string_view();
                if (image.Field(i).GetFieldType() == 'M') {
                    out.MemoTexts.emplace_back(text);
                    continue;
                }
                const TRecordImage::TStore stored = image.StoreText(i, text, TRecordImage::TTextKind::Display);
                if (stored == TRecordImage::TStore::Ok) continue;
                failure = "Record " + std::to_string(out.Count + 1) + ", field " + dbf.GetFieldName(i) + ": \"" +
                          std::string(text) + "\"" +
                          (stored == TRecordImage::TStore::TooWide ? " is wider than the field."
                                                                   : " is not a valid value for this field.") +
                          " Nothing was appended.";
                return false;
            }
            out.Images.insert(out.Images.end(), image.Data(), image.Data() + image.Size());
            ++out.Count;
            return true;
        });
        if (failure.empty()) failure = unread;
    } catch (const std::exception& e) {
        failure = e.what();
    }
    if (!failure.empty() || (stop && stop())) {
        result.Message = failure;
        result.Records = TNewRecords{};
        return result;
    }
    result.Ok = true;
    return result;
}
