#include "uJobControls.h"

#include "ClientDataSet.h"
#include "DBGrid.h"
#include "Fields.h"
#include "uTqDBNumEdit.h"

TDBGrid *JobGrid(QWidget *parent, const char *name, TDataSource *source, bool readOnly) {
    auto *grid = new TDBGrid(parent);
    grid->setObjectName(QLatin1String(name));
    grid->SetReadOnly(readOnly);
    grid->SetDataSource(source);
    grid->setContextMenuPolicy(Qt::CustomContextMenu);
    return grid;
}

TTqDBNumEdit *JobFieldEdit(QWidget *parent, TDataSource *source, const char *field) {
    auto *edit = new TTqDBNumEdit(parent);
    edit->setObjectName(QStringLiteral("ed") + QLatin1String(field));
    edit->SetDataSource(source);
    edit->SetDataField(QLatin1String(field));
    return edit;
}

void AddJobFields(TClientDataSet *dataSet, const QList<TJobField> &fields) {
    for (const TJobField &f : fields) {
        TField *field = dataSet->AddField(f.Type, f.Name, f.Size);
        field->SetDisplayLabel(f.Label);
        field->SetVisible(f.Visible);
    }
}
