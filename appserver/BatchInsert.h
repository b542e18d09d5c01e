#pragma once
// TBatchInsert: many rows written to one table quickly, for filling a new database: the rows
// go a batch at a time through one prepared multi-row INSERT, prepared once and run again for
// every full batch. Rows left over are written by Flush(), which the owner calls when done
// (nothing is written on destruction: a failure in between leaves the transaction to be
// rolled back).

#include <QSqlQuery>
#include <QStringList>
#include <QVariantList>

class TServerDatabase;

class TBatchInsert {
public:
    TBatchInsert(TServerDatabase &db, const QString &table, const QStringList &columns,
                 int rowsPerBatch = 64);
    TBatchInsert(const TBatchInsert &) = delete;
    TBatchInsert &operator=(const TBatchInsert &) = delete;

    // One row: a value per column, in the columns' order (a null QVariant of the column's type
    // for NULL). Raises EServerError when the count is wrong or the database refuses a batch.
    void Add(const QVariantList &row);
    // Writes the rows not written yet.
    void Flush();
    int Written() const { return FWritten; }

private:
    QString Statement(int rows) const;
    void Run(QSqlQuery &query, int rows);

    TServerDatabase &FDb;
    QString FTable;
    QStringList FColumns;
    int FRowsPerBatch;
    QSqlQuery FFull; // prepared on the first full batch
    bool FPrepared = false;
    QVariantList FPending;
    int FWritten = 0;
};
