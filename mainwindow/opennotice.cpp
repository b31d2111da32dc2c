#include "mainwindow/opennotice.h"

#include "engine/dbf.h"

#include <QFile>

namespace vx {

QString OpenNoticeText(const TDBF& dbf) {
    QStringList points;
    if (dbf.GetReadOnly())
        points << QStringLiteral("The table cannot be written, so it is opened read-only: it can be viewed and "
                                 "exported, but not changed.");
    if (dbf.GetMemoMissing())
        points << QStringLiteral("The memo file %1 is missing: memo texts show as empty and cannot be changed.")
                      .arg(QFile::decodeName(dbf.GetMemoFileName().c_str()));
    if (dbf.GetShorterThanHeader())
        points << QStringLiteral("The table is shorter than its header says: the header counts %1 records, but the "
                                 "file holds %2 whole records. Only those are shown.")
                      .arg(dbf.GetHeaderCountAtOpen())
                      .arg(dbf.GetCountAtOpen());
    return points.join(QStringLiteral("\n\n"));
}

}  // namespace vx
