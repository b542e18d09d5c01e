#pragma once
// How the fields of a report module's datasets show: labels, display formats, codes shown by
// their descriptions in a code table, texts of their own. The datasets take their fields from
// each data packet (a provider's, or one copied from the caller's dataset), so the fields are
// made anew at every open; the settings are kept here and applied to the new fields each time
// the dataset opens (through its AfterOpen, which runs what the dataset did after opening
// before; a handler put on AfterOpen later replaces the settings). A packet without a field
// leaves its settings unused.

#include "Component.h"

#include <QList>
#include <QStringList>
#include <functional>
#include <utility>
#include <vector>

class TCodeTableCDS;
class TDataSet;
class TField;

using TLumFieldSetup = std::function<void(TField *field)>;

// The description of a coded field: the look-up dataset's result field for the field's own
// value when the field names a look-up dataset (open), its key fields and its result field and
// the result is not null; the field's own text otherwise.
void LookUpFieldText(TField *field, QString &text);

// The Descript of the row whose Code is `code` in a code table; the code itself when there is
// no table, it is closed or it has no such row.
QString CodeTableText(TDataSet *codeTable, const QString &code);

// A code table owned by `owner` with that filter ("Main_Code='NUNT'"), ordered by Code and
// opened at once from the process's shared copy.
TCodeTableCDS *AddCodeTable(QObject *owner, const QString &name, const QString &filter);

class TLumFieldDisplays : public TComponent {
    Q_OBJECT
public:
    explicit TLumFieldDisplays(QObject *owner = nullptr);
    ~TLumFieldDisplays() override;
    QString ClassName() const override { return QStringLiteral("TLumFieldDisplays"); }

    // Runs setup on the field of that name whenever the dataset opens, and now when it is open.
    // Setups of one field run in the order they were given.
    void Setup(TDataSet *dataSet, const QString &fieldName, TLumFieldSetup setup);
    void Labels(TDataSet *dataSet, const QList<std::pair<QString, QString>> &labels);
    // The field shows (and gives as its text) the codeTable's resultField of the row whose
    // keyField holds the field's value, or its own value when there is none.
    void ShowLookUp(TDataSet *dataSet, const QString &fieldName, TDataSet *codeTable,
                    const QString &keyField = QStringLiteral("Code"),
                    const QString &resultField = QStringLiteral("Descript"));
    // Only these fields of the dataset are visible, whatever else its packets bring.
    void Columns(TDataSet *dataSet, const QStringList &fieldNames);
    // The settings, applied to the fields the dataset has now.
    void Apply(TDataSet *dataSet) const;

    void Notification(TComponentBase *component, TOperation operation) override;

private:
    struct TRule {
        TDataSet *DataSet;
        QString Field;
        TLumFieldSetup Setup;
    };
    struct TWatched {
        TDataSet *DataSet;
        std::function<void(TDataSet *)> Previous; // what the dataset did after opening before
    };
    void Watch(TDataSet *dataSet);
    struct TColumns {
        TDataSet *DataSet;
        QStringList Names;
    };
    std::vector<TRule> FRules;
    std::vector<TColumns> FColumns;
    std::vector<TWatched> FWatched;
};
