#pragma once
// The people of the demo school beyond those it started with: its staff (a teacher for every
// class of every subject and the offices' clerks, about ninety in all) and its roll of three
// years of twelve classes of about 35 students, each student with a family (guardian and
// emergency contact), an address with its post code, a place of birth and an identity number.
// The classes are codes of st_CLASS ("101" is the first year's first class, "一年一班") with
// their department (classes 1 to 11 普通科, class 12 數理資優班), class name, tutor and room.
//
// The students and staff the school started with keep their numbers, seats and data; the
// students among them gain the family, post code and school fields they lacked. New students
// are numbered from their year of entry followed by 101 upwards, in class and seat order.

#include <QMap>
#include <QStringList>

class TServerDatabase;
class TDemoPeople;

// The new teachers of each subject (its code), and the clerks.
QMap<QString, QStringList> FillDemoStaff(TServerDatabase &db, TDemoPeople &people);

// The classes (codes and ClassTypeDef, the tutors taken in order from `tutors`) and the roll.
void FillDemoRoll(TServerDatabase &db, TDemoPeople &people, const QStringList &tutors);
