// What the tests of the main window share: the application object (the program's own, which
// reports what no command caught), a program folder of their own with the settings loaded
// from it as at start-up, a fresh window, tables written quickly, and waiting for the loader.
#pragma once

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTimer>
#include <QTreeWidget>
#include <QLabel>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <tuple>

#include "common/datalist.h"
#include "mainwindow/datalistmodel.h"
#include "mainwindow/formmain.h"
#include "mainwindow/formmain_app.h"
#include "common/msgbox.h"
#include "common/option.h"
#include "common/programfiles.h"
#include "common/sampletable.h"
#include "common/workthread.h"
#include "controls/validedit.h"
#include "engine/dbf.h"
#include "qtapp.h"
#include "common/programfiles_fixture.h"
#include "common/records_testutil.h"
#include "testutil.h"

namespace wintest {

using vxtest::WaitUntil;

inline QApplication* App() {
    if (!QCoreApplication::instance()) {
        static int argc = 1;
        static char name[] = "vellibrox-test";
        static char* argv[] = {name, nullptr};
        new TApplication(argc, argv);
    }
    return qApp;
}

using commontest::ProgramFilesHere;
using commontest::RepoDir;

// Lets the events already posted (worker messages, deferred boxes) be handled.
inline void Drain() {
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

using rectest::MakeTable;

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        App();
        vx::SetProgramFilesDir(Dir.Root().string() + "/");
        Start();
    }
    void TearDown() override {
        Form.reset();
        Drain();
        delete Option;
        Option = nullptr;
        vx::SetProgramFilesDir(std::string());
    }
    // A fresh run: settings read from the folder, a new window. No tip of the day, and no
    // question on quitting unless a test asks for it.
    void Start() {
        Form.reset();
        delete Option;
        Option = new TOption();
        Option->Load();
        Option->AlwayShowTipOfTheDay = false;
        Option->AlwayShowQuit = false;
        Form = std::make_unique<TFormMain>();
    }
    // The settings as the next run would read them.
    std::unique_ptr<TOption> Stored() {
        auto o = std::make_unique<TOption>();
        o->Load(vx::OptionsIniPath());
        return o;
    }
    QString Q(const std::string& path) const { return QString::fromStdString(path); }
    QString Table(const std::string& name, uint32_t records, uint32_t deletedEvery = 3) {
        return Q(MakeTable(Dir.Path(name), records, deletedEvery));
    }
    // A table of one field for names ending in ".dbf" (any case), a file of `bytes` otherwise.
    QString File(const std::string& name, const std::string& bytes = "x") {
        QString path = Q(Dir.Path(name));
        if (path.endsWith(QStringLiteral(".dbf"), Qt::CaseInsensitive))
            CreateTableFile(Dir.Path(name), 0x03, {{"NAME", 'C', 8}});
        else
            vxtest::WriteAll(Dir.Path(name), bytes);
        return path;
    }
    // Waits until the loader has ended and its messages are handled.
    bool WaitLoaded(int ms = 60000) {
        bool ok = WaitUntil([this] { return Form->IsLoadOver() && !Form->IsWorking(); }, ms);
        Drain();
        return ok && Form->IsLoadOver() && !Form->IsWorking();
    }
    void OpenLoaded(const QString& path) {
        Form->Open(path);
        ASSERT_TRUE(WaitLoaded());
    }
    QString Cell(int position, int field) const { return Form->ListModel->CellText(position, field); }
    size_t Rows() const { return Form->DataList() ? Form->DataList()->Count() : 0; }
    // The one selected position, -1 for none, -2 for several.
    int Selected() const {
        const TPositionRanges s = Form->MainListView->SelectedPositions();
        return s.Empty() ? -1 : s.Size() == 1 ? s.First() : -2;
    }

    vxtest::TempDir Dir;
    std::unique_ptr<TFormMain> Form;
};

}  // namespace wintest
