#include "export/worksheetimport.h"

#include "common/bytetext.h"
#include "export/spreadsheet.h"

std::string ReadWorksheetTexts(const std::string& fileName, const std::function<bool()>& stop,
                               const std::function<bool(const std::vector<QString>&)>& row) {
    std::unique_ptr<TSpreadsheetApp> app;
    try {
        app = std::make_unique<TSpreadsheetApp>(stop);
    } catch (const ESpreadsheetError&) {
        return CreateAppErrorText;
    }
    try {
        app->OpenWorkbook(fileName);
    } catch (const ESpreadsheetError&) {
        if (stop && stop()) return {};
        return OpenWorkbookErrorText;
    }
    app->ReadFirstSheet(row);
    app->CloseWorkbook();
    app->Quit();
    return {};
}

std::string ReadWorksheet(const std::string& fileName, const std::function<bool()>& stop,
                          const std::function<bool(const std::vector<std::string>&)>& row) {
    std::vector<std::string> bytes;
    return ReadWorksheetTexts(fileName, stop, [&](const std::vector<QString>& cells) {
        bytes.resize(cells.size());
        for (size_t i = 0; i < cells.size(); ++i) bytes[i] = TextToBytes(cells[i]);
        return row(bytes);
    });
}
