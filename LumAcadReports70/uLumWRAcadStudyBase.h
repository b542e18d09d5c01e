#pragma once
// TLumWRAcadStudyBase: a Word document about one study programme, from the programme's record
// (StudyInfo, provider "edStudyInfo2DProvider" of the course server, parameter No = the study
// ID) or a copy of a dataset the caller holds. The Word objects read the programme through
// StudyInfoSource, which descendants may point at another dataset. The template's bookmarks of
// the programme's fields receive their display texts (codes by their descriptions).

#include "uLumDocuReportBase.h"

class TDataSource;

class TLumWRAcadStudyBase : public TLumDocuReportBase {
    Q_OBJECT
public:
    explicit TLumWRAcadStudyBase(QObject *owner = nullptr);
    QString ClassName() const override { return QStringLiteral("TLumWRAcadStudyBase"); }

    TCodeTableCDS *CDUnit, *cdST_CLASS, *cdST_StudyType, *cdST_Diploma;
    TStatelessCDataSet *StudyInfo;
    TDataSource *StudyInfoSource;

    const QString &StudyID() const { return FStudyID; }
    // A new ID is stored and becomes the parameter No of StudyInfo.
    void SetStudyID(const QString &studyID);

    // The programme of that ID read through the module's connection, then PrintDoc.
    void OpenStudy(const QString &studyID);
    // The dataset's packet into StudyInfo, then PrintDoc.
    void OpenStudy(TClientDataSet *dataSet);
    // The dataset the Word objects read (StudyInfoSource's).
    TDataSet *GetStudyDataSet() const;
    // The document from the programme.
    virtual void PrintDoc();

    void SetFormLabels() override;
    // The Descript of the code in the code table; the code itself without a table or a row.
    static QString CodeLookup(TDataSet *codeTable, const QString &code);

protected:
    void DoPrintData(TClientDataSet *dataSet) override;

private:
    QString FStudyID;
};
