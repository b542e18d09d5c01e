#include "BatchInsert.h"

#include "RemoteProtocol.h"
#include "ServerDatabase.h"

#include <QSqlError>

TBatchInsert::TBatchInsert(TServerDatabase &db, const QString &table, const QStringList &columns,
                           int rowsPerBatch)
    : FDb(db), FTable(table), FColumns(columns), FRowsPerBatch(qMax(1, rowsPerBatch)),
      FFull(db.Db()) {
    FPending.reserve(FRowsPerBatch * columns.size());
}

QString TBatchInsert::Statement(int rows) const {
    QString one = QStringLiteral("(?");
    for (qsizetype i = 1; i < FColumns.size(); ++i)
        one += QStringLiteral(",?");
    one += u')';
    QStringList values;
    for (int i = 0; i < rows; ++i)
        values << one;
    return QStringLiteral("INSERT INTO %1 (%2) VALUES %3")
        .arg(FTable, FColumns.join(u','), values.join(u','));
}

void TBatchInsert::Run(QSqlQuery &query, int rows) {
    for (int i = 0; i < rows * FColumns.size(); ++i)
        query.bindValue(i, FPending[i]);
    if (!query.exec())
        throw EServerError(QStringLiteral("Cannot write the rows of %1: %2")
                               .arg(FTable, query.lastError().text()));
    FWritten += rows;
    FPending.clear();
}

void TBatchInsert::Add(const QVariantList &row) {
    if (row.size() != FColumns.size())
        throw EServerError(QStringLiteral("A row of %1 has %2 values for %3 columns")
                               .arg(FTable)
                               .arg(row.size())
                               .arg(FColumns.size()));
    FPending += row;
    if (FPending.size() < FRowsPerBatch * FColumns.size())
        return;
    if (!FPrepared) {
        if (!FFull.prepare(Statement(FRowsPerBatch)))
            throw EServerError(QStringLiteral("Cannot prepare the rows of %1: %2")
                                   .arg(FTable, FFull.lastError().text()));
        FPrepared = true;
    }
    Run(FFull, FRowsPerBatch);
}

void TBatchInsert::Flush() {
    if (FPending.isEmpty())
        return;
    QSqlQuery rest(FDb.Db());
    const int rows = int(FPending.size() / FColumns.size());
    if (!rest.prepare(Statement(rows)))
        throw EServerError(QStringLiteral("Cannot prepare the rows of %1: %2")
                               .arg(FTable, rest.lastError().text()));
    Run(rest, rows);
}
