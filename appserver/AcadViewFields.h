#pragma once
// The columns of the academic views (AcadViews.h) with the types clients see, in the views'
// order, and the read-only providers over views and tables. A client's own statement over a view
// ("Select * from vLumStudentAbsenceDetail Where ...") gets these types and names on every engine.
//
// Types: dates ftDate (the date-times SemResultsTime ftDateTime), seat numbers ftSmallint,
// years, weeks, counts and periods ftInteger, credits of a term's course ftInteger, grades and
// conduct marks ftFloat, everything else text.

#include "ProviderHost.h"

QList<TProviderField> StudentAllFields();
QList<TProviderField> AbsenceDetailFields();
QList<TProviderField> AbsenceWeeklyFields();
QList<TProviderField> SemStaticFields();
QList<TProviderField> RewardDetailFields();
QList<TProviderField> SemCoursesFields();
QList<TProviderField> SemGradeFields();
QList<TProviderField> StudentStudyFields();

// A provider that reads the `fields` of a view or table (in order) sorted by `orderBy` and
// takes no changes; `keys` identify its rows.
TProviderDef ReadOnlyProvider(const QString &name, const QString &view,
                              const QList<TProviderField> &fields, const QStringList &keys,
                              const QString &orderBy);
