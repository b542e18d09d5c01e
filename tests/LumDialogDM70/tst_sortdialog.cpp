// The sort component and its form, ticked as a user ticks (the space key on a field of the
// check list), and the field setup: which fields are offered under the disabled tag classes,
// the order of ticking as the order of the rows, labels that no longer exist, the natural
// order when nothing is ticked, both ways of ordering, and a tick in the field setup hiding
// the grid's column while the setup is still open.

#include "ClientDataSet.h"
#include "DBCheckListBox.h"
#include "DBGridModel.h"
#include "DataSource.h"
#include "DialogSets.h"
#include "Exceptions.h"
#include "Fields.h"
#include "TestMain.h"
#include "uFieldsSetupDlg.h"
#include "uTqClientDataSetSortDlg.h"

#include <QGroupBox>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>
#include <QTimer>

namespace {

// Students: class and seat repeat so that an order by both shows which comes first.
void MakeStudents(TClientDataSet &ds) {
    ds.AddField(ftString, QStringLiteral("ClassID"), 10)->SetDisplayLabel(QStringLiteral("班級"));
    ds.AddField(ftInteger, QStringLiteral("SeatNo"))->SetDisplayLabel(QStringLiteral("座號"));
    ds.AddField(ftString, QStringLiteral("Cht_Name"), 20)->SetDisplayLabel(QStringLiteral("姓名"));
    TField *info = ds.AddField(ftString, QStringLiteral("EditInfo"), 60);
    info->SetDisplayLabel(QStringLiteral("異動記錄"));
    info->SetTag(9);
    ds.AddField(ftMemo, QStringLiteral("Note"))->SetDisplayLabel(QStringLiteral("備註"));
    ds.AddField(ftInteger, QStringLiteral("Age"), 0, fkCalculated)
        ->SetDisplayLabel(QStringLiteral("年齡"));
    TField *big = ds.AddField(ftString, QStringLiteral("Big"), 4);
    big->SetTag(16);
    ds.CreateDataSet();
    const struct {
        const char *Class;
        int Seat;
        const char *Name;
    } rows[] = {{"102", 1, "c"}, {"101", 2, "a"}, {"102", 2, "d"}, {"101", 1, "b"}};
    for (const auto &r : rows) {
        ds.Append();
        ds.FieldByName("ClassID")->SetAsString(QLatin1String(r.Class));
        ds.FieldByName("SeatNo")->SetAsInteger(r.Seat);
        ds.FieldByName("Cht_Name")->SetAsString(QLatin1String(r.Name));
        ds.Post();
    }
}

QString Names(TDataSet &ds) {
    QString s;
    for (ds.First(); !ds.Eof(); ds.Next())
        s += ds.FieldByName("Cht_Name")->AsString();
    return s;
}

QStringList Items(const QListWidget *list) {
    QStringList items;
    for (int i = 0; i < list->count(); ++i)
        items << list->item(i)->text() + (list->item(i)->checkState() == Qt::Checked ? "+" : "");
    return items;
}

// Ticks or unticks the item with that label as a user does: select it, press space.
void Tick(QListWidget *list, const QString &label) {
    const auto found = list->findItems(label, Qt::MatchExactly);
    QVERIFY2(!found.isEmpty(), qPrintable(label));
    list->setFocus();
    list->setCurrentItem(found.first());
    const Qt::CheckState before = found.first()->checkState();
    QTest::keyClick(list, Qt::Key_Space);
    QVERIFY(found.first()->checkState() != before);
}

template <class Form> void WhenShown(std::function<void(Form *)> act) {
    QTimer::singleShot(0, [act] {
        auto *form = qobject_cast<Form *>(QApplication::activeModalWidget());
        QVERIFY(form);
        act(form);
        if (form->isVisible())
            form->reject();
    });
}

TStringList Lines(const QString &text) {
    TStringList list;
    list.SetText(text);
    return list;
}

} // namespace

