#include "uAcadMessages.h"

#include "StringList.h"
#include "uLumMessages.h"

void CourseIDSender(const QString &courseID, const QString &courseName, const QString &unitID) {
    SendOrvValues(WM_ACADCOURSEID,
                  {{"CourseID", courseID}, {"CourseName", courseName}, {"Unit_ID", unitID}});
}

void CourseIDReceiver(const TMessage &message, QString &courseID, QString &courseName,
                      QString &unitID) {
    courseID = OrvMessageValue(message, "CourseID");
    courseName = OrvMessageValue(message, "CourseName");
    unitID = OrvMessageValue(message, "Unit_ID");
}

void StudentIDSender(const QString &id, const QString &chtName, const QString &studentID,
                     const QString &eMail) {
    SendOrvValues(WM_ACADSTUDENTID,
                  {{"ID", id}, {"Cht_Name", chtName}, {"StudentID", studentID}, {"EMail", eMail}});
}

void StudentIDReceiver(const TMessage &message, QString &id, QString &chtName, QString &studentID,
                       QString &eMail) {
    id = OrvMessageValue(message, "ID");
    chtName = OrvMessageValue(message, "Cht_Name");
    studentID = OrvMessageValue(message, "StudentID");
    eMail = OrvMessageValue(message, "EMail");
}

void StudentFilterSender(const QString &filter) {
    SendOrvValues(WM_ACADSTUDENTFILTER, {{"Filter", filter}});
}

void StudentFilterReceiver(const TMessage &message, QString &filter) {
    filter = OrvMessageValue(message, "Filter");
}

void OrvCoursesFilterSender(const QString &filter) {
    SendOrvValues(WM_ACADORVCOURSESFILTER, {{"Filter", filter}});
}

void OrvCoursesFilterReceiver(const TMessage &message, QString &filter) {
    filter = OrvMessageValue(message, "Filter");
}

bool FetchStudentsInfo(const QString &fieldName, TStringList *strings) {
    if (!strings || fieldName.isEmpty())
        return false;
    return SendOrvValues(WM_ACADFETCHSTUDENTS, {{"FieldName", fieldName}}, strings, true) == 1;
}

QString FetchStudentsInfoFieldName(const TMessage &message) {
    return OrvMessageValue(message, "FieldName");
}

TStringList *FetchStudentsInfoStrings(const TMessage &message) {
    return message.LStrings;
}
