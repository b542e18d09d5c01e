#pragma once
// TDemoPeople: the people of the demo school as a Taiwanese school has them: names, identity
// numbers that pass the national check (each given once), places of birth, addresses in Taipei
// and New Taipei drawn from the post-code table with their post codes, and phone numbers.

#include "DemoRandom.h"
#include "PostCodeTable.h"

#include <QSet>
#include <QString>

class TDemoPeople {
public:
    // `taken`: identity numbers already given, never given again.
    TDemoPeople(TDemoRandom &random, TPostCodeTable codes, QSet<QString> taken);

    QString Surname();
    QString GivenName(bool male);
    QString Name(bool male) { return Surname() + GivenName(male); }

    struct TPlace {
        QChar Letter; // the first letter of the identity numbers issued there
        QString County;
    };
    // Mostly Taipei and New Taipei.
    TPlace BirthPlace();
    // A number of the place's letter, the sex in its second digit, never given before.
    QString IdentityNumber(QChar letter, bool male);

    struct TAddress {
        QString PostCode;
        QString Text;
    };
    TAddress HomeAddress();
    QString HomePhone();
    QString MobilePhone();
    // The post code of an address (empty when its township is unknown).
    QString PostCodeOf(const QString &address) const { return FCodes.CodeOf(address); }
    // The county whose identity numbers start with the letter (empty for another letter).
    static QString CountyOf(QChar letter);

private:
    TDemoRandom &FRandom;
    TPostCodeTable FCodes;
    QList<TPostCode> FTaipei;
    QList<TPostCode> FNewTaipei;
    QSet<QString> FTaken;
};
