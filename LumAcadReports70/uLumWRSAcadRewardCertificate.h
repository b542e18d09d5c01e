#pragma once
// TLumWRSAcadRewardCertificate: the certificates of one student (StudentDataSet, provider
// "RewardByStudentProvider" of the reward server, parameter StudentID): the conduct certificate
// ("學生操行證明單.doc", a row per term of StudentSemStatic), the rewards and punishments of
// all years ("學生歷年獎懲證明單.doc", the rows of StudentPunishDetail with their dispatch) or
// the deeds at school ("學生在校事蹟證明單.doc", the same rows with their origin, of one origin
// or of all). The student's labels as every student document has them, AF_OriType (the
// origin's description) for the deeds; the rows in table 0 below row 4.

#include "uLumDocuReportStudent.h"

class TDataSource;
class TDBWRTableIndex;

enum TRewardCertificateType { rctConduct, rctReward, rctOrigin };

class TLumWRSAcadRewardCertificate : public TLumDocuReportStudent {
    Q_OBJECT
public:
    explicit TLumWRSAcadRewardCertificate(QObject *owner = nullptr);
    QString ClassName() const override { return QStringLiteral("TLumWRSAcadRewardCertificate"); }

    TCodeTableCDS *AF_REPU, *cdAF_OriType;
    TClientDataSet *StudentSemStatic, *StudentPunishDetail;
    TDataSource *RewardSource;
    TDBWRTableIndex *wrRewardTable;

    TRewardCertificateType CertificateType() const { return FType; }
    // The template and the rows of that kind of certificate.
    void SetCertificateType(TRewardCertificateType type);
    // The deeds of one origin (a code of AF_OriType); a code the table lacks means every
    // origin, with an empty description.
    void SetOriginType(const QString &code);
    const QString &OriginType() const { return FOriginType; }
    const QString &OriginText() const { return FOriginText; }

    // Reads the student of that number through the module's connection and makes the
    // document.
    void PrintingByStudent(const QString &studentID);
    void SetFormLabels() override;

private:
    TRewardCertificateType FType = rctConduct;
    QString FOriginType, FOriginText;
};
