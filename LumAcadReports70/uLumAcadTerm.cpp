#include "uLumAcadTerm.h"

#include "DataSet.h"
#include "Exceptions.h"
#include "Fields.h"
#include "uLumFieldDisplays.h"

void TLumAcadTerm::SetYSemester(const QString &value) {
    if (value.isEmpty())
        throw Exception(QStringLiteral("Set YSemester Error"));
    FYSemester = value;
}

QString TLumAcadTerm::GetAYear() const {
    return FYSemester.left(FYSemester.size() - 1);
}

QString TLumAcadTerm::GetASemester(TDataSet *semesters) const {
    return CodeTableText(semesters, FYSemester.right(1));
}

QString TLumAcadTerm::GetYSemFMT(TDataSet *semesters) const {
    return QStringLiteral("%1 學年度 %2 ").arg(GetAYear(), GetASemester(semesters));
}

QString CurrentYSemester(TDataSet *nowYSem) {
    if (!nowYSem || !nowYSem->Active() || nowYSem->IsEmpty())
        return {};
    nowYSem->First();
    return nowYSem->FieldByName(QStringLiteral("Descript"))->AsString();
}
