#pragma once
// TLumQrHAcad: a list report of the academic office with the school's page header, bound to one
// school term (YSemester, the current term when the report is made). Its master rows are chosen
// by a WHERE text (OpenMaster(where), WhereMaster) or copied from a dataset the caller holds
// (OpenMaster(dataset)); descendants name the master (GetMasterDataSet) and set its statement
// (DoMasterCommand), usually with the term condition added (TermCondition).

#include "uLumAcadTerm.h"
#include "uLumQrHeader.h"

class TCodeTableCDS;
class TGenSQLWhere;

class TLumQrHAcad : public TLumQrHeader {
    Q_OBJECT
public:
    explicit TLumQrHAcad(QObject *owner = nullptr);
    QString ClassName() const override { return QStringLiteral("TLumQrHAcad"); }

    TCodeTableCDS *NowYSem;  // "Main_Code='NSYS' and Code='NowYSem'": Descript is the term
    TCodeTableCDS *Semester; // "Main_Code='Semester' ": Code -> Descript of the semester
    TGenSQLWhere *GenSQLWhere;

    const QString &YSemester() const { return FTerm.YSemester(); }
    // An empty code raises "Set YSemester Error"; the term stays as it was.
    void SetYSemester(const QString &value) { FTerm.SetYSemester(value); }
    QString GetAYear() const { return FTerm.GetAYear(); }
    QString GetASemester() const;
    // "%s 學年度 %s ": "094 學年度 下學期 ".
    QString GetYSemFMT() const;

protected:
    // The condition builder reset to `where` and extended by the term: "( where And
    // YSemester='0942' )", or the bare term condition when `where` is empty.
    QString TermCondition(const QString &where);

private:
    TLumAcadTerm FTerm;
};
