// Main window: export, save as and worksheet import.
#include "app/formmain.h"

#include "app/datalist.h"
#include "engine/dbf.h"
#include "export/formexportpreview.h"

#include <QItemSelectionModel>
#include <QTableView>

#include <algorithm>

void TFormMain::M1_IMPORTClick() {}
void TFormMain::M1_SAVEASClick() {}

void TFormMain::M1_EXPORTClick() {
    if (IsWorking()) {
        StopWorkAsk();
        return;
    }
    // The export reads the table through the page cache that the loader uses.
    if (!IsLoadOver()) {
        ShowLoadingBox();
        return;
    }
    TExportContext context;
    context.Table = CurDBF && CurDBF->Active ? CurDBF.get() : nullptr;
    context.List = DataList();
    const int columns = MainListView->model() ? MainListView->model()->columnCount() : 0;
    for (int i = 0; context.Table && i < columns; ++i) {
        context.Captions << MainListView->model()->headerData(i, Qt::Horizontal, Qt::DisplayRole).toString();
        context.Visible.push_back(!MainListView->isColumnHidden(i) && MainListView->columnWidth(i) != 0);
    }
    context.TakeSelection = [this] {
        std::vector<size_t> rows;
        if (QItemSelectionModel* sel = MainListView->selectionModel()) {
            for (const QModelIndex& index : sel->selectedRows()) rows.push_back(size_t(index.row()));
            sel->clearSelection();
        }
        std::sort(rows.begin(), rows.end());
        return rows;
    };
    TFormExportPreview form(context, this);
    form.exec();
}
