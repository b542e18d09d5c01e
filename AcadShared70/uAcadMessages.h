#pragma once
// The academic message records on the carrier of uLumMessages: open job forms tell each other
// which course or student is current and which filter applies, and one form can ask the others
// for the students they show. Every value travels as text in a name=value list.

#include "Messages.h"

#include <QString>

class TStringList;

constexpr quint32 WM_ACADCOURSEID = 32874;         // the current course
constexpr quint32 WM_ACADSTUDENTID = 32875;        // the current student
constexpr quint32 WM_ACADSTUDENTFILTER = 32876;    // a filter over students
constexpr quint32 WM_ACADFETCHSTUDENTS = 32878;    // a request for the students a form shows
constexpr quint32 WM_ACADORVCOURSESFILTER = 32868; // a filter over the course index

// 32874: "CourseID", "CourseName", "Unit_ID".
void CourseIDSender(const QString &courseID, const QString &courseName, const QString &unitID);
void CourseIDReceiver(const TMessage &message, QString &courseID, QString &courseName,
                      QString &unitID);

// 32875: "ID", "Cht_Name", "StudentID", "EMail".
void StudentIDSender(const QString &id, const QString &chtName, const QString &studentID,
                     const QString &eMail);
void StudentIDReceiver(const TMessage &message, QString &id, QString &chtName, QString &studentID,
                       QString &eMail);

// 32876: "Filter".
void StudentFilterSender(const QString &filter);
void StudentFilterReceiver(const TMessage &message, QString &filter);

// 32868: "Filter".
void OrvCoursesFilterSender(const QString &filter);
void OrvCoursesFilterReceiver(const TMessage &message, QString &filter);

// 32878: asks the open forms for the values of the field `fieldName` of the students they show.
// The message carries "FieldName" and, as its second parameter, `strings`; a form that answers
// fills `strings` and sets the message's result to 1. False at once, sending nothing, without
// a list or a field name; otherwise whether a form answered.
bool FetchStudentsInfo(const QString &fieldName, TStringList *strings);
// For the answering form: the field asked for and the caller's list (null when there is none).
QString FetchStudentsInfoFieldName(const TMessage &message);
TStringList *FetchStudentsInfoStrings(const TMessage &message);
