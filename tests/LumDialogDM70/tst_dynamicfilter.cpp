// The filter component and its form, driven as a user drives them: fields clicked in the list,
// comparisons chosen and values typed with keys, steps added with the buttons. The code lists
// and the stored tree come from a real server on loopback. Covered: the component's checks
// and kept condition, which fields and editors are offered, the two texts side by side, the
// rules of the OK button and the other steps, quotes inside a typed value, undo, continuing an
// earlier condition, and the condition applied as the dataset's filter.

#include "AppServerFixture.h"
#include "ClientDataSet.h"
#include "CodeTableCDS.h"
#include "DBDelphiVCL.h"
#include "DataSource.h"
#include "DialogSets.h"
#include "Exceptions.h"
#include "Fields.h"
#include "FilterFormDriver.h"
#include "ModalAnswer.h"
#include "ServerLocations.h"
#include "TestMain.h"
#include "uCodeComboBox.h"
#include "uDynamicFilter.h"
#include "uJobScheduleDlg.h"
#include "uObjServers.h"
#include "uTreeCodeInput.h"

#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

namespace {

// Students of a small local dataset: name, sex, class, seat, birthday, and two fields the
// filter does not offer.
void MakeStudents(TClientDataSet &ds) {
    const struct {
        TFieldType Type;
        const char *Name, *Label;
        int Size;
    } fields[] = {{ftString, "Cht_Name", "姓名", 20}, {ftString, "Sex", "性別", 1},
                  {ftBoolean, "OnRoll", "在學", 0},   {ftString, "ClassID", "班級", 10},
                  {ftInteger, "SeatNo", "座號", 0},   {ftDate, "Birthday", "生日", 0},
                  {ftBlob, "Photo", "相片", 0}};
    for (const auto &f : fields)
        ds.AddField(f.Type, QLatin1String(f.Name), f.Size)
            ->SetDisplayLabel(QString::fromUtf8(f.Label));
    ds.CreateDataSet();
    const struct {
        const char *Name, *Sex, *Class;
        int Seat;
    } rows[] = {{"王小明", "1", "101", 3},
                {"O'Brien", "2", "101", 7},
                {"林美華", "2", "102", 12},
                {"abby", "2", "201", 5},
                {"陳大同", "1", "102", 9}};
    for (const auto &r : rows) {
        ds.Append();
        ds.FieldByName("Cht_Name")->SetAsString(QString::fromUtf8(r.Name));
        ds.FieldByName("Sex")->SetAsString(QLatin1String(r.Sex));
        ds.FieldByName("ClassID")->SetAsString(QLatin1String(r.Class));
        ds.FieldByName("SeatNo")->SetAsInteger(r.Seat);
        ds.FieldByName("Birthday")->SetValue(Variant(TDateTime::EncodeDate(2008, 1, r.Seat)));
        ds.Post();
    }
}

// The enabled steps of the form, as the buttons show them.
QString Allowed(const TDynamicFilter *form) {
    QString s;
    s += form->btnLeftSeg->isEnabled() ? u'(' : u'-';
    s += form->btnCondition->isEnabled() ? u'C' : u'-';
    s += form->btnRightSeg->isEnabled() ? u')' : u'-';
    s += form->btnAnd->isEnabled() && form->btnOR->isEnabled() ? u'&' : u'-';
    s += form->btnOK->isEnabled() ? u'K' : u'-';
    return s;
}

TStringList Lines(std::initializer_list<const char *> lines) {
    TStringList list;
    for (const char *line : lines)
        list.Add(QString::fromUtf8(line));
    return list;
}

} // namespace

class TstDynamicFilter : public QObject {
    Q_OBJECT
    std::unique_ptr<TAppServerFixture> FServer;
    QStringList FErrors;

private Q_SLOTS:
    void initTestCase() {
        Application()->OnException = [this](const QString &m) { FErrors << m; };
        FServer = std::make_unique<TAppServerFixture>();
        PointServersAt(*FServer);
        FServer->Query(QStringLiteral("UPDATE ServerLocation SET Port = %1").arg(FServer->Port()));
        OrvServerDataSet->LocalBroker()->Servers().clear();
        OrvServerDataSet->LocalBroker()->InsertFirstItem(QStringLiteral("127.0.0.1"),
                                                         FServer->Port());
        for (TSystemTable *table : {CodeTableSystemTable(), DelphiVCLSystemTable()}) {
            table->Broker()->Servers().clear();
            table->Broker()->AddServer(QStringLiteral("127.0.0.1"), FServer->Port());
        }
    }
    void cleanupTestCase() {
        Application()->OnException = nullptr;
        FServer.reset();
    }
    void init() { FErrors.clear(); }

