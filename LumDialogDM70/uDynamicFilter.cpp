#include "uDynamicFilter.h"

#include "Actions.h"
#include "Application.h"
#include "DialogSets.h"
#include "CodeTableCDS.h"
#include "DataSet.h"
#include "DataSource.h"
#include "DateTime.h"
#include "Exceptions.h"
#include "Fields.h"
#include "Variant.h"
#include "uCodeComboBox.h"

#include <QComboBox>
#include <QDateEdit>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// The comparison table: what the user reads and the SQL operator, by index.
struct TRelation {
    const char *Item;
    const char *Code;
};
const TRelation Relations[] = {
    {"等於", " ="}, {"不等於", " <>"},   {"大於", " >"},     {"大於等於", " >="},
    {"小於", " <"}, {"小於等於", " <="}, {"類似", " LIKE "}, {"左邊相等於", " LIKE "},
};
constexpr int RelationContains = 6;
constexpr int RelationStartsWith = 7;

bool IsStringField(const TField *field) {
    return field->DataType() == ftString || field->DataType() == ftWideString;
}
bool IsNumericField(const TField *field) {
    return IsNumericType(field->DataType());
}
bool IsDateTimeField(const TField *field) {
    const TFieldType type = field->DataType();
    return type == ftDate || type == ftTime || type == ftDateTime;
}

// A value in SQL quotes; a quote inside the value is doubled so that it stays part of it.
QString Quoted(const QString &value) {
    QString text = value;
    text.replace(u'\'', QStringLiteral("''"));
    return u'\'' + text + u'\'';
}

} // namespace

