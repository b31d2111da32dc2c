#include "export/worksheetimport.h"

#include "app/bytetext.h"
#include "export/spreadsheet.h"

std::string ReadWorksheet(const std::string& fileName, const std::function<bool()>& stop,
                          const std::function<bool(const std::vector<std::string>&)>& row) {
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
    std::vector<std::string> bytes;
    app->ReadFirstSheet([&](const std::vector<QString>& cells) {
        bytes.resize(cells.size());
        for (size_t i = 0; i < cells.size(); ++i) bytes[i] = TextToBytes(cells[i]);
        return row(bytes);
    });
    app->CloseWorkbook();
    app->Quit();
    return {};
}
