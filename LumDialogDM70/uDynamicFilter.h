#pragma once
// The filter form "查詢條件組合": the user composes a row condition for a dataset without
// typing SQL. Pick a field, a comparison and a value, add the condition, join conditions with
// AND / OR and parentheses, undo the last step or clear. Two texts grow side by side: the
// readable Chinese text in the memo and the SQL condition that the caller applies, as a
// client-side filter or as the server's WHERE condition. Only the steps that keep the SQL well
// formed are enabled at any time.

#include "StringList.h"

#include <QDialog>

class QComboBox;
class QDateEdit;
class QGroupBox;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QToolButton;
class TAction;
class TCodeTableCDS;
class TDataSource;
class TField;
class TLumCodeComboBox;
class TLUMDBCodeComboBox;
class TCodeTreeInputDialog;

class TDynamicFilter : public QDialog {
    Q_OBJECT
public:
    // The kind of the last step, which decides the steps allowed next.
    enum TLastStep {
        lsCondition = 0,
        lsConnective = 1,
        lsLeftParen = 2,
        lsRightParen = 3,
        lsEmpty = 4
    };

    explicit TDynamicFilter(QWidget *parent = nullptr);
    ~TDynamicFilter() override;

    QGroupBox *gbFields;
    QListWidget *lbDataFields;
    QGroupBox *gbValue;
    QLineEdit *edField;
    QComboBox *cbbRelation;
    // The full comparison table: the readable items, the SQL operators as their codes.
    TLumCodeComboBox *ccbRelationItems;
    // The value editors; exactly one shows for the chosen field.
    QLineEdit *STRValue;
    TLUMDBCodeComboBox *gccbValue;
    QLineEdit *NumValue;
    QDateEdit *DateValue;
    TCodeTableCDS *CodeTableCDS;
    TDataSource *CodeTableSource;
    QGroupBox *gbMemo;
    QPlainTextEdit *Memo;
    QGroupBox *gbParen, *gbConnective;
    QToolButton *btnLeftSeg, *btnRightSeg, *btnCondition, *btnAnd, *btnOR, *btnClear, *btnUndo,
        *btnTreeInput;
    QPushButton *btnOK, *btnCancel;
    // The tree-code input aid: a stored code tree picked by the field's tree map.
    TCodeTreeInputDialog *TreeInputDialog;
    TAction *ActLeftSeg, *ActRightSeg, *ActCondition, *ActAnd, *ActOR, *ActClear, *actUndo,
        *ActTreeInput, *ActSure;

    // Lists the fields of the source's dataset and shows the form modally; true when it was
    // closed with OK. With filterLines and a non-empty filterCondition the user continues that
    // earlier condition. Raises "Fields Not Found" before showing when no field can be listed.
    bool Execute(TDataSource *dataSource, const TStringList &codeMaps, const TStringList &treeMaps,
                 const TStringList *filterLines, const QString &filterCondition);
    QString GetFilter() const { return FFilterSQL; }
    QString GetFilterText() const;
    // The field of the selected item of the field list, or nullptr.
    TField *GetActiveField() const;

    // The string, numeric and date-time fields of the source's dataset, in field order.
    void SetDataFields(TDataSource *dataSource);
    // Shows the value editor and the comparisons that fit the chosen field.
    void FieldChanged();
    // Offers the first n comparisons of the table.
    void RelationSet(int n);
    void OpCtrl();
    void ClearQuery();
    void SaveUndo();

    void ActConditionExecute();
    void ActAndExecute();
    void ActORExecute();
    void ActLeftSegExecute();
    void ActRightSegExecute();
    void ActClearExecute();
    void ActUndoExecute();
    void ActTreeInputExecute();

    int ParenDepth() const { return FParenDepth; }
    int LastStep() const { return FLastStep; }
    const TStringList &CodeMaps() const { return FCodeMaps; }
    const TStringList &TreeMaps() const { return FTreeMaps; }

private:
    // The value of the condition being added, as shown and as SQL text; both empty when there
    // is no value. Raises the conversion error for a number that cannot be read.
    void ConditionValue(QString &display, QString &sql);
    void AddMemoLine(const QString &line);
    void AppendMemo(const QString &text);
    void BuildActions();

    int FParenDepth = 0;
    int FLastStep = lsEmpty;
    QString FFilterSQL;
    struct TUndo {
        QString MemoText;
        int ParenDepth = 0;
        int LastStep = lsEmpty;
        QString FilterSQL;
    } FUndo;
    TStringList FCodeMaps;
    TStringList FTreeMaps;
};
