#pragma once
// The system-object server's type library: shared services (key numbers, clock, usage log,
// mail, units), stored user-interface definitions, server locations and identifier names.
// Each interface has its identifiers, the ProgID clients address, its dispatch numbers, a
// dispatch twin that calls the remote object by those numbers, and the creators of its two
// creatable classes.

#include "OrvSysInterface_TLB.h"

inline const QUuid LIBID_SystemObj =
    QUuid::fromString(QLatin1String("{9BC2D460-6856-11D4-93EC-0050BAE0E301}"));

inline const QUuid IID_ICodeTableDM =
    QUuid::fromString(QLatin1String("{9BC2D461-6856-11D4-93EC-0050BAE0E301}"));
inline const QUuid CLASS_CodeTableINTF =
    QUuid::fromString(QLatin1String("{9BC2D465-6856-11D4-93EC-0050BAE0E301}"));
inline const QUuid CLASS_CodeTableDM =
    QUuid::fromString(QLatin1String("{9BC2D463-6856-11D4-93EC-0050BAE0E301}"));
inline const QString PROGID_CodeTableINTF = QStringLiteral("SystemObj.CodeTableINTF");

inline const QUuid IID_IDelphiVCLDM =
    QUuid::fromString(QLatin1String("{9BC2D467-6856-11D4-93EC-0050BAE0E301}"));
inline const QUuid CLASS_DelphiVCLINTF =
    QUuid::fromString(QLatin1String("{9BC2D46B-6856-11D4-93EC-0050BAE0E301}"));
inline const QUuid CLASS_DelphiVCLDM =
    QUuid::fromString(QLatin1String("{9BC2D469-6856-11D4-93EC-0050BAE0E301}"));
inline const QString PROGID_DelphiVCLINTF = QStringLiteral("SystemObj.DelphiVCLINTF");

inline const QUuid IID_IObjServersDM =
    QUuid::fromString(QLatin1String("{0331AD80-72C8-11D4-93EC-0050BAE0E301}"));
inline const QUuid CLASS_ObjServersINTF =
    QUuid::fromString(QLatin1String("{0331AD84-72C8-11D4-93EC-0050BAE0E301}"));
inline const QUuid CLASS_ObjServersDM =
    QUuid::fromString(QLatin1String("{0331AD82-72C8-11D4-93EC-0050BAE0E301}"));
inline const QString PROGID_ObjServersINTF = QStringLiteral("SystemObj.ObjServersINTF");

inline const QUuid IID_IIDName =
    QUuid::fromString(QLatin1String("{A188D53B-BC1A-41C5-AB88-6C1C9A620A47}"));
inline const QUuid CLASS_IDNameINTF =
    QUuid::fromString(QLatin1String("{70620D00-065C-48E5-89E6-DA4198AFC01E}"));
inline const QUuid CLASS_IDNameDM =
    QUuid::fromString(QLatin1String("{EDD988BD-58C1-4088-BA3F-B1DB3B39310B}"));
inline const QString PROGID_IDNameINTF = QStringLiteral("SystemObj.IDNameINTF");

namespace DispICodeTableDM {
constexpr int SetEventLog = 1, GetKeyValue = 2, GetSystemDateTime = 3, GetKeyValueEX = 4,
              SendMailTo = 5, GetUnitChilds = 401;
// Called by name only.
inline const QString ComputerUser = QStringLiteral("ComputerUser");
} // namespace DispICodeTableDM

namespace DispIDelphiVCLDM {
constexpr int ReadClassVCLNames = 1, LoadVCL = 2, UpdateVCL = 3, DeleteVCL = 4,
              ReadVCLNamesByDescription = 401;
}

namespace DispIObjServersDM {
constexpr int ReadServerData = 1, GetServerNames = 2, RegistryServer = 3, UnRegistryServer = 4;
}

// Identifier look-ups are called by name.
namespace DispIIDName {
inline const QString IDToName = QStringLiteral("IDToName");
inline const QString IDType = QStringLiteral("IDType");
inline const QString GetIDData = QStringLiteral("GetIDData");
} // namespace DispIIDName

class ICodeTableDMDisp : public IResetDataSetDisp {
public:
    using IResetDataSetDisp::IResetDataSetDisp;
    Variant GetKeyValue(const QString &keyName, int increament, Variant &prefix) {
        std::vector<Variant> args{Variant(keyName), Variant(increament), Variant()};
        Variant r = FDispatch.Invoke(DispICodeTableDM::GetKeyValue, args);
        prefix = args[2];
        return r;
    }
    void SetEventLog(const QString &appName, const QString &operation, const QString &oper,
                     const QString &description, TDateTime startTime) {
        FDispatch.Call(DispICodeTableDM::SetEventLog,
                       {Variant(appName), Variant(operation), Variant(oper), Variant(description),
                        Variant(startTime)});
    }
    TDateTime GetSystemDateTime() {
        return FDispatch.Call(DispICodeTableDM::GetSystemDateTime).ToDateTime();
    }
    int GetKeyValueEX(const QString &majorId, const QString &minorId, Variant &prefix,
                      Variant &formatStr) {
        std::vector<Variant> args{Variant(majorId), Variant(minorId), Variant(), Variant()};
        const int r = FDispatch.Invoke(DispICodeTableDM::GetKeyValueEX, args).ToInt();
        prefix = args[2];
        formatStr = args[3];
        return r;
    }
    bool SendMailTo(const QString &toAddr, const QString &subject, const QString &body,
                    const QString &fromAddr, Variant &retMessage) {
        std::vector<Variant> args{Variant(toAddr), Variant(subject), Variant(body),
                                  Variant(fromAddr), Variant()};
        const bool r = FDispatch.Invoke(DispICodeTableDM::SendMailTo, args).ToBool();
        retMessage = args[4];
        return r;
    }
    QString GetUnitChilds(const QString &unitId, bool allChilds, bool includeName) {
        return VarToStr(
            FDispatch.Call(DispICodeTableDM::GetUnitChilds,
                           {Variant(unitId), Variant(allChilds), Variant(includeName)}));
    }
    bool ComputerUser(const QString &macAddress, const QString &userName) {
        const Variant r = FDispatch.Call(DispICodeTableDM::ComputerUser,
                                         {Variant(macAddress), Variant(userName)});
        return !r.IsEmptyOrNull() && r.ToBool();
    }
};

