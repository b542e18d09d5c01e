#pragma once
// Front ends of the system-object server: shared services (key numbers, clock, usage log,
// mail, units), stored user-interface definitions, and server locations. They follow the
// job-security front ends' call pattern, except that disconnecting leaves the broker's failure
// marks as they are: a host marked failed stays skipped until something else resets it.
// Output parameters are cleared before each call.

#include "RadServer.h"
#include "SystemObj_TLB.h"

class TSystemObjConnection : public TRadServerConnection {
    Q_OBJECT
public:
    explicit TSystemObjConnection(QObject *owner = nullptr);
};

class TCodeServer : public TSystemObjConnection {
    Q_OBJECT
public:
    explicit TCodeServer(QObject *owner = nullptr);

    HRESULT GetKeyValue(const QString &keyName, int increament, QString &prefix, int &value);
    HRESULT GetKeyValueEX(const QString &majorId, const QString &minorId, QString &prefix,
                          QString &formatStr, int &value);
    HRESULT SetEventLog(const QString &appName, const QString &operation, const QString &oper,
                        const QString &description, TDateTime startTime);
    // Raises the connection's or the server's error.
    TDateTime GetSystemDateTime();
    HRESULT SendMailTo(const QString &toAddr, const QString &subject, const QString &body,
                       const QString &fromAddr, QString &retMessage, bool &result);
    // Sends from the server's own address.
    HRESULT SendMailBySys(const QString &toAddr, const QString &subject, const QString &body,
                          QString &retMessage, bool &result);
    HRESULT GetUnitChilds(const QString &unitId, bool allChilds, bool includeName, QString &result);
};

class TVCLServer : public TSystemObjConnection {
    Q_OBJECT
public:
    explicit TVCLServer(QObject *owner = nullptr);

    // Lines name=description, one per stored definition of the class.
    HRESULT ReadVCLNamesByDescription(const QString &aClass, QString &names);
    HRESULT ReadClassVCLNames(const QString &aClass, QString &names);
    HRESULT LoadVCL(const QString &vclName, QString &aClassName, QString &description,
                    Variant &data);
    HRESULT UpdateVCL(const QString &vclName, const QString &aClassName, const QString &description,
                      const Variant &data);
    HRESULT DeleteVCL(const QString &vclName, bool &result);
};

class TObjBrokerServer : public TSystemObjConnection {
    Q_OBJECT
public:
    explicit TObjBrokerServer(QObject *owner = nullptr);

    HRESULT GetServerNames(QString &names);
    HRESULT ReadServerData(const QString &serverName, Variant &data);
    HRESULT RegistryServer(const QString &serverName, const QString &computerName, int port);
    HRESULT UnRegistryServer(const QString &serverName, const QString &computerName);
};
