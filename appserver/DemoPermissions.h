#pragma once
// The demo school's permissions (Permissions.h): every job group reads the job-security
// objects a signed-in client needs (file lists, its user's account and jobs), the system
// objects, the public notices and calendar, and the staff directory that the shell offers
// everyone; 教務 (ACAD) reads and applies to the academic objects; 學務 (STUDENT) reads them and
// applies to the roll calls and the rewards and conduct; 會計 (ACCOUNT) the general ledger;
// 人事 (PERSONNEL) the personnel object. The administrators' group needs no rows.

class TServerDatabase;

// Writes the rows for the groups the database has (any group that is not one of the demo's
// gets the rows every group has). Runs inside the caller's transaction.
void FillDemoPermissions(TServerDatabase &db);