    void theComponentChecksAndKeepsItsCondition() {
        TDataFilterDialog dialog;
        const auto raises = [&](const QString &message) {
            try {
                dialog.Execute();
                QFAIL("no error");
            } catch (const Exception &e) {
                QCOMPARE(e.Message(), message);
            }
        };
        raises(QStringLiteral("DataSource Is Nil"));
        auto *source = new TDataSource;
        dialog.SetDataSource(source);
        raises(QStringLiteral("DataSource.DataSet Is Nil"));
        // Only Boolean and blob fields: nothing to filter on, and no form comes up.
        TClientDataSet flags;
        flags.AddField(ftBoolean, QStringLiteral("OnRoll"));
        flags.AddField(ftBlob, QStringLiteral("Photo"));
        flags.CreateDataSet();
        source->SetDataSet(&flags);
        raises(QStringLiteral("Fields Not Found"));
        QVERIFY(QApplication::activeModalWidget() == nullptr);

        QCOMPARE(dialog.GetFilter(), QStringLiteral("(  )"));
        dialog.FilterLines.Add(QStringLiteral("line"));
        dialog.FilterCondition = QStringLiteral(" Sex  = '2'");
        QCOMPARE(dialog.GetFilter(), QStringLiteral("(  Sex  = '2' )"));
        dialog.SetDataSource(source); // the same source keeps the condition
        QCOMPARE(dialog.FilterCondition, QStringLiteral(" Sex  = '2'"));
        TDataSource other;
        dialog.SetDataSource(&other); // another clears it
        QVERIFY(dialog.FilterCondition.isEmpty());
        QCOMPARE(dialog.FilterLines.Count(), 0);
        // The maps are copies; a freed data source is let go.
        TStringList maps = Lines({"Sex=Main_Code='NSEX'"});
        dialog.SetCodeMaps(maps);
        maps.Clear();
        QCOMPARE(dialog.CodeMaps().Values(QStringLiteral("Sex")),
                 QStringLiteral("Main_Code='NSEX'"));
        dialog.SetDataSource(source);
        delete source;
        QVERIFY(dialog.DataSource() == nullptr);

        TJobScheduleDialog schedule;
        schedule.SetJobName(QStringLiteral("TqStdBasicData.bpl"));
        for (int i = 0; i < 2; ++i) {
            try {
                schedule.Execute();
                QFAIL("no error");
            } catch (const Exception &e) {
                QCOMPARE(e.Message(), QStringLiteral("JobName or JobDescription is Empty"));
            }
            schedule.SetJobName(QString());
            schedule.SetJobDescription(QStringLiteral("學生基本資料維護"));
        }
        // Both given: the schedule is shown as asked (read-only here); cancelled, 12 zeros.
        schedule.SetJobName(QStringLiteral("TqStdBasicData.bpl"));
        schedule.SetReadOnly(true);
        QString caption;
        bool okShown = true;
        QTimer::singleShot(0, [&] {
            auto *dlg = qobject_cast<TJobScheduleDlg *>(QApplication::activeModalWidget());
            QVERIFY(dlg);
            caption = dlg->windowTitle();
            okShown = dlg->btnOK->isVisible();
            dlg->btnCancel->click();
        });
        QCOMPARE(schedule.Execute(), TJobSchedule(12, 0));
        QCOMPARE(caption, QStringLiteral("工作排程:[ 學生基本資料維護 ]"));
        QVERIFY(!okShown);
    }

