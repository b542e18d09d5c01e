#pragma once
// The dialog components job forms drop on themselves: each keeps the dialog's inputs as
// properties, checks them, shows the dialog and keeps its results.

#include "Component.h"
#include "DataSource.h"

#include <QString>

// Exports the dataset of its data source to a workbook through the export window. FileName
// is where the window's open dialog starts; afterwards it holds the file last chosen there.
class TDataToExcelDialog : public TComponent {
    Q_OBJECT
public:
    explicit TDataToExcelDialog(QObject *owner = nullptr);
    ~TDataToExcelDialog() override;
    QString ClassName() const override { return QStringLiteral("TDataToExcelDialog"); }

    QString FileName() const { return FFileName; }
    void SetFileName(const QString &fileName) { FFileName = fileName; }
    TDataSource *DataSource() const { return FDataSource; }
    void SetDataSource(TDataSource *source) { SetLink(FDataSource, source); }

    // Raises "Data Set Is Nil" without a data source or dataset; opens a closed dataset.
    void CheckDataSet();
    void Execute();

    void Notification(TComponentBase *component, TOperation operation) override;

private:
    QString FFileName;
    TDataSource *FDataSource = nullptr;
};
