#include "uAcadMessages.h"

#include "StringList.h"
#include "uLumMessages.h"

#include <utility>

namespace {

using TPairs = std::initializer_list<std::pair<const char *, QString>>;

// Sends the lines in their order; the list lives on the stack, so it is freed after delivery
// whether or not a receiver failed. A question goes to the forms until one answers, and its
// answer is returned.
qint32 Send(quint32 msg, TPairs values, TStringList *second = nullptr, bool question = false) {
    TStringList list;
    for (const auto &[name, value] : values)
        list.Add(QLatin1String(name) + u'=' + value);
    TMessage message;
    message.Msg = msg;
    message.Strings = &list;
    message.LStrings = second;
    if (question)
        return AskOrvMessage(message);
    DispatchOrvMessage(message);
    return 0;
}

QString Read(const TMessage &message, const char *name) {
    return message.Strings ? message.Strings->Values(QLatin1String(name)) : QString();
}

} // namespace

void CourseIDSender(const QString &courseID, const QString &courseName, const QString &unitID) {
    Send(WM_ACADCOURSEID,
         {{"CourseID", courseID}, {"CourseName", courseName}, {"Unit_ID", unitID}});
}

void CourseIDReceiver(const TMessage &message, QString &courseID, QString &courseName,
                      QString &unitID) {
    courseID = Read(message, "CourseID");
    courseName = Read(message, "CourseName");
    unitID = Read(message, "Unit_ID");
}

void StudentIDSender(const QString &id, const QString &chtName, const QString &studentID,
                     const QString &eMail) {
    Send(WM_ACADSTUDENTID,
         {{"ID", id}, {"Cht_Name", chtName}, {"StudentID", studentID}, {"EMail", eMail}});
}

void StudentIDReceiver(const TMessage &message, QString &id, QString &chtName, QString &studentID,
                       QString &eMail) {
    id = Read(message, "ID");
    chtName = Read(message, "Cht_Name");
    studentID = Read(message, "StudentID");
    eMail = Read(message, "EMail");
}

void StudentFilterSender(const QString &filter) {
    Send(WM_ACADSTUDENTFILTER, {{"Filter", filter}});
}

void StudentFilterReceiver(const TMessage &message, QString &filter) {
    filter = Read(message, "Filter");
}

void OrvCoursesFilterSender(const QString &filter) {
    Send(WM_ACADORVCOURSESFILTER, {{"Filter", filter}});
}

void OrvCoursesFilterReceiver(const TMessage &message, QString &filter) {
    filter = Read(message, "Filter");
}

bool FetchStudentsInfo(const QString &fieldName, TStringList *strings) {
    if (!strings || fieldName.isEmpty())
        return false;
    return Send(WM_ACADFETCHSTUDENTS, {{"FieldName", fieldName}}, strings, true) == 1;
}

QString FetchStudentsInfoFieldName(const TMessage &message) {
    return Read(message, "FieldName");
}

TStringList *FetchStudentsInfoStrings(const TMessage &message) {
    return message.LStrings;
}