class IDelphiVCLDMDisp : public IResetDataSetDisp {
public:
    using IResetDataSetDisp::IResetDataSetDisp;
    Variant ReadClassVCLNames(const QString &aClass) {
        return FDispatch.Call(DispIDelphiVCLDM::ReadClassVCLNames, {Variant(aClass)});
    }
    Variant LoadVCL(const QString &vclName, Variant &aClassName, Variant &description) {
        std::vector<Variant> args{Variant(vclName), Variant(), Variant()};
        Variant r = FDispatch.Invoke(DispIDelphiVCLDM::LoadVCL, args);
        aClassName = args[1];
        description = args[2];
        return r;
    }
    void UpdateVCL(const QString &vclName, const QString &aClassName, const QString &description,
                   const Variant &aData) {
        FDispatch.Call(DispIDelphiVCLDM::UpdateVCL,
                       {Variant(vclName), Variant(aClassName), Variant(description), aData});
    }
    bool DeleteVCL(const QString &vclName) {
        return FDispatch.Call(DispIDelphiVCLDM::DeleteVCL, {Variant(vclName)}).ToBool();
    }
    Variant ReadVCLNamesByDescription(const QString &aClass) {
        return FDispatch.Call(DispIDelphiVCLDM::ReadVCLNamesByDescription, {Variant(aClass)});
    }
};

class IObjServersDMDisp : public IResetDataSetDisp {
public:
    using IResetDataSetDisp::IResetDataSetDisp;
    Variant ReadServerData(const QString &serverName) {
        return FDispatch.Call(DispIObjServersDM::ReadServerData, {Variant(serverName)});
    }
    Variant GetServerNames() { return FDispatch.Call(DispIObjServersDM::GetServerNames); }
    void RegistryServer(const QString &serverName, const QString &computerName, int port) {
        FDispatch.Call(DispIObjServersDM::RegistryServer,
                       {Variant(serverName), Variant(computerName), Variant(port)});
    }
    void UnRegistryServer(const QString &serverName, const QString &computerName) {
        FDispatch.Call(DispIObjServersDM::UnRegistryServer,
                       {Variant(serverName), Variant(computerName)});
    }
};

class IIDNameDisp {
public:
    explicit IIDNameDisp(TRemoteDispatch dispatch) : FDispatch(dispatch) {}
    bool IDToName(const QString &idType, const QString &idValue, QString &idName) {
        std::vector<Variant> args{Variant(idType), Variant(idValue), Variant()};
        const bool r = FDispatch.Invoke(DispIIDName::IDToName, args).ToBool();
        idName = VarToStr(args[2]);
        return r;
    }
    QString IDType() { return VarToStr(FDispatch.Call(DispIIDName::IDType)); }
    Variant GetIDData(const QString &idType, const QString &idValue) {
        return FDispatch.Call(DispIIDName::GetIDData, {Variant(idType), Variant(idValue)});
    }

private:
    TRemoteDispatch FDispatch;
};

// Creators of the creatable classes, as in the job-security library.
using CoCodeTableINTF = TCoClass<ICodeTableDMDisp, CLASS_CodeTableINTF, PROGID_CodeTableINTF>;
using CoCodeTableDM = TCoClass<ICodeTableDMDisp, CLASS_CodeTableDM, PROGID_CodeTableINTF>;
using CoDelphiVCLINTF = TCoClass<IDelphiVCLDMDisp, CLASS_DelphiVCLINTF, PROGID_DelphiVCLINTF>;
using CoDelphiVCLDM = TCoClass<IDelphiVCLDMDisp, CLASS_DelphiVCLDM, PROGID_DelphiVCLINTF>;
using CoObjServersINTF = TCoClass<IObjServersDMDisp, CLASS_ObjServersINTF, PROGID_ObjServersINTF>;
using CoObjServersDM = TCoClass<IObjServersDMDisp, CLASS_ObjServersDM, PROGID_ObjServersINTF>;
using CoIDNameINTF = TCoClass<IIDNameDisp, CLASS_IDNameINTF, PROGID_IDNameINTF>;
using CoIDNameDM = TCoClass<IIDNameDisp, CLASS_IDNameDM, PROGID_IDNameINTF>;