    void fieldsGetTheirEditorAndComparisons() {
        TClientDataSet ds;
        MakeStudents(ds);
        TDataSource source;
        source.SetDataSet(&ds);
        TDataFilterDialog dialog;
        dialog.SetDataSource(&source);
        dialog.SetCaption(QStringLiteral("學生"));
        dialog.SetCodeMaps(Lines({"Sex=Main_Code='NSEX'", "ClassID=Main_Code='NO_SUCH'"}));
        dialog.FilterLines.Add(QStringLiteral("kept"));
        dialog.FilterCondition = QStringLiteral(" SeatNo  = 1");
        WhenFilterShown([](TDynamicFilter *form) {
            QCOMPARE(form->windowTitle(), QStringLiteral("查詢條件組合:[學生]"));
            QStringList labels;
            for (int i = 0; i < form->lbDataFields->count(); ++i)
                labels << form->lbDataFields->item(i)->text();
            QCOMPARE(labels, (QStringList{"姓名", "性別", "班級", "座號", "生日"}));
            const auto shown = [form] {
                QString s;
                for (QWidget *w : std::initializer_list<QWidget *>{form->STRValue, form->gccbValue,
                                                                   form->NumValue, form->DateValue})
                    s += w->isVisible() ? u'1' : u'0';
                return s + QString::number(form->cbbRelation->count());
            };
            // The first field is chosen as the form opens.
            QCOMPARE(form->edField->text(), QStringLiteral("姓名"));
            QCOMPARE(shown(), QStringLiteral("10008"));
            QCOMPARE(form->cbbRelation->itemText(7), QStringLiteral("左邊相等於"));
            ClickField(form, QStringLiteral("性別"));
            QCOMPARE(shown(), QStringLiteral("01002"));
            QCOMPARE(form->gccbValue->count(), 2);
            QCOMPARE(form->gccbValue->currentText(), QStringLiteral("男"));
            QVERIFY(!form->btnTreeInput->isEnabled());
            ClickField(form, QStringLiteral("座號"));
            QCOMPARE(shown(), QStringLiteral("00106"));
            QCOMPARE(form->NumValue->text(), QStringLiteral("0"));
            ClickField(form, QStringLiteral("生日"));
            QCOMPARE(shown(), QStringLiteral("00016"));
            QCOMPARE(form->DateValue->date(), QDate::currentDate());
            // A code list without codes leaves nothing to enter, and adding does nothing.
            ClickField(form, QStringLiteral("班級"));
            QCOMPARE(shown(), QStringLiteral("00000"));
            const QString before = form->GetFilterText();
            Click(form->btnClear);
            QCOMPARE(form->LastStep(), int(TDynamicFilter::lsEmpty));
            Click(form->btnCondition);
            QCOMPARE(form->GetFilterText(), QString());
            QCOMPARE(form->LastStep(), int(TDynamicFilter::lsEmpty));
            QVERIFY(!before.isEmpty());
            Click(form->btnCancel);
        });
        QVERIFY(!dialog.Execute());
        // Cancelled: the earlier condition stays.
        QCOMPARE(dialog.FilterLines.Text(), QStringLiteral("kept\n"));
        QCOMPARE(dialog.FilterCondition, QStringLiteral(" SeatNo  = 1"));
        QVERIFY2(FErrors.isEmpty(), qPrintable(FErrors.join(u'\n')));
    }

    void aConditionIsBuiltStepByStepAndFiltersTheRows() {
        TClientDataSet ds;
        MakeStudents(ds);
        TDataSource source;
        source.SetDataSet(&ds);
        TDataFilterDialog dialog;
        dialog.SetDataSource(&source);
        dialog.SetCodeMaps(Lines({"Sex=Main_Code='NSEX'"}));
        dialog.SetAutoFilter(true);
        QStringList events;
        dialog.BeforeFilter = [&](TDataFilterDialog *sender) {
            QCOMPARE(sender, &dialog);
            events << QStringLiteral("before:") + (ds.Filtered() ? "on" : "off");
        };
        dialog.AfterFilter = [&](TDataFilterDialog *) {
            events << QStringLiteral("after:") + QString::number(ds.RecordCount());
        };
        WhenFilterShown([](TDynamicFilter *form) {
            QCOMPARE(Allowed(form), QStringLiteral("(C--K")); // empty: OK closes without one
            Click(form->btnLeftSeg);
            QCOMPARE(Allowed(form), QStringLiteral("(C---"));
            ClickField(form, QStringLiteral("性別"));
            form->gccbValue->setFocus();
            QTest::keyClick(form->gccbValue, Qt::Key_Down);
            QCOMPARE(form->gccbValue->currentText(), QStringLiteral("女"));
            Click(form->btnCondition);
            QCOMPARE(Allowed(form), QStringLiteral("--)&-")); // a parenthesis is still open
            Click(form->btnOR);
            QCOMPARE(Allowed(form), QStringLiteral("(C---"));
            ClickField(form, QStringLiteral("姓名"));
            ChooseByKeys(form->cbbRelation, 6); // 類似
            TypeValue(form->STRValue, QStringLiteral("ab"));
            Click(form->btnCondition);
            QCOMPARE(form->STRValue->text(), QStringLiteral("%ab%"));
            Click(form->btnRightSeg);
            QCOMPARE(Allowed(form), QStringLiteral("---&K"));
            Click(form->btnAnd);
            QCOMPARE(Allowed(form), QStringLiteral("(C---")); // not right after a connective
            ClickField(form, QStringLiteral("座號"));
            ChooseByKeys(form->cbbRelation, 3); // 大於等於
            TypeValue(form->NumValue, QStringLiteral("05"));
            Click(form->btnCondition);
            QCOMPARE(Allowed(form), QStringLiteral("---&K"));
            QCOMPARE(form->ParenDepth(), 0);
            QCOMPARE(form->GetFilterText(),
                     QStringLiteral("(  性別 等於 [女] 或則  姓名 類似 [%ab%] ) \n"
                                    "而且  座號 大於等於 [5]"));
            QCOMPARE(form->GetFilter(),
                     QStringLiteral(" (  Sex  = '2' OR  Cht_Name  LIKE  '%ab%' )  AND "
                                    " SeatNo  >= 5"));
            Click(form->btnOK);
        });
        QVERIFY(dialog.Execute());
        QCOMPARE(dialog.FilterLines.Count(), 2);
        QCOMPARE(dialog.FilterLines[1], QStringLiteral("而且  座號 大於等於 [5]"));
        QCOMPARE(dialog.GetFilter(), QStringLiteral("(  (  Sex  = '2' OR  Cht_Name  LIKE  "
                                                    "'%ab%' )  AND  SeatNo  >= 5 )"));
        // Girls or names containing "ab", seat 5 or above: O'Brien, 林美華, abby.
        QVERIFY(ds.Filtered());
        QCOMPARE(ds.RecordCount(), 3);
        QCOMPARE(events, (QStringList{"before:off", "after:3"}));
        QVERIFY2(FErrors.isEmpty(), qPrintable(FErrors.join(u'\n')));
    }

