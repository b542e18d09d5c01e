#pragma once
// The system's own type library: the interface every application-server object of the system
// adds to IAppServer so that a client can ask it to reload the data behind a provider.

#include "SocketConnection.h"

#include <QUuid>

inline const QUuid LIBID_OrvSysInterface =
    QUuid::fromString(QLatin1String("{12FCEF83-8CED-4889-8077-A2EF7327D482}"));
inline const QUuid IID_IResetDataSet =
    QUuid::fromString(QLatin1String("{40076756-EA64-4CE3-8DFD-507F66769C5C}"));

namespace DispIResetDataSet {
constexpr int RefreshDataSet = 19999990;
}

// Late-bound access to an IResetDataSet object (the dispatch twin of the interface). The
// interfaces derived from it add their methods on top.
class IResetDataSetDisp {
public:
    explicit IResetDataSetDisp(TRemoteDispatch dispatch) : FDispatch(dispatch) {}
    void RefreshDataSet(const QString &providerName) {
        FDispatch.Call(DispIResetDataSet::RefreshDataSet, {Variant(providerName)});
    }

protected:
    TRemoteDispatch FDispatch;
};
