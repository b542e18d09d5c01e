#include "DemoPeople.h"

#include "RemoteProtocol.h"
#include "uLumPublic.h"

namespace {

// The common surnames, the most common more than once.
const char *const kSurnames[] = {
    "陳", "陳", "陳", "林", "林", "林", "黃", "黃", "張", "張", "李", "李", "王", "王", "吳",
    "吳", "劉", "蔡", "楊", "許", "鄭", "謝", "郭", "洪", "曾", "邱", "廖", "賴", "周", "徐",
    "蘇", "葉", "莊", "呂", "江", "何", "蕭", "羅", "高", "潘", "簡", "朱", "鍾", "彭", "游",
    "詹", "胡", "施", "沈", "余", "盧", "梁", "顏", "柯", "翁", "魏", "孫", "戴", "范", "方"};
const char *const kBoysFirst[] = {"冠", "宗", "家", "承", "柏", "俊", "彥", "子", "宇", "品",
                                  "育", "建", "志", "哲", "昱", "宥", "博", "皓", "睿", "翊",
                                  "浩", "明", "信", "正", "偉", "思", "文", "峻"};
const char *const kBoysSecond[] = {"廷", "翰", "豪", "恩", "宇", "傑", "霖", "軒",
                                   "翔", "睿", "誠", "宏", "瑋", "辰", "安", "銘",
                                   "揚", "凱", "維", "勳", "澤", "彬", "齊", "元"};
const char *const kGirlsFirst[] = {"怡", "雅", "詩", "欣", "佳", "宜", "筱", "子", "思",
                                   "芷", "亭", "語", "郁", "佩", "依", "品", "婉", "心",
                                   "雨", "宛", "姿", "羽", "靜", "詠", "可", "以"};
const char *const kGirlsSecond[] = {"君", "婷", "涵", "妤", "穎", "蓁", "晴", "彤",
                                    "珊", "妍", "潔", "臻", "萱", "庭", "瑄", "琪",
                                    "慧", "如", "柔", "安", "恩", "璇", "禎", "薇"};

struct TBirthPlace {
    char Letter;
    const char *County;
    int Weight;
};
const TBirthPlace kBirthPlaces[] = {{'A', "臺北市", 40}, {'F', "新北市", 35}, {'C', "基隆市", 3},
                                    {'H', "桃園市", 5},  {'O', "新竹市", 2},  {'B', "臺中市", 4},
                                    {'N', "彰化縣", 2},  {'D', "臺南市", 3},  {'E', "高雄市", 3},
                                    {'G', "宜蘭縣", 2},  {'U', "花蓮縣", 1}};

const char *const kRoads[] = {"中正路", "中山路", "民生路", "民權路", "民族路", "復興路",
                              "和平路", "光復路", "建國路", "自強路", "成功路", "忠孝路",
                              "仁愛路", "信義路", "中華路", "文化路", "大同路", "民有街",
                              "長安街", "福德街", "永興街", "新生路", "興隆路", "四維路"};
const char *const kSections[] = {"一段", "二段", "三段"};

} // namespace

TDemoPeople::TDemoPeople(TDemoRandom &random, TPostCodeTable codes, QSet<QString> taken)
    : FRandom(random), FCodes(std::move(codes)), FTaken(std::move(taken)) {
    FTaipei = FCodes.Townships(QStringLiteral("臺北市"));
    FNewTaipei = FCodes.Townships(QStringLiteral("新北市"));
    if (FTaipei.isEmpty() || FNewTaipei.isEmpty())
        throw EServerError(QStringLiteral("The post-code table has no districts of Taipei"));
}

QString TDemoPeople::Surname() {
    return QString::fromUtf8(FRandom.Pick(kSurnames));
}

QString TDemoPeople::GivenName(bool male) {
    return male ? QString::fromUtf8(FRandom.Pick(kBoysFirst)) +
                      QString::fromUtf8(FRandom.Pick(kBoysSecond))
                : QString::fromUtf8(FRandom.Pick(kGirlsFirst)) +
                      QString::fromUtf8(FRandom.Pick(kGirlsSecond));
}

TDemoPeople::TPlace TDemoPeople::BirthPlace() {
    int total = 0;
    for (const TBirthPlace &p : kBirthPlaces)
        total += p.Weight;
    int draw = FRandom.Below(total);
    for (const TBirthPlace &p : kBirthPlaces) {
        if (draw < p.Weight)
            return {QChar(QLatin1Char(p.Letter)), QString::fromUtf8(p.County)};
        draw -= p.Weight;
    }
    return {QChar(u'A'), QStringLiteral("臺北市")};
}

QString TDemoPeople::CountyOf(QChar letter) {
    for (const TBirthPlace &p : kBirthPlaces)
        if (letter == QLatin1Char(p.Letter))
            return QString::fromUtf8(p.County);
    return QString();
}

QString TDemoPeople::IdentityNumber(QChar letter, bool male) {
    for (;;) {
        QString number(letter);
        number += QChar(male ? u'1' : u'2');
        for (int i = 0; i < 7; ++i)
            number += QChar(u'0' + FRandom.Below(10));
        // The check digit is the one of ten that the national check takes.
        for (int check = 0; check < 10; ++check) {
            const QString candidate = number + QChar(u'0' + check);
            if (CheckRocID(candidate)) {
                if (FTaken.contains(candidate))
                    break;
                FTaken.insert(candidate);
                return candidate;
            }
        }
    }
}

TDemoPeople::TAddress TDemoPeople::HomeAddress() {
    const bool taipei = FRandom.Chance(600);
    const TPostCode &district = taipei ? FTaipei[FRandom.Below(int(FTaipei.size()))]
                                       : FNewTaipei[FRandom.Below(int(FNewTaipei.size()))];
    QString text = (taipei ? QStringLiteral("臺北市") : QStringLiteral("新北市")) +
                   district.Township + QString::fromUtf8(FRandom.Pick(kRoads));
    if (FRandom.Chance(400))
        text += QString::fromUtf8(FRandom.Pick(kSections));
    if (FRandom.Chance(300))
        text += QStringLiteral("%1巷").arg(FRandom.Between(2, 180));
    text += QStringLiteral("%1號").arg(FRandom.Between(1, 350));
    if (FRandom.Chance(550))
        text += QStringLiteral("%1樓").arg(FRandom.Between(2, 12));
    return {district.Code, text};
}

QString TDemoPeople::HomePhone() {
    return QStringLiteral("02-2%1-%2")
        .arg(FRandom.Below(1000), 3, 10, QChar(u'0'))
        .arg(FRandom.Below(10000), 4, 10, QChar(u'0'));
}

QString TDemoPeople::MobilePhone() {
    return QStringLiteral("09%1-%2-%3")
        .arg(FRandom.Between(10, 89), 2, 10, QChar(u'0'))
        .arg(FRandom.Below(1000), 3, 10, QChar(u'0'))
        .arg(FRandom.Below(1000), 3, 10, QChar(u'0'));
}
