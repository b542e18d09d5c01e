#include "DemoRoll.h"

#include "ServerDatabase.h"

#include <QDate>
#include <QSqlQuery>
#include <QString>
#include <QStringList>

namespace {

constexpr int kClassSize = 30;

// A small fixed-seed generator: the roll is the same on every server and in every test run.
class TDemoRandom {
public:
    int Below(int n) {
        FState = FState * 6364136223846793005ULL + 1442695040888963407ULL;
        return int((FState >> 33) % quint64(n));
    }
    template <class T, size_t N> const T &Pick(const T (&items)[N]) { return items[Below(int(N))]; }

private:
    quint64 FState = 20240830ULL;
};

const char *const kSurnames[] = {"陳", "林", "黃", "張", "李", "王", "吳", "劉", "蔡", "楊",
                                 "許", "鄭", "謝", "郭", "洪", "曾", "邱", "廖", "賴", "周",
                                 "徐", "蘇", "葉", "莊", "呂", "江", "何", "蕭", "羅", "高"};
const char *const kBoys[] = {"冠廷", "宗翰", "家豪", "承恩", "柏翰", "俊傑", "彥廷",
                             "子軒", "宇翔", "品睿", "育誠", "建宏", "志偉", "柏宇",
                             "冠宇", "承翰", "哲瑋", "昱辰", "宥廷", "博文"};
const char *const kGirls[] = {"怡君", "雅婷", "詩涵", "欣妤", "佳穎", "宜蓁", "筱涵",
                              "子涵", "思妤", "芷晴", "亭妤", "語彤", "郁婷", "佩珊",
                              "依婷", "品妍", "婉婷", "心怡", "雨潔", "宛臻"};

struct TPlace {
    QChar Letter; // the first letter of an identity number issued there
    const char *City;
    const char *Districts[4];
    const char *Roads[4];
};
const TPlace kPlaces[] = {
    {u'A',
     "臺北市",
     {"大安區", "信義區", "中山區", "士林區"},
     {"忠孝東路四段", "復興南路一段", "中山北路二段", "承德路四段"}},
    {u'F',
     "新北市",
     {"板橋區", "永和區", "三重區", "新店區"},
     {"文化路二段", "中正路", "重新路三段", "北新路二段"}},
};

// The value of an identity number's first letter in the national check.
int LetterValue(QChar letter) {
    static const char order[] = "ABCDEFGHJKLMNPQRSTUVXYWZIO";
    const int i = int(QByteArray(order).indexOf(char(letter.unicode())));
    return 10 + i;
}

// A number of the place's letter whose check digit is right and whose second digit is the sex.
QString IdentityNumber(TDemoRandom &random, QChar letter, int sex) {
    QString digits = QString::number(sex);
    for (int i = 0; i < 7; ++i)
        digits += QChar(u'0' + random.Below(10));
    const int value = LetterValue(letter);
    int sum = value / 10 + (value % 10) * 9;
    for (int i = 0; i < 8; ++i)
        sum += digits[i].digitValue() * (8 - i);
    return letter + digits + QChar(u'0' + (10 - sum % 10) % 10);
}

} // namespace

void FillDemoRoll(TServerDatabase &db) {
    TDemoRandom random;
    const QStringList classes = {QStringLiteral("101"), QStringLiteral("102"),
                                 QStringLiteral("201"), QStringLiteral("202"),
                                 QStringLiteral("301")};
    for (const QString &classId : classes) {
        // The seats taken and the last number given in the class.
        QSqlQuery taken = db.Exec(
            QStringLiteral("SELECT COUNT(*), MAX(SeatNo) FROM StdOnSchool WHERE ClassID = ?"),
            {classId});
        taken.next();
        const int seated = taken.value(1).toInt();
        const int grade = classId.left(1).toInt();
        const int entry = 114 - grade; // ROC year of entry: grade 1 entered in 113
        const int firstNumber = classId.endsWith(u'1') ? 1 : 31;
        const int bornFrom = QDate(entry + 1911 - 16, 9, 1).toJulianDay();
        for (int seat = seated + 1; seat <= kClassSize; ++seat) {
            const int sex = 1 + random.Below(2);
            const QString name =
                QString::fromUtf8(random.Pick(kSurnames)) +
                QString::fromUtf8(sex == 1 ? random.Pick(kBoys) : random.Pick(kGirls));
            const QDate born = QDate::fromJulianDay(bornFrom + random.Below(365));
            const TPlace &place = random.Pick(kPlaces);
            const QString address =
                QString::fromUtf8(place.City) + QString::fromUtf8(random.Pick(place.Districts)) +
                QString::fromUtf8(random.Pick(place.Roads)) +
                QStringLiteral("%1號").arg(1 + random.Below(300)) +
                (random.Below(2) ? QStringLiteral("%1樓").arg(2 + random.Below(11)) : QString());
            // A few students are on leave.
            const QString state = random.Below(40) == 0 ? QStringLiteral("1") : QStringLiteral("0");
            db.Exec(
                QStringLiteral("INSERT INTO StdOnSchool (StudentID, Cht_Name, Sex, ClassID, "
                               "SeatNo, State, Birthday, IDNo, Address, EditInfo) "
                               "VALUES (?,?,?,?,?,?,?,?,?,?)"),
                {QStringLiteral("%1%2").arg(entry).arg(firstNumber + seat - 1, 3, 10, QChar(u'0')),
                 name, QString::number(sex), classId, seat, state,
                 born.toString(QStringLiteral("yyyy-MM-dd")),
                 IdentityNumber(random, place.Letter, sex), address,
                 QVariant(QMetaType::fromType<QString>())});
        }
    }
}
