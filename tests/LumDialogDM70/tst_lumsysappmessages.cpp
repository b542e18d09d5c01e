// The messages of the system-application tables: a code category (33689) and a key-value
// numbering rule (33690), delivered to the open forms; the depth of a category's tree must come
// back as a decimal integer.

#include "Exceptions.h"
#include "TestMain.h"
#include "uLumMessages.h"
#include "uLumSYSAPPMessages.h"

namespace {

class TSysListener : public TForm {
public:
    TSysListener() {
        SetMessageHandler(WM_SYSMAINCODE, [this](TMessage &m) {
            Lines << m.Strings->Text();
            QStringList v(8);
            LUMSYSMainCodeReceiver(m, v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], TreeLevel);
            MainCode = v;
        });
        SetMessageHandler(WM_SYSKEYVALUE, [this](TMessage &m) {
            Lines << m.Strings->Text();
            QStringList v(7);
            LUMSYSKeyValueReceiver(m, v[0], v[1], v[2], v[3], v[4], v[5], v[6]);
            KeyValue = v;
        });
    }
    QStringList Lines, MainCode, KeyValue;
    int TreeLevel = -1;
};

} // namespace

class TstLumSysAppMessages : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void aCodeCategoryGoesToEveryForm() {
        TSysListener a, b;
        LUMSYSMainCodeSender("UNIT", "行政單位", "Y", "N", "Y", "UnitTreeView", "A10", "", 3);
        for (TSysListener *l : {&a, &b}) {
            QCOMPARE(l->MainCode,
                     (QStringList{"UNIT", "行政單位", "Y", "N", "Y", "UnitTreeView", "A10", ""}));
            QCOMPARE(l->TreeLevel, 3);
        }
        // The keys in their order, an empty value keeping its key.
        QCOMPARE(a.Lines[0], QStringLiteral("Main_Code=UNIT\nMain_Name=行政單位\nLevelYN=Y\n"
                                            "LockYN=N\nTreeYN=Y\nTreeName=UnitTreeView\n"
                                            "TreeLevel=3\nOwnerUnit=A10\nOwnerSYS=\n"));
    }

    void aKeyValueRuleGoesToEveryForm() {
        TSysListener l;
        LUMSYSKeyValueSender("Notice", "公告編號", "N113", "0000", "N", "A00", "SYS");
        QCOMPARE(l.KeyValue,
                 (QStringList{"Notice", "公告編號", "N113", "0000", "N", "A00", "SYS"}));
        QCOMPARE(l.Lines[0], QStringLiteral("MajorID=Notice\nMajorName=公告編號\nPreFix=N113\n"
                                            "FormatStr=0000\nLockYN=N\nOwnerUnit=A00\n"
                                            "OwnerSYS=SYS\n"));
    }

    void aTreeDepthMustBeAnInteger_data() {
        QTest::addColumn<QString>("value");
        QTest::newRow("letters") << "three";
        QTest::newRow("trailing") << "3a";
        QTest::newRow("fraction") << "3.0";
        QTest::newRow("empty") << "";
    }
    void aTreeDepthMustBeAnInteger() {
        QFETCH(QString, value);
        TStringList list;
        list.Add(QStringLiteral("Main_Code=UNIT"));
        list.Add(QStringLiteral("TreeLevel=") + value);
        TMessage m;
        m.Msg = WM_SYSMAINCODE;
        m.Strings = &list;
        QString v[8];
        int level = 9;
        QVERIFY_THROWS_EXCEPTION(
            EConvertError,
            LUMSYSMainCodeReceiver(m, v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], level));
        // Nothing was written.
        QCOMPARE(level, 9);
        QCOMPARE(v[0], QString());
        // The sender's error reaches the sender through the dispatch.
        TSysListener l;
        try {
            DispatchOrvMessage(m);
            QFAIL("no error");
        } catch (const EConvertError &) {
        }
    }
};

LUM_TEST_MAIN(TstLumSysAppMessages)
#include "tst_lumsysappmessages.moc"
