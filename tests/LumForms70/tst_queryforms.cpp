// The query forms over a provider on an SQLite file: a query runs once until a criterion
// changes, the advanced filter composed in the filter form, the sort lists in tick order, a
// failing query that leaves the data closed with its order kept, and the row count.

#include "DialogSets.h"
#include "Exceptions.h"
#include "FilterFormDriver.h"
#include "LocalStudents.h"
#include "ServerLocations.h"
#include "TestMain.h"
#include "uBaseTBQueryForm.h"
#include "uBaseTBQueryFormCDS.h"
#include "uGenSQLWhere.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QToolButton>

namespace {

// A student query by sex, as a job form builds it: the criterion and the advanced condition
// make the dataset's command text.
template <class TBase> class TStudentQuery : public TBase {
public:
    QString Sex;
    QStringList Commands;
    void DoQueryCommand() override {
        QString where;
        if (!Sex.isEmpty())
            where = QStringLiteral("Sex = '%1'").arg(Sex);
        where = TQueryFormBase::AndCond(where, this->GetQueryWhere());
        QString sql = QStringLiteral("SELECT No, Name, Sex, EditInfo FROM students");
        if (!where.isEmpty())
            sql += QStringLiteral(" WHERE ") + where;
        this->GetActiveDataSet()->SetCommandText(sql + QStringLiteral(" ORDER BY No"));
        Commands << sql;
    }
    void SetSex(const QString &sex) {
        if (sex == Sex)
            return;
        Sex = sex;
        this->CodeChange();
    }
};

QStringList Column(TDataSet *d, const char *field) {
    QStringList values;
    d->DisableControls();
    for (d->First(); !d->Eof(); d->Next())
        values << d->FieldByName(QString::fromLatin1(field))->AsString();
    d->EnableControls();
    return values;
}

QStringList Lines(const QListWidget *list) {
    QStringList lines;
    for (int i = 0; i < list->count(); ++i)
        lines << list->item(i)->text();
    return lines;
}

void Tick(QListWidget *list, const QString &label, bool checked) {
    const auto items = list->findItems(label, Qt::MatchExactly);
    QVERIFY2(!items.isEmpty(), qPrintable(label));
    items.first()->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
}

void Label(TClientDataSet *d) {
    d->FieldByName(QStringLiteral("No"))->SetDisplayLabel(QStringLiteral("學號"));
    d->FieldByName(QStringLiteral("Name"))->SetDisplayLabel(QStringLiteral("姓名"));
    d->FieldByName(QStringLiteral("Sex"))->SetDisplayLabel(QStringLiteral("性別"));
}

} // namespace

class TstQueryForms : public QObject {
    Q_OBJECT
    std::unique_ptr<TAppServerFixture> FServer;
    QStringList FErrors;

    template <class TBase> void queryRunsOnceUntilACriterionChanges() {
        TStudents db;
        TStudentQuery<TBase> form;
        db.Bind(&form, form.GetActiveDataSet());
        form.show();
        TClientDataSet *d = form.GetActiveDataSet();
        QVERIFY(form.DataQuery->isEnabled());
        QVERIFY(!form.DataApplyUpdate->isVisible());
        QCOMPARE(form.edCount->text(), QStringLiteral("0"));
        form.DataQuery->trigger();
        QVERIFY(d->Active());
        QCOMPARE(form.edCount->text(), QStringLiteral("3"));
        QVERIFY(!form.DataQuery->isEnabled());
        QVERIFY(form.DataPrint->isEnabled());
        QVERIFY(form.ExportToExcel->isEnabled());
        // The same criterion or the same advanced condition changes nothing.
        form.SetSex(QString());
        form.SetWhereFilter(QString());
        QVERIFY(d->Active());
        // Another one closes the data and offers the query again.
        form.SetSex(QStringLiteral("1"));
        QVERIFY(!d->Active());
        QVERIFY(form.DataQuery->isEnabled());
        QCOMPARE(form.edCount->text(), QStringLiteral("0"));
        form.DataQuery->trigger();
        QCOMPARE(Column(d, "No"), (QStringList{"S01", "S03"}));
        QCOMPARE(form.edCount->text(), QStringLiteral("2"));
        form.SetWhereFilter(QStringLiteral("Name LIKE '陳%'"));
        QVERIFY(!d->Active());
        form.DataQuery->trigger();
        QCOMPARE(Column(d, "No"), (QStringList{"S03"}));
        QCOMPARE(form.Commands.last(),
                 QStringLiteral("SELECT No, Name, Sex, EditInfo FROM students WHERE ( Sex = '1' "
                                "And Name LIKE '陳%' )"));
        // A change in the grid: the export and the print wait for the confirm.
        form.DataEdit->setVisible(true);
        form.DataApplyUpdate->setVisible(true);
        form.DataEditExecute();
        d->FieldByName(QStringLiteral("Name"))->SetAsString(QStringLiteral("陳小同"));
        d->Post();
        QVERIFY(!form.ExportToExcel->isEnabled());
        QVERIFY(!form.DataPrint->isEnabled());
        QVERIFY(form.DataApplyUpdate->isEnabled());
        form.DataApplyUpdateExecute();
        QCOMPARE(db.Value("SELECT Name FROM students WHERE No='S03'"), QStringLiteral("陳小同"));
        QVERIFY(form.ExportToExcel->isEnabled());
        QVERIFY2(FErrors.isEmpty(), qPrintable(FErrors.join(u'\n')));
    }

private Q_SLOTS:
    void initTestCase() {
        FServer = std::make_unique<TAppServerFixture>();
        PointServersAt(*FServer);
        Application()->OnException = [this](const QString &m) { FErrors << m; };
    }
    void cleanupTestCase() { FServer.reset(); }
    void init() { FErrors.clear(); }

