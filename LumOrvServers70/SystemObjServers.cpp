#include "SystemObjServers.h"

TSystemObjConnection::TSystemObjConnection(QObject *owner) : TRadServerConnection(owner) {
    SetResetBrokerOnDisconnect(false);
}

// --- TCodeServer --------------------------------------------------------------------------

TCodeServer::TCodeServer(QObject *owner) : TSystemObjConnection(owner) {
    SetServerName(PROGID_CodeTableINTF);
}

HRESULT TCodeServer::GetKeyValue(const QString &keyName, int increament, QString &prefix,
                                 int &value) {
    prefix.clear();
    value = 0;
    return CallServer([&](TRemoteDispatch &d) {
        Variant p;
        value = ICodeTableDMDisp(d).GetKeyValue(keyName, increament, p).ToInt();
        prefix = VarToStr(p);
    });
}

HRESULT TCodeServer::GetKeyValueEX(const QString &majorId, const QString &minorId, QString &prefix,
                                   QString &formatStr, int &value) {
    prefix.clear();
    formatStr.clear();
    value = 0;
    return CallServer([&](TRemoteDispatch &d) {
        Variant p, f;
        value = ICodeTableDMDisp(d).GetKeyValueEX(majorId, minorId, p, f);
        prefix = VarToStr(p);
        formatStr = VarToStr(f);
    });
}

HRESULT TCodeServer::SetEventLog(const QString &appName, const QString &operation,
                                 const QString &oper, const QString &description,
                                 TDateTime startTime) {
    return CallServer([&](TRemoteDispatch &d) {
        ICodeTableDMDisp(d).SetEventLog(appName, operation, oper, description, startTime);
    });
}

TDateTime TCodeServer::GetSystemDateTime() {
    TDateTime now;
    CallServerOrRaise([&](TRemoteDispatch &d) { now = ICodeTableDMDisp(d).GetSystemDateTime(); });
    return now;
}

HRESULT TCodeServer::SendMailTo(const QString &toAddr, const QString &subject, const QString &body,
                                const QString &fromAddr, QString &retMessage, bool &result) {
    retMessage.clear();
    result = false;
    return CallServer([&](TRemoteDispatch &d) {
        Variant message;
        result = ICodeTableDMDisp(d).SendMailTo(toAddr, subject, body, fromAddr, message);
        retMessage = VarToStr(message);
    });
}

HRESULT TCodeServer::SendMailBySys(const QString &toAddr, const QString &subject,
                                   const QString &body, QString &retMessage, bool &result) {
    return SendMailTo(toAddr, subject, body, QString(), retMessage, result);
}

HRESULT TCodeServer::GetUnitChilds(const QString &unitId, bool allChilds, bool includeName,
                                   QString &result) {
    result.clear();
    return CallServer([&](TRemoteDispatch &d) {
        result = ICodeTableDMDisp(d).GetUnitChilds(unitId, allChilds, includeName);
    });
}

// --- TVCLServer ---------------------------------------------------------------------------

TVCLServer::TVCLServer(QObject *owner) : TSystemObjConnection(owner) {
    SetServerName(PROGID_DelphiVCLINTF);
}

HRESULT TVCLServer::ReadVCLNamesByDescription(const QString &aClass, QString &names) {
    names.clear();
    return CallServer([&](TRemoteDispatch &d) {
        names = VarToStr(IDelphiVCLDMDisp(d).ReadVCLNamesByDescription(aClass));
    });
}

HRESULT TVCLServer::ReadClassVCLNames(const QString &aClass, QString &names) {
    names.clear();
    return CallServer([&](TRemoteDispatch &d) {
        names = VarToStr(IDelphiVCLDMDisp(d).ReadClassVCLNames(aClass));
    });
}

HRESULT TVCLServer::LoadVCL(const QString &vclName, QString &aClassName, QString &description,
                            Variant &data) {
    aClassName.clear();
    description.clear();
    data = Variant();
    return CallServer([&](TRemoteDispatch &d) {
        Variant className, text;
        data = IDelphiVCLDMDisp(d).LoadVCL(vclName, className, text);
        aClassName = VarToStr(className);
        description = VarToStr(text);
    });
}

HRESULT TVCLServer::UpdateVCL(const QString &vclName, const QString &aClassName,
                              const QString &description, const Variant &data) {
    return CallServer([&](TRemoteDispatch &d) {
        IDelphiVCLDMDisp(d).UpdateVCL(vclName, aClassName, description, data);
    });
}

HRESULT TVCLServer::DeleteVCL(const QString &vclName, bool &result) {
    result = false;
    return CallServer([&](TRemoteDispatch &d) { result = IDelphiVCLDMDisp(d).DeleteVCL(vclName); });
}

// --- TObjBrokerServer ---------------------------------------------------------------------

TObjBrokerServer::TObjBrokerServer(QObject *owner) : TSystemObjConnection(owner) {
    SetServerName(PROGID_ObjServersINTF);
}

HRESULT TObjBrokerServer::GetServerNames(QString &names) {
    names.clear();
    return CallServer(
        [&](TRemoteDispatch &d) { names = VarToStr(IObjServersDMDisp(d).GetServerNames()); });
}

HRESULT TObjBrokerServer::ReadServerData(const QString &serverName, Variant &data) {
    data = Variant();
    return CallServer(
        [&](TRemoteDispatch &d) { data = IObjServersDMDisp(d).ReadServerData(serverName); });
}

HRESULT TObjBrokerServer::RegistryServer(const QString &serverName, const QString &computerName,
                                         int port) {
    return CallServer([&](TRemoteDispatch &d) {
        IObjServersDMDisp(d).RegistryServer(serverName, computerName, port);
    });
}

HRESULT TObjBrokerServer::UnRegistryServer(const QString &serverName, const QString &computerName) {
    return CallServer([&](TRemoteDispatch &d) {
        IObjServersDMDisp(d).UnRegistryServer(serverName, computerName);
    });
}
