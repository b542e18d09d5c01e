// Variants, date-times, message formatting and the CBOR form of variants.

#include "DateTime.h"
#include "Exceptions.h"
#include "TextBuffer.h"
#include "Variant.h"
#include "VariantCbor.h"

#include <QTest>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>

class FixedClock : public TClock {
public:
    explicit FixedClock(QDateTime t) : FTime(std::move(t)) {}
    QDateTime CurrentDateTime() const override { return FTime; }

private:
    QDateTime FTime;
};

class TstValues : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void emptyAndNullConvert() {
        const Variant empty;
        QCOMPARE(empty.ToInt(), 0);
        QCOMPARE(empty.ToString(), QString());
        QCOMPARE(empty.ToBool(), false);
        const Variant null = Variant::Null();
        QVERIFY_THROWS_EXCEPTION(EVariantError, null.ToString());
        QVERIFY_THROWS_EXCEPTION(EVariantError, null.ToInt());
        QCOMPARE(VarToStr(null), QString());
        QVERIFY(null == Variant::Null());
        QVERIFY(null != empty);
    }

    void numberConversions_data() {
        QTest::addColumn<Variant>("value");
        QTest::addColumn<qint64>("asInt");
        QTest::addColumn<QString>("asString");
        QTest::newRow("int") << Variant(42) << qint64(42) << "42";
        QTest::newRow("string int") << Variant("17") << qint64(17) << "17";
        QTest::newRow("half to even down") << Variant(2.5) << qint64(2) << "2.5";
        QTest::newRow("half to even up") << Variant(3.5) << qint64(4) << "3.5";
        QTest::newRow("negative half") << Variant(-2.5) << qint64(-2) << "-2.5";
        QTest::newRow("currency") << Variant(Currency::FromDouble(12.5)) << qint64(12) << "12.5";
        QTest::newRow("bool") << Variant(true) << qint64(-1) << "True";
        QTest::newRow("int64") << Variant(qint64(1) << 40) << (qint64(1) << 40) << "1099511627776";
    }
    void numberConversions() {
        QFETCH(Variant, value);
        QFETCH(qint64, asInt);
        QFETCH(QString, asString);
        QCOMPARE(value.ToInt64(), asInt);
        QCOMPARE(value.ToString(), asString);
    }

    // Number texts: the short ASCII ones take a quicker reading than the others; both must
    // accept and refuse the same texts.
    void textToDouble() {
        QCOMPARE(Variant(" 12.25 ").ToDouble(), 12.25);
        QCOMPARE(Variant("+1.5").ToDouble(), 1.5);
        QCOMPARE(Variant("-3e2").ToDouble(), -300.0);
        QCOMPARE(Variant(".5").ToDouble(), 0.5);
        QCOMPARE(Variant(QStringLiteral("1") + QString(70, u'0')).ToDouble(), 1e70);
        for (const char *bad : {"+-1", "++1", "1e", "1e5000", "inf", "nan", "0x10", "1 2", "+"})
            QVERIFY_THROWS_EXCEPTION(EVariantError, Variant(bad).ToDouble());
        QVERIFY_THROWS_EXCEPTION(EVariantError, Variant(QStringLiteral("１２")).ToDouble());
    }

    void badConversionsRaise() {
        QVERIFY_THROWS_EXCEPTION(EVariantError, Variant("abc").ToInt());
        QVERIFY_THROWS_EXCEPTION(EVariantError, Variant("12x").ToDouble());
        QVERIFY_THROWS_EXCEPTION(EVariantError, Variant(qint64(1) << 40).ToInt());
        QVERIFY_THROWS_EXCEPTION(EVariantError, Variant(QByteArray("x")).ToInt());
        try {
            (void)Variant::Null().ToString();
            QFAIL("no error");
        } catch (const EVariantError &e) {
            QCOMPARE(e.Message(),
                     QStringLiteral("Could not convert variant of type (Null) into type (String)"));
        }
    }

    void currencyKeepsFourDecimals() {
        const Currency c = Currency::FromDouble(1.23456);
        QCOMPARE(c.Scaled, qint64(12346));
        QCOMPARE(c.ToString(), QStringLiteral("1.2346"));
        QCOMPARE(Currency::FromDouble(-0.5).ToString(), QStringLiteral("-0.5"));
        QCOMPARE(Variant(7).ToCurrency().Scaled, qint64(70000));
    }

    void looseEquality() {
        QVERIFY(Variant(1) == Variant(1.0));
        QVERIFY(Variant("1") == Variant(1));
        QVERIFY(Variant("abc") != Variant(1));
        QVERIFY(Variant("abc") != Variant("ABC"));
        QVERIFY(Variant(Currency::FromDouble(2)) == Variant(2));
        QVERIFY(Variant() != Variant(0));
    }

    void arraysHaveBoundsAndValueSemantics() {
        Variant a = Variant::Array(1, 3);
        QCOMPARE(a.LowBound(), 1);
        QCOMPARE(a.HighBound(), 3);
        a.SetElement(1, Variant("x"));
        a.SetElement(3, Variant::ArrayOf({Variant(1), Variant(2)}));
        QVERIFY_THROWS_EXCEPTION(EVariantError, a[0]);
        QVERIFY_THROWS_EXCEPTION(EVariantError, a.SetElement(4, Variant(1)));
        Variant copy = a;
        copy.SetElement(1, Variant("changed"));
        QCOMPARE(a[1].ToString(), QStringLiteral("x"));
        QCOMPARE(copy[1].ToString(), QStringLiteral("changed"));
        QCOMPARE(a[3][1].ToInt(), 2);
        a.Redim(4);
        QCOMPARE(a.ElementCount(), 4);
        QVERIFY(a[4].IsEmpty());
        QVERIFY_THROWS_EXCEPTION(EVariantError, Variant(1).LowBound());
    }

    void floatText_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("tenth") << 0.1 << "0.1";
        QTest::newRow("whole") << 100.0 << "100";
        QTest::newRow("large") << 1e20 << "1E20";
        QTest::newRow("small") << 1.5e-7 << "1.5E-7";
        QTest::newRow("zero") << 0.0 << "0";
    }
    void floatText() {
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(FloatToStr(value), text);
    }

    // The texts of numbers and dates are made without the general formatting where that can
    // be done; they must be the general formatting's, to the character: 15 significant digits
    // (QString::number's 'g'), "E" and no "+" or leading zeros in an exponent, "yyyy/mm/dd".
    void numberAndDateTextsAreTheGeneralOnes() {
        const auto general = [](double v) {
            if (v == 0.0)
                return QStringLiteral("0");
            QString s = QString::number(v, 'g', 15);
            const qsizetype e = s.indexOf(u'e');
            return e < 0 ? s : s.left(e) + u'E' + QString::number(s.mid(e + 1).toInt());
        };
        std::mt19937_64 random(18);
        std::vector<double> values = {1e15,      1e15 - 1,  999999999999999.9, 0.0001,    0.00012,
                                      0.0000999, 1e-5,      123456789012345.0, 0.1 + 0.2, -0.5,
                                      1e300,     -2.5e-300, 4.9e-324,          2.2e-308,  1.0 / 3};
        for (int i = 0; i < 20000; ++i) {
            quint64 bits = random();
            double any;
            std::memcpy(&any, &bits, sizeof any);
            if (std::isfinite(any))
                values.push_back(any);
            const int exponent = int(random() % 40) - 20;
            values.push_back(std::pow(10.0, exponent) * double(random() % 100000) / 100.0);
            values.push_back(-double(random() % 10000000000000000ULL) / 10000.0);
            values.push_back(double(random() % 100000) / 100.0); // amounts, scores
        }
        for (const double v : values)
            QCOMPARE(FloatToStr(v), general(v));
        for (int day = -693593 - 3; day <= 2958465 + 3; day += 7)
            QCOMPARE(DateToStr(TDateTime(day)),
                     FormatDateTime(QStringLiteral("yyyy/mm/dd"), TDateTime(day)));
        QCOMPARE(DateToStr(TDateTime(-1.25)), QStringLiteral("1899/12/29"));
        for (const qint64 v :
             {qint64(0), qint64(-1), qint64(9), qint64(10), qint64(99), qint64(100), qint64(-99),
              qint64(99999), qint64(4294967296), std::numeric_limits<qint64>::max(),
              std::numeric_limits<qint64>::min()}) {
            TTextBuffer text;
            AppendIntText(text, v);
            QCOMPARE(text.ToString(), QString::number(v));
        }
        QCOMPARE(Currency{-5000}.ToString(), QStringLiteral("-0.5"));
        QCOMPARE(Currency{123450000}.ToString(), QStringLiteral("12345"));
        QCOMPARE(Currency{-123401}.ToString(), QStringLiteral("-12.3401"));
    }

    void dateTimeEpochAndParts() {
        QCOMPARE(TDateTime::EncodeDate(1899, 12, 30).Value(), 0.0);
        QCOMPARE(TDateTime::EncodeDate(2000, 1, 1).Value(), 36526.0);
        const TDateTime t =
            TDateTime::EncodeDate(2026, 12, 7) + TDateTime::EncodeTime(9, 5, 30).Value();
        QCOMPARE(t.ToQDateTime(), QDateTime(QDate(2026, 12, 7), QTime(9, 5, 30)));
        QCOMPARE(TDateTime::FromQDateTime(t.ToQDateTime()).Value(), t.Value());
        // Before the epoch the fraction still counts forward from midnight.
        QCOMPARE(TDateTime(-1.25).ToQDateTime(), QDateTime(QDate(1899, 12, 29), QTime(6, 0)));
        QVERIFY_THROWS_EXCEPTION(EConvertError, TDateTime::EncodeDate(2026, 2, 30));
        QVERIFY_THROWS_EXCEPTION(EConvertError, TDateTime::EncodeTime(24, 0, 0));
    }

    void formatDateTime_data() {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("text");
        QTest::newRow("edit stamp") << "yy/mm/dd(hh:nn)"
                                    << "26/12/07(09:05)";
        QTest::newRow("mm after hour is minutes") << "hh:mm"
                                                  << "09:05";
        QTest::newRow("short parts") << "yyyy/m/d h:n:s"
                                     << "2026/12/7 9:5:3";
        QTest::newRow("quoted text") << "yyyy\"年\"mm\"月\""
                                     << "2026年12月";
        QTest::newRow("weekday") << "dddd"
                                 << "星期一";
        QTest::newRow("ampm") << "ampm hh"
                              << "上午 09";
    }
    void formatDateTime() {
        QFETCH(QString, format);
        QFETCH(QString, text);
        const TDateTime t =
            TDateTime::EncodeDate(2026, 12, 7) + TDateTime::EncodeTime(9, 5, 3).Value();
        QCOMPARE(FormatDateTime(format, t), text);
    }

    void parseDateTime() {
        QCOMPARE(StrToDateTime(QStringLiteral("2026/12/7 9:05")).ToQDateTime(),
                 QDateTime(QDate(2026, 12, 7), QTime(9, 5)));
        QCOMPARE(StrToDateTime(QStringLiteral("2026-01-31")).ToQDateTime(),
                 QDateTime(QDate(2026, 1, 31), QTime(0, 0)));
        QVERIFY_THROWS_EXCEPTION(EConvertError, StrToDateTime(QStringLiteral("2026/2/30")));
        QVERIFY_THROWS_EXCEPTION(EConvertError, StrToDateTime(QStringLiteral("yesterday")));
        QCOMPARE(DateTimeToStr(TDateTime::EncodeDate(2026, 1, 2)), QStringLiteral("2026/01/02"));
        // The fixed texts that databases hold read as any other spelling of the same moment,
        // and are refused for the same faults.
        QCOMPARE(StrToDateTime(QStringLiteral("2026-01-31 08:05:09")).Value(),
                 StrToDateTime(QStringLiteral(" 2026/1/31 8:5:9 ")).Value());
        QCOMPARE(StrToDateTime(QStringLiteral("1899.12.29 23:59:59")).Value(),
                 StrToDateTime(QStringLiteral("1899/12/29 23:59:59")).Value());
        QVERIFY(StrToDateTime(QStringLiteral("1899.12.29 23:59:59")).Value() < 0);
        for (const char *bad : {"2026-02-30 08:00:00", "2026-01-31 24:00:00", "2026-01-31 08:60:00",
                                "2026-01-31 08:00:60", "0000-01-01", "2026-01-31T08:00:00",
                                "2026-01-3x", "2026-01-31 08:00:0x"})
            QVERIFY_THROWS_EXCEPTION(EConvertError, StrToDateTime(QString::fromLatin1(bad)));
    }

    void clockCanBeReplaced() {
        const FixedClock clock(QDateTime(QDate(2020, 2, 29), QTime(23, 59, 59)));
        SetClock(&clock);
        QCOMPARE(Now().ToQDateTime(), QDateTime(QDate(2020, 2, 29), QTime(23, 59, 59)));
        QCOMPARE(Date().ToDate(), QDate(2020, 2, 29));
        SetClock(nullptr);
        QVERIFY(Now().ToDate().year() > 2020);
    }

    void formatFillsDirectives() {
        QCOMPARE(Format(QStringLiteral("無法建立前端作業:%s"), {QStringLiteral("A.bpl")}),
                 QStringLiteral("無法建立前端作業:A.bpl"));
        QCOMPARE(Format(QStringLiteral("%s=%d (%.1f%%)"),
                        {QStringLiteral("n"), QStringLiteral("3"), QStringLiteral("2.25")}),
                 QStringLiteral("n=3 (2.3%)"));
        QCOMPARE(Format(QStringLiteral("%s and %s"), {QStringLiteral("one")}),
                 QStringLiteral("one and %s"));
    }

    void cborRoundTrip_data() {
        QTest::addColumn<Variant>("value");
        QTest::newRow("empty") << Variant();
        QTest::newRow("null") << Variant::Null();
        QTest::newRow("bool") << Variant(true);
        QTest::newRow("small") << Variant::SmallInt(-7);
        QTest::newRow("int") << Variant(123456);
        QTest::newRow("int64 small value") << Variant(qint64(5));
        QTest::newRow("int64 large") << Variant(qint64(-1) << 50);
        QTest::newRow("double") << Variant(3.25);
        QTest::newRow("currency") << Variant(Currency{-123456789});
        QTest::newRow("date") << Variant(TDateTime(46000.5));
        QTest::newRow("text") << Variant(QStringLiteral("校務行政"));
        QTest::newRow("bytes") << Variant(QByteArray("\x00\x01\xff", 3));
        Variant bounded = Variant::Array(1, 2);
        bounded.SetElement(1, Variant("a"));
        bounded.SetElement(2, Variant::ArrayOf({Variant::Null(), Variant(1.5)}));
        QTest::newRow("nested arrays with bounds") << bounded;
    }
    void cborRoundTrip() {
        QFETCH(Variant, value);
        const Variant back = VariantFromCbor(VariantToCbor(value));
        QCOMPARE(back.VarType(), value.VarType());
        QVERIFY(back == value);
        if (value.IsArray())
            QCOMPARE(back.LowBound(), value.LowBound());
    }

    void cborRejectsMalformed() {
        const QByteArray good = VariantToCbor(Variant::ArrayOf({Variant("abc"), Variant(1)}));
        for (int cut = 0; cut < good.size(); ++cut)
            QVERIFY_THROWS_EXCEPTION(EVariantError, VariantFromCbor(good.left(cut)));
        QVERIFY_THROWS_EXCEPTION(EVariantError, VariantFromCbor(good + '\x01'));
        QVERIFY_THROWS_EXCEPTION(EVariantError,
                                 VariantFromCbor(QByteArray("\xa1\x01\x02", 3))); // a map
        QByteArray deep(200, '\x81'); // arrays nested 200 deep
        deep += '\x01';
        QVERIFY_THROWS_EXCEPTION(EVariantError, VariantFromCbor(deep));
        // A huge announced length must not be trusted for allocation.
        QVERIFY_THROWS_EXCEPTION(
            EVariantError, VariantFromCbor(QByteArray("\x9b\x7f\xff\xff\xff\xff\xff\xff\xff", 9)));
    }
};

QTEST_GUILESS_MAIN(TstValues)
#include "tst_values.moc"
