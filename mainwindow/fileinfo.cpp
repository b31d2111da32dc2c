#include "mainwindow/fileinfo.h"

#include "common/bytetext.h"
#include "engine/dbf.h"

#include <QFile>

namespace vx {

namespace {

QString Number(int64_t n) { return QString::number(n); }

QString PadRight(const QString& s, int width) { return s.size() >= width ? s : s + QString(width - s.size(), ' '); }

}  // namespace

QString VersionText(uint8_t version) {
    switch (version) {
    case 0x02: case 0x03: case 0x30: case 0x31: case 0x43: case 0x63:
    case 0x83: case 0x8B: case 0xCB: case 0xF5: case 0xFB:
        return QString::fromLatin1(DbfVersionName(version));
    default:
        return QString();
    }
}

QString FileTypeText(uint8_t version) {
    return QStringLiteral("0x") + QString::number(version, 16).toUpper() + QStringLiteral("-") +
           QString::fromLatin1(DbfVersionName(version));
}

std::vector<TInfoRow> FileInfoRows(TDBF& dbf, const QString& fileName) {
    const int64_t records = dbf.GetRecordCount();
    const int64_t recordLength = dbf.GetRecordLength();
    const int64_t headerLength = dbf.GetHeaderLength();
    std::vector<TInfoRow> rows = {
        {QStringLiteral("File Name"), fileName},
        {QStringLiteral("File Type"), FileTypeText(dbf.GetVersion())},
        {QStringLiteral("Last Update"), QString::fromLatin1(dbf.GetLastUpdate())},
        {QStringLiteral("File Size"), Number(records * recordLength + headerLength)},
        {QStringLiteral("Header Size"), Number(headerLength)},
        {QStringLiteral("Record Size"), Number(recordLength)},
        {QStringLiteral("Record Count"), Number(records)},
        {QStringLiteral("Field Count"), Number(dbf.FieldCount)},
        {QStringLiteral("Memo Field Count"), Number(dbf.MemoFieldCount)},
        {QStringLiteral("Table Flag"), Number(dbf.GetTableFlags())},
        {QStringLiteral("Code Page Flag"), Number(dbf.GetCodePage())},
        {QStringLiteral("DBCPath Data"), BytesToText(dbf.GetBacklink())},
    };
    if (dbf.GetMemoOpened()) {
        rows.push_back({});
        rows.push_back({QStringLiteral("Memo File Name"), QFile::decodeName(dbf.GetMemoFileName().c_str())});
        rows.push_back({QStringLiteral("Memo File Size"), Number(dbf.GetMemoFileSize())});
        rows.push_back({QStringLiteral("Memo Block Count"), Number(dbf.GetMemoNextBlock())});
        rows.push_back({QStringLiteral("Memo Block Size"), Number(dbf.GetMemoBlockSize())});
    }
    return rows;
}

std::vector<TFieldInfoRow> FieldInfoRows(const TDBF& dbf) {
    std::vector<TFieldInfoRow> rows;
    for (int i = 0; i < dbf.FieldCount; ++i) {
        const TField* f = dbf.GetField(i);
        if (!f) continue;
        rows.push_back({BytesToText(f->GetName()), QString::fromLatin1(FieldTypeName(f->GetFieldType())),
                        Number(f->GetLength()), Number(f->GetDecimals())});
    }
    return rows;
}

QString FileInfoClipText(const std::vector<TInfoRow>& rows) {
    QString out;
    for (const TInfoRow& r : rows) {
        if (!(r.Name.isEmpty() && r.Value.isEmpty())) out += PadRight(r.Name, 25) + r.Value;
        out += '\n';
    }
    return out;
}

QString FieldInfoClipText(const std::vector<TFieldInfoRow>& rows) {
    QString out;
    for (const TFieldInfoRow& r : rows)
        out += PadRight(r.Name, 13) + PadRight(r.Type, 13) + PadRight(r.Width, 13) + PadRight(r.Decimals, 13) + '\n';
    return out;
}

}  // namespace vx