    void quotesInATypedValueStayPartOfIt() {
        TClientDataSet ds;
        MakeStudents(ds);
        TDataSource source;
        source.SetDataSet(&ds);
        TDataFilterDialog dialog;
        dialog.SetDataSource(&source);
        dialog.SetAutoFilter(true);
        WhenFilterShown([](TDynamicFilter *form) {
            ClickField(form, QStringLiteral("姓名"));
            ChooseByKeys(form->cbbRelation, 7); // 左邊相等於
            TypeValue(form->STRValue, QStringLiteral("O'B"));
            Click(form->btnCondition);
            // The reader sees the value as typed; the SQL text keeps the quote inside it.
            QCOMPARE(form->GetFilterText(), QStringLiteral(" 姓名 左邊相等於 [O'B%]"));
            QCOMPARE(form->GetFilter(), QStringLiteral(" Cht_Name  LIKE  'O''B%'"));
            Click(form->btnOK);
        });
        QVERIFY(dialog.Execute());
        QCOMPARE(ds.RecordCount(), 1);
        QCOMPARE(ds.FieldByName("Cht_Name")->AsString(), QStringLiteral("O'Brien"));
        // A value that tries to close the quote and add its own condition matches nothing.
        WhenFilterShown([](TDynamicFilter *form) {
            Click(form->btnClear);
            ClickField(form, QStringLiteral("姓名"));
            TypeValue(form->STRValue, QStringLiteral("x' OR Sex <> '"));
            Click(form->btnCondition);
            Click(form->btnOK);
        });
        QVERIFY(dialog.Execute());
        QCOMPARE(dialog.FilterCondition, QStringLiteral(" Cht_Name  = 'x'' OR Sex <> '''"));
        QCOMPARE(ds.RecordCount(), 0);
        QVERIFY2(FErrors.isEmpty(), qPrintable(FErrors.join(u'\n')));
    }

