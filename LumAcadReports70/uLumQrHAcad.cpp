#include "uLumQrHAcad.h"

#include "ClientDataSet.h"
#include "CodeTableCDS.h"
#include "Exceptions.h"
#include "uGenSQLWhere.h"
#include "uLumFieldDisplays.h"

TLumQrHAcad::TLumQrHAcad(QObject *owner) : TLumQrHeader(owner) {
    NowYSem = AddCodeTable(QStringLiteral("NowYSem"),
                           QStringLiteral("Main_Code='NSYS' and Code='NowYSem'"));
    Semester = AddCodeTable(QStringLiteral("Semester"), QStringLiteral("Main_Code='Semester' "));
    GenSQLWhere = new TGenSQLWhere(this);
    GenSQLWhere->SetName(QStringLiteral("GenSQLWhere"));
    SetYSemester(CurrentYSemester(NowYSem));
}

QString TLumQrHAcad::GetASemester() const {
    return FTerm.GetASemester(Semester);
}

QString TLumQrHAcad::GetYSemFMT() const {
    return FTerm.GetYSemFMT(Semester);
}

QString TLumQrHAcad::TermCondition(const QString &where) {
    GenSQLWhere->SetSQLWhere(where);
    GenSQLWhere->AsString(true, QStringLiteral("YSemester"), QStringLiteral("="), YSemester());
    return GenSQLWhere->SQLWhere();
}