class TstSortDialog : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void theComponentNeedsAClientDataSet() {
        TDataSortDialog dialog;
        QVERIFY(dialog.OptionsTagValue() == TTAOptions{N_9});
        QCOMPARE(dialog.SortBy(), cstByIndexName);
        const auto raises = [&](const QString &message) {
            try {
                dialog.Execute();
                QFAIL("no error");
            } catch (const Exception &e) {
                QCOMPARE(e.Message(), message);
            }
            QVERIFY(QApplication::activeModalWidget() == nullptr);
        };
        raises(QStringLiteral("Data Set Is Nil"));
        auto *source = new TDataSource;
        dialog.SetDataSource(source);
        raises(QStringLiteral("Data Set Is Nil"));
        TDataSet plain;
        source->SetDataSet(&plain);
        raises(QStringLiteral("DataSet must be TClientDataSet "));
        delete source;
        QVERIFY(dialog.DataSource() == nullptr);
    }

    void ticksOrderTheRowsInTheirOrder() {
        TClientDataSet ds;
        MakeStudents(ds);
        TDataSource source;
        source.SetDataSet(&ds);
        TDataSortDialog dialog;
        dialog.SetDataSource(&source);
        // The kept order names a label that no longer exists: that line goes.
        dialog.SetSortFields(Lines(QStringLiteral("舊欄位\n")));
        WhenShown<TTqClientDataSetSortDlg>([&](TTqClientDataSetSortDlg *form) {
            QCOMPARE(form->windowTitle(), QStringLiteral("設定排序欄位"));
            // Tag 9 is disabled; memo, calculated fields are never offered; tag 16 always is.
            QCOMPARE(Items(form->clbSortFields), (QStringList{"班級", "座號", "姓名", "Big"}));
            QCOMPARE(form->lbSortSelected->count(), 0);
            Tick(form->clbSortFields, QStringLiteral("座號"));
            Tick(form->clbSortFields, QStringLiteral("班級"));
            QCOMPARE(Items(form->lbSortSelected), (QStringList{"座號", "班級"}));
            // Applied at once, seat first.
            QCOMPARE(Names(ds), QStringLiteral("bcad"));
            form->btnClose->click();
        });
        dialog.Execute();
        QCOMPARE(dialog.SortFields().Text(), QStringLiteral("座號\n班級\n"));
        QCOMPARE(ds.IndexDefs()[ds.IndexDefs().IndexOf(ds.IndexName())].Fields,
                 QStringLiteral("SeatNo;ClassID"));
        QCOMPARE(Names(ds), QStringLiteral("bcad"));

        // The next run shows the kept order ticked; class first, then natural order again.
        WhenShown<TTqClientDataSetSortDlg>([&](TTqClientDataSetSortDlg *form) {
            QCOMPARE(Items(form->clbSortFields), (QStringList{"班級+", "座號+", "姓名", "Big"}));
            QCOMPARE(Items(form->lbSortSelected), (QStringList{"座號", "班級"}));
            Tick(form->clbSortFields, QStringLiteral("座號"));
            Tick(form->clbSortFields, QStringLiteral("座號"));
            QCOMPARE(Items(form->lbSortSelected), (QStringList{"班級", "座號"}));
            QCOMPARE(Names(ds), QStringLiteral("bacd"));
            const int definitions = ds.IndexDefs().Count();
            Tick(form->clbSortFields, QStringLiteral("班級"));
            Tick(form->clbSortFields, QStringLiteral("座號"));
            QVERIFY(ds.IndexName().isEmpty());
            QCOMPARE(Names(ds), QStringLiteral("cadb"));
            // An order chosen before uses its index definition again.
            Tick(form->clbSortFields, QStringLiteral("座號"));
            Tick(form->clbSortFields, QStringLiteral("班級"));
            QCOMPARE(ds.IndexDefs().Count(), definitions);
            form->btnClose->click();
        });
        dialog.Execute();
        QCOMPARE(dialog.SortFields().Text(), QStringLiteral("座號\n班級\n"));
    }

    void tagClassesAndFieldNameOrders() {
        TClientDataSet ds;
        MakeStudents(ds);
        TDataSource source;
        source.SetDataSet(&ds);
        TDataSortDialog dialog;
        dialog.SetDataSource(&source);
        dialog.SetOptionsTagValue(TTAOptions{});
        dialog.SetSortBy(cstByFieldName);
        WhenShown<TTqClientDataSetSortDlg>([&](TTqClientDataSetSortDlg *form) {
            QCOMPARE(Items(form->clbSortFields),
                     (QStringList{"班級", "座號", "姓名", "異動記錄", "Big"}));
            Tick(form->clbSortFields, QStringLiteral("姓名"));
            QCOMPARE(ds.IndexFieldNames(), QStringLiteral("Cht_Name"));
            QCOMPARE(Names(ds), QStringLiteral("abcd"));
            Tick(form->clbSortFields, QStringLiteral("姓名"));
            QVERIFY(ds.IndexFieldNames().isEmpty());
            QCOMPARE(Names(ds), QStringLiteral("cadb"));
            form->btnClose->click();
        });
        dialog.Execute();
        QCOMPARE(dialog.SortFields().Count(), 0);
        // The form's own operations: an order given as fields replaces the ticked one.
        TTqClientDataSetSortDlg form;
        form.SetSortBy(cstByFieldName);
        form.SetDataSet(&ds);
        form.SortFields({ds.FieldByName("ClassID"), ds.FieldByName("Cht_Name")});
        QCOMPARE(form.GetSortFieldNames(), QStringLiteral("班級\n姓名\n"));
        QCOMPARE(ds.IndexFieldNames(), QStringLiteral("ClassID;Cht_Name"));
        form.SetDisableTagValue(TTAOptions{N_0});
        QCOMPARE(Items(form.clbSortFields), (QStringList{"異動記錄", "Big"}));
        QCOMPARE(form.lbSortSelected->count(), 0);
        QVERIFY(ds.IndexFieldNames().isEmpty());
    }

    void theFieldSetupHidesAColumnAtOnce() {
        TClientDataSet ds;
        MakeStudents(ds);
        TDataSource source;
        source.SetDataSet(&ds);
        QTableView grid;
        TDBGridModel model;
        model.SetDataSource(&source);
        grid.setModel(&model);
        const int columns = model.columnCount();
        WhenShown<TFieldsSetupdlg>([&](TFieldsSetupdlg *form) {
            QCOMPARE(form->gbFieldsTitle->title(), QStringLiteral("學生欄位"));
            QCOMPARE(Items(form->dbclbFields).mid(0, 3), (QStringList{"班級+", "座號+", "姓名+"}));
            Tick(form->dbclbFields, QStringLiteral("座號"));
            QVERIFY(!ds.FieldByName("SeatNo")->Visible());
            QCOMPARE(model.columnCount(), columns - 1);
            QCOMPARE(model.headerData(1, Qt::Horizontal).toString(), QStringLiteral("姓名"));
            Tick(form->dbclbFields, QStringLiteral("班級"));
            Tick(form->dbclbFields, QStringLiteral("班級"));
            QCOMPARE(model.columnCount(), columns - 1);
            form->btnOK->click();
        });
        HandleFieldsSetup(QStringLiteral("學生欄位"), &source);
        QVERIFY(!ds.FieldByName("SeatNo")->Visible());
        QVERIFY(ds.FieldByName("ClassID")->Visible());
    }
};

LUM_TEST_MAIN(TstSortDialog)
#include "tst_sortdialog.moc"
