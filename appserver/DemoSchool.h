#pragma once
// The server's tables and the demo school that fills a new database: a fictional senior high
// school with an administrator and teachers, their profiles, job groups, code tables with
// their Traditional Chinese descriptions, server locations and stored code trees; its notices
// and calendar (dated from the day the database is made); its students and staff, at a senior
// high school's full size (three years of twelve classes of about 35 students, about ninety
// staff: DemoRoll.h); the courses of the current term with their students, timetables and the
// grades recorded so far (DemoCurriculum.h), the roll calls and the rewards and punishments of
// the term up to the day before (DemoAttendance.h); the records of the job packages every
// school starts with in the client-application list (group and flags; the files are published
// into them when the server starts), and help documents of two of them. Everything but the
// password hashes is the same on every database made on the same day.
//
// Demo accounts (ID / password):
//   ADMIN / orv7-admin    the administrator
//   T001  / teach-2024    a teacher
//   T002  / lab-2024      a teacher bound to the computer "10.0.0.99LAB-PC01"
// (listed in the README too; keep both in step)

#include "Passwords.h"

#include <QList>
#include <QString>
#include <QStringList>

class TServerDatabase;

// CREATE statements with {SERIAL} and {BLOB} standing for the engine's own words.
QStringList SchemaStatements();
// Tables of the server's own records (sessions, login failures, the record of applied
// changes): client command texts never read them.
QStringList ServerOnlyTables();

// A column that a table gained after databases were first made with it; the CREATE statements
// hold it already, older databases gain it when the server starts.
struct TAddedColumn {
    QString Table;
    QString Column;
    QString Type;
};
QList<TAddedColumn> AddedColumns();

// Runs inside the transaction that creates the schema. The server locations name this
// machine at `port`, the port the server was started with.
void FillDemoSchool(TServerDatabase &db, THashCost cost, int port);