    void conditionsCombine() {
        QCOMPARE(TQueryFormBase::AndCond(QString(), QString()), QString());
        QCOMPARE(TQueryFormBase::OrCond(QStringLiteral("a"), QString()), QStringLiteral("a"));
        QCOMPARE(TQueryFormBase::OrCond(QString(), QStringLiteral("b")), QStringLiteral("b"));
        QCOMPARE(TQueryFormBase::AndCond(QStringLiteral("a"), QStringLiteral("b")),
                 QStringLiteral("( a And b )"));
        QCOMPARE(TQueryFormBase::OrCond(QStringLiteral("a"), QStringLiteral("b")),
                 QStringLiteral("( a Or b )"));
    }

    void theQueryFormRunsOnceUntilACriterionChanges() {
        queryRunsOnceUntilACriterionChanges<TBaseTBQueryForm>();
    }
    void theCdsQueryFormRunsOnceUntilACriterionChanges() {
        queryRunsOnceUntilACriterionChanges<TBaseTBQueryFormCDS>();
    }

    void theAdvancedFilterComesFromTheFilterForm() {
        TStudents db;
        TStudentQuery<TBaseTBQueryFormCDS> form;
        form.SetCaption(QStringLiteral("學生查詢"));
        db.Bind(&form, form.QueryDataSet);
        // The fields offered: those the job form defines for the filter.
        form.FilterFields->FieldDefs().Add(QStringLiteral("Name"), ftString, 40);
        form.FilterFields->FieldDefs().Add(QStringLiteral("Sex"), ftString, 1);
        form.FilterFields->CreateDataSet();
        form.FilterFields->FieldByName(QStringLiteral("Name"))
            ->SetDisplayLabel(QStringLiteral("姓名"));
        form.FilterFields->FieldByName(QStringLiteral("Sex"))
            ->SetDisplayLabel(QStringLiteral("性別"));
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(form.DataFilterDialog->Caption(), QStringLiteral("學生查詢"));
        QVERIFY(form.PageControl->isTabVisible(form.PageControl->indexOf(form.tsAdvanceSelect)));
        form.DataQuery->trigger();
        QVERIFY(form.QueryDataSet->Active());
        // Cancelled: nothing changes, the data stay.
        WhenFilterShown([](TDynamicFilter *filter) {
            QCOMPARE(filter->windowTitle(), QStringLiteral("查詢條件組合:[學生查詢]"));
            Click(filter->btnCancel);
        });
        QTest::mouseClick(form.btnAdvanceSelect, Qt::LeftButton);
        QVERIFY(form.QueryDataSet->Active());
        QVERIFY(form.Memo->toPlainText().isEmpty());
        // Girls only: the memo reads it, the data close, the next query asks for it.
        WhenFilterShown([](TDynamicFilter *filter) {
            ClickField(filter, QStringLiteral("性別"));
            filter->gccbValue->setFocus();
            QTest::keyClick(filter->gccbValue, Qt::Key_Down);
            QCOMPARE(filter->gccbValue->currentText(), QStringLiteral("女"));
            Click(filter->btnCondition);
            Click(filter->btnOK);
        });
        QTest::mouseClick(form.btnAdvanceSelect, Qt::LeftButton);
        QCOMPARE(form.Memo->toPlainText().trimmed(), QStringLiteral("性別 等於 [女]"));
        QVERIFY(!form.QueryDataSet->Active());
        QCOMPARE(form.GetQueryWhere().simplified(), QStringLiteral("Sex = '2'"));
        form.DataQuery->trigger();
        QCOMPARE(Column(form.QueryDataSet, "No"), (QStringList{"S02"}));
        // The same condition accepted again keeps the data open.
        WhenFilterShown([](TDynamicFilter *filter) { Click(filter->btnOK); });
        QTest::mouseClick(form.btnAdvanceSelect, Qt::LeftButton);
        QVERIFY(form.QueryDataSet->Active());
        // Without the action the page is not offered.
        TStudentQuery<TBaseTBQueryForm> plain;
        plain.DataAdvanceSelect->setVisible(false);
        db.Bind(&plain, plain.ActiveDataSet);
        plain.show();
        QVERIFY(
            !plain.PageControl->isTabVisible(plain.PageControl->indexOf(plain.tsAdvanceSelect)));
        QVERIFY2(FErrors.isEmpty(), qPrintable(FErrors.join(u'\n')));
    }

