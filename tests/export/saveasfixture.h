// What the save-as and import tests share: a receiver of worker messages, running a save-as
// worker to its end, and stand-ins for the spreadsheet application.
#pragma once

#include "common/workerthread.h"
#include "export/saveasthread.h"
#include "export/spreadsheet.h"
#include "platform/process.h"
#include "exportfixture.h"
#include "qtapp.h"

#include <QCoreApplication>
#include <QObject>

#include <cstdlib>
#include <sys/stat.h>

namespace saveastest {

struct TMessage {
    int Message;
    long long WParam;
    std::string Text;
    bool operator==(const TMessage&) const = default;
};

// Keeps every worker message posted to it.
class TMessageLog : public QObject {
public:
    std::vector<TMessage> Got;
    bool event(QEvent* e) override {
        if (!IsWorkerMessage(e)) return QObject::event(e);
        auto* m = static_cast<TWorkerMessage*>(e);
        Got.push_back({m->Message(), m->WParam, m->Text});
        return true;
    }
    // The percents of WM_SAPROGRESS, in order.
    std::vector<long long> Percents() const {
        std::vector<long long> out;
        for (const TMessage& m : Got)
            if (m.Message == WM_SAPROGRESS) out.push_back(m.WParam);
        return out;
    }
};

struct TSaveRun {
    TMessageLog Log;
    TSaveAsThread::TOutcome Outcome = TSaveAsThread::soNothing;
    std::string Message;
    size_t Written = 0;
};

// Runs a save-as worker to its end and collects its messages.
inline void RunSaveAs(TDBF* table, const TDataList* list, uint8_t mode, const std::string& file, bool memo,
                      TSaveRun& run) {
    vxtest::App();
    TSaveAsThread::FinalPauseMs = 0;
    TSaveAsThread::SlkPauseMs = 0;
    {
        TSaveAsThread w(table, list, &run.Log);
        w.SetMode(mode);
        w.SetFileName(file);
        w.SetMemo(memo);
        w.Resume();
        w.WaitFor();
        run.Outcome = w.Outcome();
        run.Message = w.Message();
        run.Written = w.RowsWritten();
    }
    QCoreApplication::sendPostedEvents(&run.Log);
}

// Points the spreadsheet layer at another program for the life of the object: a missing one,
// or (Fake) a stand-in for LibreOffice that converts by copying its input into the output
// folder under the asked extension, after sleeping FAKE_OFFICE_SLEEP seconds, or fails with
// exit code 3 when FAKE_OFFICE_FAIL is set.
class TOfficeProgram {
public:
    explicit TOfficeProgram(const vxtest::TempDir* fake) : Previous(TSpreadsheetApp::Program()) {
        std::string path = "/nonexistent/soffice";
        if (fake) {
            path = fake->Path("fake-soffice");
            vxtest::WriteAll(path, "#!/bin/sh\nout=''; conv=''; last=''\n"
                                   "while [ $# -gt 0 ]; do case \"$1\" in --outdir) out=\"$2\"; shift;;\n"
                                   "  --convert-to) conv=\"$2\"; shift;; *) last=\"$1\";; esac; shift; done\n"
                                   "[ -n \"$FAKE_OFFICE_SLEEP\" ] && sleep \"$FAKE_OFFICE_SLEEP\"\n"
                                   "[ -n \"$FAKE_OFFICE_FAIL\" ] && exit 3\n"
                                   "mkdir -p \"$out\" && cp \"$last\" \"$out/book.${conv%%:*}\"\n");
            ::chmod(path.c_str(), 0755);
        }
        TSpreadsheetApp::SetProgram(path);
    }
    ~TOfficeProgram() {
        TSpreadsheetApp::SetProgram(Previous);
        ::unsetenv("FAKE_OFFICE_SLEEP");
        ::unsetenv("FAKE_OFFICE_FAIL");
    }

private:
    std::string Previous;
};

// A flat OpenDocument spreadsheet whose first sheet holds `tableBody` and whose second sheet
// one cell "never"; its rows and cells.
inline std::string FlatSheet(const std::string& tableBody) {
    return "<?xml version=\"1.0\"?><office:document xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
           "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" "
           "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\"><office:body><office:spreadsheet>"
           "<table:table table:name=\"S\">" +
           tableBody + "</table:table><table:table table:name=\"Second\"><table:table-row><table:table-cell "
                       "office:value-type=\"string\"><text:p>never</text:p></table:table-cell></table:table-row>"
                       "</table:table></office:spreadsheet></office:body></office:document>";
}

inline std::string SheetCell(const std::string& inner, const std::string& attrs = "office:value-type=\"string\"") {
    return "<table:table-cell " + attrs + ">" + inner + "</table:table-cell>";
}
inline std::string SheetRow(const std::string& cells, const std::string& attrs = "") {
    return "<table:table-row " + attrs + ">" + cells + "</table:table-row>";
}

// True when LibreOffice is installed (tests that need it skip otherwise).
inline bool HaveOffice() { return !vx::FindProgram("soffice").empty(); }

}  // namespace saveastest