    void undoClearAndAnEarlierCondition() {
        TClientDataSet ds;
        MakeStudents(ds);
        TDataSource source;
        source.SetDataSet(&ds);
        TDataFilterDialog dialog;
        dialog.SetDataSource(&source);
        WhenFilterShown([](TDynamicFilter *form) {
            ClickField(form, QStringLiteral("生日"));
            form->DateValue->setDate(QDate(2008, 1, 9));
            ChooseByKeys(form->cbbRelation, 2); // 大於
            Click(form->btnCondition);
            const QString text = form->GetFilterText();
            QCOMPARE(text, QStringLiteral(" 生日 大於 [2008/01/09]"));
            QCOMPARE(form->GetFilter(), QStringLiteral(" Birthday  > '2008/01/09'"));
            Click(form->btnClear);
            QCOMPARE(form->GetFilterText(), QString());
            QCOMPARE(Allowed(form), QStringLiteral("(C--K"));
            QVERIFY(!form->btnClear->isEnabled());
            // Undo brings the whole condition back, and a second undo the same again.
            Click(form->btnUndo);
            QCOMPARE(form->GetFilterText(), text);
            QCOMPARE(Allowed(form), QStringLiteral("---&K"));
            Click(form->btnUndo);
            QCOMPARE(form->GetFilterText(), text);
            QCOMPARE(form->GetFilter(), QStringLiteral(" Birthday  > '2008/01/09'"));
            // A number the edit cannot read is refused with the conversion error and adds
            // nothing; the undo copy is still the one before.
            Click(form->btnAnd);
            ClickField(form, QStringLiteral("座號"));
            TypeValue(form->NumValue, QStringLiteral("-"));
            Click(form->btnCondition);
            QCOMPARE(form->LastStep(), int(TDynamicFilter::lsConnective));
            QCOMPARE(form->GetFilterText(), text + QStringLiteral("\n而且 "));
            Click(form->btnUndo);
            QCOMPARE(form->GetFilterText(), text);
            Click(form->btnOK);
        });
        QVERIFY(dialog.Execute());
        QCOMPARE(FErrors, QStringList{QStringLiteral("'-' is not a valid floating point value")});
        FErrors.clear();
        // The next run continues the accepted condition: a connective first, no condition.
        WhenFilterShown([](TDynamicFilter *form) {
            QCOMPARE(form->GetFilterText(), QStringLiteral(" 生日 大於 [2008/01/09]"));
            QCOMPARE(Allowed(form), QStringLiteral("---&K"));
            QCOMPARE(form->ParenDepth(), 0);
            Click(form->btnOR);
            ClickField(form, QStringLiteral("座號"));
            TypeValue(form->NumValue, QStringLiteral("3"));
            Click(form->btnCondition);
            Click(form->btnOK);
        });
        QVERIFY(dialog.Execute());
        QCOMPARE(dialog.FilterCondition,
                 QStringLiteral(" Birthday  > '2008/01/09' OR  SeatNo  = 3"));
        QCOMPARE(dialog.FilterLines.Text(),
                 QStringLiteral(" 生日 大於 [2008/01/09] 或則  座號 等於 [3]\n"));
        // Without AutoFilter the dataset is left alone.
        QVERIFY(!ds.Filtered());
        QVERIFY2(FErrors.isEmpty(), qPrintable(FErrors.join(u'\n')));
    }

    void theTreeAidFillsTheValue() {
        TClientDataSet ds;
        MakeStudents(ds);
        TDataSource source;
        source.SetDataSet(&ds);
        TDataFilterDialog dialog;
        dialog.SetDataSource(&source);
        dialog.SetTreeMaps(Lines({"ClassID=TesTreeCode"}));
        WhenFilterShown([](TDynamicFilter *form) {
            QVERIFY(!form->btnTreeInput->isEnabled()); // 姓名 has no tree
            ClickField(form, QStringLiteral("班級"));
            QVERIFY(form->btnTreeInput->isEnabled());
            WhenModal<TTreeCodeInput>([](TTreeCodeInput *tree) {
                // OK before a node is chosen gives nothing and keeps the form open.
                QTest::mouseClick(tree->btnOK, Qt::LeftButton);
                QVERIFY(tree->isVisible());
                QTreeWidgetItem *node = tree->TreeView->topLevelItem(0)->child(1);
                tree->TreeView->scrollToItem(node); // opens its branch
                QTest::mouseClick(tree->TreeView->viewport(), Qt::LeftButton, {},
                                  tree->TreeView->visualItemRect(node).center());
                QTest::mouseClick(tree->btnOK, Qt::LeftButton);
            });
            Click(form->btnTreeInput);
            QCOMPARE(form->STRValue->text(), QStringLiteral("A2,第二層乙"));
            Click(form->btnCondition);
            QCOMPARE(form->GetFilter(), QStringLiteral(" ClassID  = 'A2,第二層乙'"));
            Click(form->btnOK);
        });
        QVERIFY(dialog.Execute());
        QVERIFY2(FErrors.isEmpty(), qPrintable(FErrors.join(u'\n')));
    }
};

LUM_TEST_MAIN(TstDynamicFilter)
#include "tst_dynamicfilter.moc"
