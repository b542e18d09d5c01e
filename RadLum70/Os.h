#pragma once
// The process-wide description of this computer, SystemOS: the operating system (COS), the
// machine (CMachine) and its TCP/IP identity (CTCP). Created when the library loads, freed when
// it unloads. The login names the computer by its IP address and name; the shell writes the
// address into the sign-off log.
//
// Facts come from the operating system through an IOsFactSource; tests build their own
// CSystem over a fake one.

#include "OsFacts.h"

#include <QString>
#include <memory>

// The kinds of operating system, numbered as the server has always stored them.
enum TOsKind : int { osUnknown = 0, osWindows = 1, osWinNt = 2, osUnix = 3 };
// 0 "UNKNOW" (spelled so), 1 "WINDOWS", 2 "WINDOWS NT", 3 "UNIX"; "UNKNOW" outside 0..3.
QString OsKindName(int kind);

// Operating-system facts, read once at creation; empty where the system keeps no such fact.
struct COS {
    QString RegisteredOrganization;
    QString RegisteredOwner;
    QString SystemRoot;
    QString Version;       // the system's name, "-" and the kind's name
    QString VersionNumber; // the release of the distribution, else of the kernel
    QString ProductId;     // the installation's identifier (machine id)
    QString ProgramFilesDir;
};

class CMachine {
public:
    explicit CMachine(IOsFactSource &facts) : FFacts(facts) {}

    QString Owner;       // the registered owner
    QString MachineType; // hardware type, e.g. "x86_64"
    QString Processor;   // the first processor's name
    QString UserName;    // the logged-on user, read at creation

    // The computer's name: the host name up to its first ".", at most 16 characters; empty
    // on failure.
    QString GetName() const;
    // The logged-on user's name (at most 256 characters), read now.
    QString GetCurrentUser() const;

private:
    IOsFactSource &FFacts;
};

class CTCP {
public:
    explicit CTCP(IOsFactSource &facts) : FFacts(facts) {}

    // An outside address; only the route the system would take to it matters, no packet is
    // sent. Configuration: any routable address serves.
    static const QString DefaultLookupAddress;
    QString LookupAddress = DefaultLookupAddress;

    // The host name; empty on failure.
    QString GetHost() const;
    // The host name after its first "."; empty when it has none.
    QString GetDomain() const;
    // The host name's first IPv4 address that is not a loopback address; when the name does
    // not resolve to one, LookupHostIP.
    QString GetIPAddr() const;
    // The local address of the interface that datagrams to LookupAddress (port 7) would leave
    // by; empty when anything fails.
    QString LookupHostIP() const;

private:
    IOsFactSource &FFacts;
};

class CSystem {
public:
    virtual ~CSystem() = default;
    CSystem(const CSystem &) = delete;
    CSystem &operator=(const CSystem &) = delete;

    int Kind() const { return FKind; }
    // The kind's name from the table of OsKindName.
    QString GetOs() const { return OsKindName(FKind); }

    COS &OS() { return FOS; }
    const COS &OS() const { return FOS; }
    CMachine &Machine() { return FMachine; }
    const CMachine &Machine() const { return FMachine; }
    CTCP &TCP() { return FTCP; }
    const CTCP &TCP() const { return FTCP; }

protected:
    CSystem(int kind, IOsFactSource &facts);
    IOsFactSource &Facts() const { return FFacts; }

private:
    int FKind;
    IOsFactSource &FFacts;
    COS FOS;
    CMachine FMachine;
    CTCP FTCP;
};

// A POSIX system: facts from /etc/os-release, uname, /proc/cpuinfo, /etc/machine-id and the
// user database.
class CUnix : public CSystem {
public:
    explicit CUnix(IOsFactSource &facts);
};

// The description of the operating system that `facts` describe.
std::unique_ptr<CSystem> CreateSystem(IOsFactSource &facts);

// The instance for this process, over the real operating system.
extern CSystem *SystemOS;
