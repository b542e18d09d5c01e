#pragma once
// The nested details of a provider (TProviderDetail) and its joined fields: the details of
// every master row put into the rows that a fetch sends, and their changes, which travel
// inside the master's changes, written to their own table in the master's transaction.
//
// A master's nested field holds its details as a data packet with their pending changes (the
// client's change log). Those changes are applied as the server sees fit, never as a client
// says: only the declared fields that are not joined are written; a detail belongs to its
// master (the link fields take the master's values); a change whose row was changed or
// removed by someone else in the meantime is refused, so is one that the detail's check
// refuses. A refused detail refuses its master row, with the detail named in the message.

#include "ProviderHost.h"

#include <QSqlQuery>

class TServerDatabase;

// The field definitions that clients are given for a provider's fields: key fields marked,
// joined fields neither written nor compared.
std::vector<TFieldDef> ProviderFieldDefs(const QList<TProviderField> &fields,
                                         const QStringList &keyFields);

// The master rows of a packet with the details of each one in the nested fields, which follow
// the master's own fields.
QByteArray WithDetails(TServerDatabase &db, const TProviderDef &def, const QByteArray &packet);

// A delta whose joined fields carry no provider flags (written or compared): whatever the
// client sent for them, they are read from other tables.
QByteArray WithServerFlags(const TProviderDef &def, const QByteArray &delta);

// A reconcile result whose refused master rows carry the server's current details in their
// nested fields; `fields` are those of the delta it answers.
QByteArray WithCurrentDetails(TServerDatabase &db, const TProviderDef &def,
                              const std::vector<TFieldDef> &fields, const QByteArray &result);

// Whether a reconcile result says that the whole apply was taken back.
bool RolledBack(const QByteArray &result, const std::vector<TFieldDef> &fields);

// Applies the details carried by the master rows of one delta, row by row as the master rows
// are applied; refusals are raised as EDatabaseError, which refuses the master row.
class TDetailResolver {
public:
    TDetailResolver(TServerDatabase &db, const TProviderDef &def);

    // A new apply: nothing counted yet.
    void Start();
    // Before a master row is written: a deleted master's details go first.
    void BeforeMaster(const TDeltaRow &master);
    // After a master row was written: the details of a new or changed master.
    void AfterMaster(const TDeltaRow &master);
    // The detail rows written for the master rows that went in.
    const TApplyCounts &Counts() const { return FCounts; }

private:
    void Apply(const TProviderDetail &detail, const TDeltaRow &master);
    TServerDatabase &FDb;
    const TProviderDef &FDef;
    TApplyCounts FCounts;
    TApplyCounts FPending; // written for the master row under way, not yet known to stay
};