TDynamicFilter::TDynamicFilter(QWidget *parent) : QDialog(parent) {
    setObjectName(QStringLiteral("DynamicFilter"));
    setWindowTitle(QStringLiteral("查詢條件組合"));
    setSizeGripEnabled(true);

    gbFields = new QGroupBox(QStringLiteral("資料欄位表"), this);
    gbFields->setObjectName(QStringLiteral("gbFields"));
    lbDataFields = new QListWidget(gbFields);
    lbDataFields->setObjectName(QStringLiteral("lbDataFields"));
    (new QVBoxLayout(gbFields))->addWidget(lbDataFields);

    gbValue = new QGroupBox(QStringLiteral("條件值"), this);
    gbValue->setObjectName(QStringLiteral("gbValue"));
    edField = new QLineEdit(gbValue);
    edField->setObjectName(QStringLiteral("edField"));
    edField->setReadOnly(true);
    cbbRelation = new QComboBox(gbValue);
    cbbRelation->setObjectName(QStringLiteral("cbbRelation"));
    ccbRelationItems = new TLumCodeComboBox(gbValue);
    ccbRelationItems->setObjectName(QStringLiteral("ccbRelationItems"));
    for (const TRelation &r : Relations)
        ccbRelationItems->AddCode(QLatin1String(r.Code), QString::fromUtf8(r.Item));
    ccbRelationItems->hide();

    STRValue = new QLineEdit(gbValue);
    STRValue->setObjectName(QStringLiteral("STRValue"));
    CodeTableCDS = new TCodeTableCDS(this);
    CodeTableCDS->SetName(QStringLiteral("CodeTableCDS"));
    CodeTableSource = new TDataSource(this);
    CodeTableSource->SetName(QStringLiteral("CodeTableSource"));
    CodeTableSource->SetDataSet(CodeTableCDS);
    gccbValue = new TLUMDBCodeComboBox(gbValue);
    gccbValue->setObjectName(QStringLiteral("gccbValue"));
    gccbValue->SetCodeFieldName(QStringLiteral("Code"));
    gccbValue->SetNameFieldName(QStringLiteral("Descript"));
    gccbValue->SetDataSource(CodeTableSource);
    NumValue = new QLineEdit(gbValue);
    NumValue->setObjectName(QStringLiteral("NumValue"));
    // A sign or digit, then up to eleven digits.
    NumValue->setMaxLength(12);
    NumValue->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[-+0-9][0-9]{0,11}")), NumValue));
    DateValue = new QDateEdit(gbValue);
    DateValue->setObjectName(QStringLiteral("DateValue"));
    DateValue->setCalendarPopup(true);
    DateValue->setDisplayFormat(QStringLiteral("yyyy/MM/dd"));
    DateValue->setDate(Date().ToDate());

    TreeInputDialog = new TCodeTreeInputDialog(this);
    TreeInputDialog->SetName(QStringLiteral("TreeInputDialog"));

    BuildActions();
    auto tool = [this](const char *name, TAction *action, QWidget *parent) {
        auto *button = new QToolButton(parent);
        button->setObjectName(QLatin1String(name));
        button->setDefaultAction(action);
        button->setToolButtonStyle(Qt::ToolButtonTextOnly);
        return button;
    };
    btnTreeInput = tool("btnTreeInput", ActTreeInput, gbValue);
    btnTreeInput->setText(QStringLiteral("..."));

    auto *values = new QHBoxLayout;
    values->setContentsMargins(0, 0, 0, 0);
    for (QWidget *editor :
         std::initializer_list<QWidget *>{STRValue, gccbValue, NumValue, DateValue})
        values->addWidget(editor, 1);
    values->addWidget(btnTreeInput);
    auto *valueLayout = new QFormLayout(gbValue);
    valueLayout->addRow(QStringLiteral("項目:"), edField);
    valueLayout->addRow(QStringLiteral("條件:"), cbbRelation);
    valueLayout->addRow(QStringLiteral("內容:"), values);

    gbParen = new QGroupBox(QStringLiteral("加入(括號)組合"), this);
    gbParen->setObjectName(QStringLiteral("gbParen"));
    gbParen->setToolTip(QStringLiteral("多種條件組合時,可用括號"));
    btnLeftSeg = tool("btnLeftSeg", ActLeftSeg, gbParen);
    btnRightSeg = tool("btnRightSeg", ActRightSeg, gbParen);
    auto *paren = new QHBoxLayout(gbParen);
    paren->addWidget(btnLeftSeg);
    paren->addWidget(btnRightSeg);
    gbConnective = new QGroupBox(QStringLiteral("加入(或則/而且)組合"), this);
    gbConnective->setObjectName(QStringLiteral("gbConnective"));
    btnAnd = tool("btnAnd", ActAnd, gbConnective);
    btnOR = tool("btnOR", ActOR, gbConnective);
    auto *connective = new QHBoxLayout(gbConnective);
    connective->addWidget(btnAnd);
    connective->addWidget(btnOR);
    btnCondition = tool("btnCondition", ActCondition, this);
    btnClear = tool("btnClear", ActClear, this);
    btnUndo = tool("btnUndo", actUndo, this);
    auto *buttonBar = new QHBoxLayout;
    buttonBar->addWidget(btnCondition);
    buttonBar->addWidget(gbParen);
    buttonBar->addWidget(gbConnective);
    buttonBar->addWidget(btnClear);
    buttonBar->addWidget(btnUndo);
    buttonBar->addStretch();

    gbMemo = new QGroupBox(QStringLiteral("篩選條件組合如下"), this);
    gbMemo->setObjectName(QStringLiteral("gbMemo"));
    Memo = new QPlainTextEdit(gbMemo);
    Memo->setObjectName(QStringLiteral("Memo"));
    Memo->setReadOnly(true);
    (new QVBoxLayout(gbMemo))->addWidget(Memo);

    btnOK = new QPushButton(QStringLiteral("確定"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnCancel = new QPushButton(QStringLiteral("取消"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    connect(btnOK, &QPushButton::clicked, ActSure, &QAction::trigger);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(ActSure, &QAction::changed, btnOK, [this] { btnOK->setEnabled(ActSure->isEnabled()); });
    auto *okCancel = new QHBoxLayout;
    okCancel->addStretch();
    okCancel->addWidget(btnOK);
    okCancel->addWidget(btnCancel);

    auto *right = new QVBoxLayout;
    right->addWidget(gbValue);
    right->addLayout(buttonBar);
    right->addWidget(gbMemo, 1);
    right->addLayout(okCancel);
    auto *layout = new QHBoxLayout(this);
    layout->addWidget(gbFields);
    layout->addLayout(right, 1);
    resize(640, 420);

    connect(lbDataFields, &QListWidget::currentRowChanged, this, [this] {
        // A code list whose condition the code table cannot apply is reported here.
        try {
            FieldChanged();
        } catch (...) {
            Application()->HandleException(std::current_exception());
        }
    });
    ClearQuery();
    SaveUndo();
}

TDynamicFilter::~TDynamicFilter() = default;

void TDynamicFilter::BuildActions() {
    auto make = [this](const char *name, const QString &caption, const QString &hint) {
        auto *action = new TAction(this, QLatin1String(name), QStringLiteral("Filter"), caption);
        if (!hint.isEmpty())
            action->SetHint(hint);
        addAction(action);
        return action;
    };
    ActLeftSeg =
        make("ActLeftSeg", QStringLiteral("左("), QStringLiteral("必須在左括號或組合清除之後"));
    ActRightSeg = make("ActRightSeg", QStringLiteral(")右"),
                       QStringLiteral("必須在(右括號或條件之後)且(必須有對應之左括號)"));
    ActCondition = make("ActCondition", QStringLiteral("加入條件內容"),
                        QStringLiteral("必須在(左括號或組合或清除之後)且(必須有條件值)"));
    ActAnd = make("ActAnd", QStringLiteral("(且) AND"), QStringLiteral("必須在右括號或條件之後"));
    ActOR = make("ActOR", QStringLiteral("(或) OR"), QStringLiteral("必須在右括號或條件之後"));
    ActClear = make("ActClear", QStringLiteral("條件清除"), QString());
    actUndo = make("actUndo", QStringLiteral("還原"), QString());
    ActTreeInput =
        make("ActTreeInput", QStringLiteral("代碼輸入"), QStringLiteral("樹狀代碼輔助輸入"));
    ActSure = make("ActSure", QStringLiteral("確定"), QString());
    // A step that fails (a number the edit cannot read, a tree that cannot be read) is
    // reported here, in the form's own loop, and leaves the condition as it was.
    const auto handler = [](std::function<void()> step) {
        return [step] {
            try {
                step();
            } catch (...) {
                Application()->HandleException(std::current_exception());
            }
        };
    };
    ActLeftSeg->OnExecute = handler([this] { ActLeftSegExecute(); });
    ActRightSeg->OnExecute = handler([this] { ActRightSegExecute(); });
    ActCondition->OnExecute = handler([this] { ActConditionExecute(); });
    ActAnd->OnExecute = handler([this] { ActAndExecute(); });
    ActOR->OnExecute = handler([this] { ActORExecute(); });
    ActClear->OnExecute = handler([this] { ActClearExecute(); });
    actUndo->OnExecute = handler([this] { ActUndoExecute(); });
    ActTreeInput->OnExecute = handler([this] { ActTreeInputExecute(); });
    ActSure->OnExecute = [this] { accept(); };
    ActTreeInput->setEnabled(false);
}

bool TDynamicFilter::Execute(TDataSource *dataSource, const TStringList &codeMaps,
                             const TStringList &treeMaps, const TStringList *filterLines,
                             const QString &filterCondition) {
    ClearQuery();
    SaveUndo();
    SetDataFields(dataSource);
    FCodeMaps.Assign(codeMaps);
    FTreeMaps.Assign(treeMaps);
    if (filterLines && !filterCondition.isEmpty()) {
        QStringList lines;
        for (int i = 0; i < filterLines->Count(); ++i)
            lines << (*filterLines)[i];
        Memo->setPlainText(lines.join(u'\n'));
        FFilterSQL = filterCondition;
        FLastStep = lsCondition;
    }
    {
        const QSignalBlocker blocker(lbDataFields);
        lbDataFields->setCurrentRow(0);
    }
    FieldChanged();
    OpCtrl();
    return exec() == QDialog::Accepted;
}

QString TDynamicFilter::GetFilterText() const {
    return Memo->toPlainText();
}

TField *TDynamicFilter::GetActiveField() const {
    const QListWidgetItem *item = lbDataFields->currentItem();
    return item ? static_cast<TField *>(item->data(Qt::UserRole).value<void *>()) : nullptr;
}

void TDynamicFilter::SetDataFields(TDataSource *dataSource) {
    const QSignalBlocker blocker(lbDataFields);
    lbDataFields->clear();
    TDataSet *dataSet = dataSource ? dataSource->DataSet() : nullptr;
    if (dataSet) {
        for (const auto &owned : dataSet->Fields()) {
            TField *field = owned.get();
            if (!IsStringField(field) && !IsNumericField(field) && !IsDateTimeField(field))
                continue;
            auto *item = new QListWidgetItem(field->DisplayLabel(), lbDataFields);
            item->setData(Qt::UserRole, QVariant::fromValue(static_cast<void *>(field)));
        }
    }
    if (lbDataFields->count() == 0)
        throw Exception(QStringLiteral("Fields Not Found"));
}

void TDynamicFilter::FieldChanged() {
    TField *field = GetActiveField();
    if (!field)
        return;
    edField->setText(field->DisplayLabel());
    const QString codeMap = FCodeMaps.Values(field->FieldName());
    const bool isString = IsStringField(field);
    const bool coded = isString && !codeMap.isEmpty();
    gccbValue->setVisible(coded);
    STRValue->setVisible(isString && !coded);
    NumValue->setVisible(IsNumericField(field));
    DateValue->setVisible(IsDateTimeField(field));
    if (coded) {
        // The code table is read when a field first needs its codes.
        if (!CodeTableCDS->Active())
            CodeTableCDS->Open();
        gccbValue->SetCodeFilter(codeMap);
        const bool listed = gccbValue->count() > 0;
        gccbValue->setVisible(listed);
        if (listed)
            gccbValue->setCurrentIndex(0);
    }
    STRValue->clear();
    NumValue->setText(QStringLiteral("0"));
    const QString treeName = FTreeMaps.Values(field->FieldName());
    ActTreeInput->setEnabled(isString && !treeName.isEmpty());
    if (ActTreeInput->isEnabled())
        TreeInputDialog->TreeName = treeName;
    if (!gccbValue->isHidden())
        RelationSet(2);
    else if (!NumValue->isHidden() || !DateValue->isHidden())
        RelationSet(6);
    else if (!STRValue->isHidden())
        RelationSet(8);
    else
        RelationSet(0);
}

void TDynamicFilter::RelationSet(int n) {
    cbbRelation->clear();
    for (int i = 0; i < n && i < ccbRelationItems->count(); ++i)
        cbbRelation->addItem(ccbRelationItems->itemText(i));
    if (n > 0)
        cbbRelation->setCurrentIndex(0);
}

void TDynamicFilter::OpCtrl() {
    const int step = FLastStep;
    const bool afterStart = step == lsConnective || step == lsLeftParen || step == lsEmpty;
    const bool afterTerm = step == lsCondition || step == lsRightParen;
    ActLeftSeg->setEnabled(afterStart);
    ActCondition->setEnabled(afterStart);
    ActRightSeg->setEnabled(FParenDepth != 0 && afterTerm);
    ActAnd->setEnabled(afterTerm);
    ActOR->setEnabled(afterTerm);
    ActClear->setEnabled(step != lsEmpty);
    ActSure->setEnabled(FParenDepth == 0 && (afterTerm || step == lsEmpty));
    btnOK->setEnabled(ActSure->isEnabled());
}

void TDynamicFilter::ClearQuery() {
    FFilterSQL.clear();
    Memo->clear();
    FParenDepth = 0;
    FLastStep = lsEmpty;
    OpCtrl();
}

void TDynamicFilter::SaveUndo() {
    FUndo = TUndo{Memo->toPlainText(), FParenDepth, FLastStep, FFilterSQL};
}

void TDynamicFilter::AddMemoLine(const QString &line) {
    const QString text = Memo->toPlainText();
    Memo->setPlainText(text.isEmpty() ? line : text + u'\n' + line);
}

void TDynamicFilter::AppendMemo(const QString &text) {
    Memo->setPlainText(Memo->toPlainText() + text);
}

void TDynamicFilter::ConditionValue(QString &display, QString &sql) {
    display.clear();
    sql.clear();
    if (!gccbValue->isHidden()) {
        display = gccbValue->currentText();
        sql = Quoted(gccbValue->GetCode());
    } else if (!DateValue->isHidden()) {
        display = DateToStr(TDateTime::FromDate(DateValue->date()));
        sql = Quoted(display);
    } else if (!NumValue->isHidden()) {
        display = FloatToStr(StrToFloat(NumValue->text()));
        sql = display;
    } else if (!STRValue->isHidden() && !STRValue->text().isEmpty()) {
        const int relation = cbbRelation->currentIndex();
        if (relation == RelationContains)
            STRValue->setText(u'%' + STRValue->text() + u'%');
        else if (relation == RelationStartsWith)
            STRValue->setText(STRValue->text() + u'%');
        display = STRValue->text();
        sql = Quoted(display);
    }
}

void TDynamicFilter::ActConditionExecute() {
    TField *field = GetActiveField();
    const int relation = cbbRelation->currentIndex();
    if (!field || relation < 0)
        return;
    QString display, sql;
    ConditionValue(display, sql);
    if (display.isEmpty())
        return;
    SaveUndo();
    FLastStep = lsCondition;
    AppendMemo(u' ' + field->DisplayLabel() + u' ' + ccbRelationItems->itemText(relation) +
               QStringLiteral(" [") + display + u']');
    FFilterSQL +=
        u' ' + field->FieldName() + u' ' + ccbRelationItems->CodeItems()[relation] + u' ' + sql;
    OpCtrl();
}

void TDynamicFilter::ActAndExecute() {
    SaveUndo();
    FLastStep = lsConnective;
    AddMemoLine(QStringLiteral("而且 "));
    FFilterSQL += QStringLiteral(" AND ");
    OpCtrl();
}

void TDynamicFilter::ActORExecute() {
    SaveUndo();
    FLastStep = lsConnective;
    AppendMemo(QStringLiteral(" 或則 "));
    FFilterSQL += QStringLiteral(" OR ");
    OpCtrl();
}

void TDynamicFilter::ActLeftSegExecute() {
    SaveUndo();
    FLastStep = lsLeftParen;
    if (FParenDepth == 0)
        AddMemoLine(QStringLiteral("( "));
    else
        AppendMemo(QStringLiteral(" ( "));
    FFilterSQL += QStringLiteral(" ( ");
    ++FParenDepth;
    OpCtrl();
}

void TDynamicFilter::ActRightSegExecute() {
    SaveUndo();
    FLastStep = lsRightParen;
    AppendMemo(QStringLiteral(" ) "));
    FFilterSQL += QStringLiteral(" ) ");
    --FParenDepth;
    OpCtrl();
}

void TDynamicFilter::ActClearExecute() {
    SaveUndo();
    ClearQuery();
}

void TDynamicFilter::ActUndoExecute() {
    Memo->setPlainText(FUndo.MemoText);
    FParenDepth = FUndo.ParenDepth;
    FLastStep = FUndo.LastStep;
    FFilterSQL = FUndo.FilterSQL;
    OpCtrl();
}

void TDynamicFilter::ActTreeInputExecute() {
    if (!TreeInputDialog->Execute())
        return;
    if (!gccbValue->isHidden()) {
        for (int i = 0; i < gccbValue->CodeItems().Count(); ++i)
            if (gccbValue->CodeItems()[i] == TreeInputDialog->Code) {
                gccbValue->setCurrentIndex(i);
                break;
            }
    } else if (!STRValue->isHidden()) {
        STRValue->setText(TreeInputDialog->GetText());
    }
}
