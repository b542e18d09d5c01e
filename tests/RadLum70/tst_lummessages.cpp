// Message records between open forms.

#include "Exceptions.h"
#include "TestMain.h"
#include "uLumMessages.h"

namespace {

class Listener : public TForm {
    Q_OBJECT
public:
    Listener(QString name, QStringList *log) {
        SetName(std::move(name));
        SetMessageHandler(WM_DATASETREFRESH, [this, log](TMessage &m) {
            QString dataSetName;
            DataSetRefreshReceiver(m, dataSetName);
            log->append(Name() + u':' + dataSetName);
            if (Fail)
                throw Exception(QStringLiteral("refresh failed"));
        });
        SetMessageHandler(WM_SHOWVCLTREEFORM, [this, log](TMessage &m) {
            QString treeName;
            ShowVCLTreeFormReceiver(m, treeName);
            log->append(Name() + QStringLiteral(":tree ") + treeName);
        });
    }
    bool Fail = false;
};

} // namespace

class TstLumMessages : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void cleanup() { Application()->DestroyForms(); }

    void everyOpenFormGetsTheMessage() {
        QStringList log;
        new Listener(QStringLiteral("Sender"), &log);
        new TForm; // a form without a handler ignores it
        new Listener(QStringLiteral("Other"), &log);
        DataSetRefreshSender(QStringLiteral("TStudentForm.StudentCDS"));
        QCOMPARE(log,
                 (QStringList{"Sender:TStudentForm.StudentCDS", "Other:TStudentForm.StudentCDS"}));
        log.clear();
        ShowVCLTreeFormSender(QStringLiteral("UnitTreeView"));
        QCOMPARE(log, (QStringList{"Sender:tree UnitTreeView", "Other:tree UnitTreeView"}));
    }

    void aFailingHandlerStopsDeliveryAndReachesTheSender() {
        QStringList log;
        auto *first = new Listener(QStringLiteral("First"), &log);
        new Listener(QStringLiteral("Second"), &log);
        first->Fail = true;
        QVERIFY_THROWS_EXCEPTION(Exception, DataSetRefreshSender(QStringLiteral("x")));
        QCOMPARE(log, QStringList{"First:x"});
    }

    void emptyValuesDoNotTravel() {
        QStringList log;
        new Listener(QStringLiteral("L"), &log);
        DataSetRefreshSender(QString());
        QCOMPARE(log, QStringList{"L:"});
        // A message without a list reads as empty.
        TMessage bare;
        bare.Msg = WM_DATASETREFRESH;
        QString name = QStringLiteral("unchanged");
        DataSetRefreshReceiver(bare, name);
        QCOMPARE(name, QString());
    }
};

LUM_TEST_MAIN(TstLumMessages)
#include "tst_lummessages.moc"