    void sortKeysFollowTheTickOrder() {
        TStudents db;
        TStudentQuery<TBaseTBQueryFormCDS> form;
        db.Bind(&form, form.QueryDataSet);
        TClientDataSet *d = form.QueryDataSet;
        d->AddField(ftString, QStringLiteral("No"), 10);
        d->AddField(ftString, QStringLiteral("Name"), 40);
        d->AddField(ftString, QStringLiteral("Sex"), 1);
        d->AddField(ftString, QStringLiteral("EditInfo"), 255);
        Label(d);
        d->AddIndex(QStringLiteral("BySexName"), QStringLiteral("Sex;Name"));
        // A default order preset by the job form; one of its labels matches no field.
        form.lbSortSelected->addItems({QStringLiteral("性別"), QStringLiteral("年級")});
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(Lines(form.clbSortFields), (QStringList{"學號", "姓名", "性別", "EditInfo"}));
        QCOMPARE(Lines(form.lbSortSelected), (QStringList{"性別"}));
        QCOMPARE(form.clbSortFields->item(2)->checkState(), Qt::Checked);
        form.DataQuery->trigger();
        QCOMPARE(d->IndexFields(), (QStringList{"Sex"}));
        QCOMPARE(Column(d, "No"), (QStringList{"S01", "S03", "S02"}));
        // The name next: the existing index over exactly those fields is taken.
        Tick(form.clbSortFields, QStringLiteral("姓名"), true);
        QCOMPARE(Lines(form.lbSortSelected), (QStringList{"性別", "姓名"}));
        QCOMPARE(d->IndexName(), QStringLiteral("BySexName"));
        QCOMPARE(Column(d, "Name"), (QStringList{"王小明", "陳大同", "李小華"}));
        // Sex out, then back in: now after the name.
        Tick(form.clbSortFields, QStringLiteral("性別"), false);
        Tick(form.clbSortFields, QStringLiteral("性別"), true);
        QCOMPARE(Lines(form.lbSortSelected), (QStringList{"姓名", "性別"}));
        QCOMPARE(d->IndexFields(), (QStringList{"Name", "Sex"}));
        QCOMPARE(Column(d, "No"), (QStringList{"S02", "S01", "S03"}));
        // Nothing ticked: the order the server gave.
        Tick(form.clbSortFields, QStringLiteral("姓名"), false);
        Tick(form.clbSortFields, QStringLiteral("性別"), false);
        QVERIFY(form.lbSortSelected->count() == 0);
        QVERIFY(d->IndexName().isEmpty());
        QCOMPARE(Column(d, "No"), (QStringList{"S01", "S02", "S03"}));
        // The field list shows and hides columns.
        form.dbclbFields->setCurrentRow(1);
        form.dbclbFields->SetChecked(1, false);
        form.dbclbFieldsClickCheck(form.dbclbFields);
        QVERIFY(!d->FieldByName(QStringLiteral("Name"))->Visible());
        QVERIFY2(FErrors.isEmpty(), qPrintable(FErrors.join(u'\n')));
    }

    void aRefusedQueryLeavesTheDataClosedWithTheirOrder() {
        TStudents db;
        TStudentQuery<TBaseTBQueryForm> form;
        db.Bind(&form, form.ActiveDataSet);
        form.show();
        TClientDataSet *d = form.ActiveDataSet;
        form.DataQuery->trigger();
        d->AddIndex(QStringLiteral("ByName"), QStringLiteral("Name"));
        d->SetIndexName(QStringLiteral("ByName"));
        form.SetWhereFilter(QStringLiteral("NoSuchColumn = 1"));
        form.DataQuery->trigger();
        QCOMPARE(FErrors.size(), 1);
        QVERIFY2(FErrors.first().contains(QStringLiteral("NoSuchColumn")),
                 qPrintable(FErrors.first()));
        QVERIFY(!d->Active());
        QCOMPARE(d->IndexName(), QStringLiteral("ByName"));
        QVERIFY(form.DataQuery->isEnabled());
        QCOMPARE(form.edCount->text(), QStringLiteral("0"));
        // Mended, the query runs in the order that was kept.
        form.SetWhereFilter(QString());
        form.DataQuery->trigger();
        QCOMPARE(Column(d, "Name"), (QStringList{"李小華", "王小明", "陳大同"}));
        FErrors.clear();
    }
};

LUM_TEST_MAIN(TstQueryForms)
#include "tst_queryforms.moc"
