#pragma once
// The rest of the demo school's roll: the students that fill each class up to a class of
// thirty, made the same way every time (a fixed seed), with names, birthdays that fit the
// year of entry, identity numbers that pass the national check with the sex digit matching,
// and addresses in Taipei and New Taipei.

class TServerDatabase;

// Adds the students after the seats already taken in each class; numbers continue the class's
// range (x01 classes from 001, x02 classes from 031, after the entry year).
void FillDemoRoll(TServerDatabase &db);
