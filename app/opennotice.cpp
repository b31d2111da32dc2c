#include "app/opennotice.h"

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
    return points.join(QStringLiteral("\n\n"));
}

}  // namespace vx
