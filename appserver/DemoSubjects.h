#pragma once
// The subjects every class of the demo school takes in a week, with the teachers who teach
// them. The first six are those the school started with: in its first five classes (101, 102,
// 201, 202, 301) they are taught by the staff members named here.

#include <QList>

struct TDemoSubject {
    const char *Code; // courses are numbered term + "-" + code + class
    const char *Name;
    const char *EngName;
    int Periods;        // in a week; also the course's credits
    int Teachers;       // teachers of the subject besides the first one
    const char *Domain; // the curriculum domain, a code of cs_GroupType
    const char *Room;   // where it is taught; empty: in the class's own room
    const char *First;  // who teaches it in the first five classes; empty: a new teacher
};

QList<TDemoSubject> DemoSubjects();

// The classes the school started with, whose first six subjects keep their first teachers.
bool IsFirstClass(const QString &classId);
