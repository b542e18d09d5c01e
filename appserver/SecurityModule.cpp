#include "SecurityModule.h"

#include "ObjectServer.h"
#include "RemoteProtocol.h"

#include <QRegularExpression>

namespace {

const QString kWrongAccount = QStringLiteral("帳號或密碼錯誤");
const QString kExpired = QStringLiteral("密碼已過期,請洽系統管理者");
const QString kNotYet = QStringLiteral("帳號尚未生效");
const QString kWrongComputer = QStringLiteral("此帳號不可在這部電腦登入");
const QString kNeedsComputer = QStringLiteral("此帳號限定在指定的電腦登入");

// Splits "192.168.1.10PC01" into its address and its computer name.
std::pair<QString, QString> SplitMachine(const QString &text) {
    static const QRegularExpression ip(QStringLiteral("^[0-9]{1,3}(\\.[0-9]{1,3}){3}"));
    const auto m = ip.match(text);
    if (!m.hasMatch())
        return {QString(), text.trimmed().toUpper()};
    return {m.captured(0), text.mid(m.capturedLength()).trimmed().toUpper()};
}

} // namespace

bool TSecurityModule::MachineAllowed(const QStringList &entries, const QString &host) {
    if (entries.isEmpty())
        return true;
    const auto [hostIp, hostName] = SplitMachine(host);
    if (hostIp.isEmpty() && hostName.isEmpty())
        return false;
    for (const QString &entry : entries) {
        const auto [ip, name] = SplitMachine(entry);
        if ((hostIp.isEmpty() || hostIp == ip) && (hostName.isEmpty() || hostName == name))
            return true;
    }
    return false;
}

TDateTime TSecurityModule::EndAfterMonths(TDateTime start, int months) const {
    if (months <= 0)
        return TDateTime::EncodeDate(9999, 1, 1);
    return TDateTime::FromDate(start.ToDate().addMonths(months));
}

bool TSecurityModule::CheckPassword(const QString &id, const QString &password) {
    const QVariant hash =
        Db().Scalar(QStringLiteral("SELECT PasswordHash FROM Users WHERE ID = ?"), {id});
    return hash.isValid() && VerifyPassword(password, hash.toString());
}

QString TSecurityModule::PeerAddress() const {
    if (!Context().Session)
        return QString();
    const QHostAddress peer = Context().Session->Peer;
    // An IPv4 client of a dual-stack listener reads as ::ffff:a.b.c.d.
    bool v4 = false;
    const quint32 ip4 = peer.toIPv4Address(&v4);
    return v4 ? QHostAddress(ip4).toString() : peer.toString();
}

bool TSecurityModule::ThrottledCheck(const QString &id, const QString &password, QString &refusal) {
    refusal.clear();
    TLoginThrottle *throttle = Context().Throttle;
    const QString address = PeerAddress();
    if (throttle) {
        refusal = throttle->Refusal(id, address);
        if (!refusal.isEmpty())
            return false;
    }
    if (CheckPassword(id, password))
        return true;
    if (throttle)
        throttle->Failed(id, address);
    return false;
}

bool TSecurityModule::Login(const QString &id, const QString &password, const QString *host,
                            QString &message) {
    message.clear();
    QString refusal;
    if (!ThrottledCheck(id, password, refusal)) {
        message = refusal.isEmpty() ? kWrongAccount : refusal;
        return false;
    }
    QSqlQuery q =
        Db().Exec(QStringLiteral("SELECT StartDate, EndDate FROM Users WHERE ID = ?"), {id});
    q.next();
    const TDateTime today = Date();
    const QString start = q.value(0).toString();
    const QString end = q.value(1).toString();
    if (!end.isEmpty() && TServerDatabase::TextDate(end) < today) {
        message = kExpired;
        return false;
    }
    if (!start.isEmpty() && TServerDatabase::TextDate(start).DatePart() > today) {
        message = kNotYet;
        return false;
    }
    const QStringList machines =
        Column(QStringLiteral("SELECT HostName FROM UserMachines WHERE ID = ?"), {id});
    if (!machines.isEmpty()) {
        if (!host) {
            message = kNeedsComputer;
            return false;
        }
        if (!MachineAllowed(machines, *host)) {
            message = kWrongComputer;
            return false;
        }
    }
    const QString address = PeerAddress();
    const QString computer = host && !host->isEmpty() ? address + u' ' + *host : address;
    QByteArray ticket;
    Db().Transaction([&] {
        Db().Exec(QStringLiteral("UPDATE Users SET LoggedIn = 1, LastLogin = ? WHERE ID = ?"),
                  {NowText(), id});
        Db().Exec(
            QStringLiteral("INSERT INTO EventLog (AppName, Operation, Operator, Description, "
                           "StartTime, LogTime) VALUES ('SrvJobSecurity', 'LOGIN', ?, ?, ?, ?)"),
            {id, computer, NowText(), NowText()});
        if (Context().Throttle)
            Context().Throttle->Succeeded(id);
        if (Context().Sessions && Context().Session)
            ticket = Context().Sessions->Issue(id, computer);
    });
    if (!ticket.isEmpty()) {
        Context().Session->Issue(ticket);
        Context().Session->User = id;
    }
    qInfo().noquote() << QStringLiteral("appserver: %1 signed in from %2").arg(id, computer);
    return true;
}

TSecurityModule::TSecurityModule(const TServerContext &context)
    : TServerModule(context, {{QStringLiteral("dspUserProfile"),
                               QStringLiteral("SELECT ID, MainForm, EMail, AIDType, OwnerOrg, "
                                              "OwnerUnit FROM UserProfile WHERE ID = :ID"),
                               QStringLiteral("UserProfile"),
                               {QStringLiteral("ID")},
                               {QStringLiteral("ID")},
                               {{QStringLiteral("ID"), ftString, 10},
                                {QStringLiteral("MainForm"), ftString, 60},
                                {QStringLiteral("EMail"), ftString, 80},
                                {QStringLiteral("AIDType"), ftString, 10},
                                {QStringLiteral("OwnerOrg"), ftString, 20},
                                {QStringLiteral("OwnerUnit"), ftString, 20}}}}) {
    Method(2, "CanPass", 2, {}, [this](TRemoteCall &c) {
        QString refusal;
        return Variant(ThrottledCheck(c.Str(0), c.Str(1), refusal));
    });
    Method(3, "ChangePassword", 3, {}, [this](TRemoteCall &c) {
        const QString id = c.Str(0);
        QString refusal;
        if (c.Str(2).isEmpty() || !ThrottledCheck(id, c.Str(1), refusal))
            return Variant(false);
        const QString hash = HashPassword(c.Str(2), Context().HashCost);
        TRemoteSession *session = Context().Session;
        const bool own = session && session->User == id;
        QByteArray ticket;
        Db().Transaction([&] {
            const int months =
                Db().Scalar(QStringLiteral("SELECT PasswordMonths FROM Users WHERE ID = ?"), {id})
                    .toInt();
            Db().Exec(
                QStringLiteral("UPDATE Users SET PasswordHash = ?, StartDate = ?, EndDate = ?, "
                               "Changer = ?, ChangeTime = ? WHERE ID = ?"),
                {hash, TServerDatabase::DateText(Date()),
                 TServerDatabase::DateText(EndAfterMonths(Date(), months)), id, NowText(), id});
            // Whoever held the old password holds no session of the account any more; the
            // account's own connection goes on with a new ticket.
            if (Context().Sessions) {
                Context().Sessions->EndUser(id);
                if (own)
                    ticket = Context().Sessions->Issue(id, PeerAddress());
            }
        });
        if (!ticket.isEmpty())
            session->Issue(ticket);
        return Variant(true);
    });
    auto createUser = [this](const QString &id, const QString &password, const QString &name,
                             const QString &description, int months, const QString &changer) {
        if (id.isEmpty() || password.isEmpty() ||
            Db().Scalar(QStringLiteral("SELECT 1 FROM Users WHERE ID = ?"), {id}).isValid())
            return false;
        Db().Exec(
            QStringLiteral("INSERT INTO Users (ID, PasswordHash, Cht_Name, Description, "
                           "StartDate, EndDate, PasswordMonths, LoggedIn, Changer, ChangeTime) "
                           "VALUES (?,?,?,?,?,?,?,0,?,?)"),
            {id, HashPassword(password, Context().HashCost), name, description,
             TServerDatabase::DateText(Date()),
             TServerDatabase::DateText(EndAfterMonths(Date(), months)), qMax(months, 0), changer,
             NowText()});
        Db().Exec(QStringLiteral("INSERT INTO UserProfile (ID) VALUES (?)"), {id});
        return true;
    };
    Method(4, "CreateUser", 6, {}, [this, createUser](TRemoteCall &c) {
        bool ok = false;
        Db().Transaction(
            [&] { ok = createUser(c.Str(0), c.Str(1), c.Str(2), c.Str(3), c.Int(4), c.Str(5)); });
        return Variant(ok);
    });
    Method(403, "CreateUserByGroup", 8, {}, [this, createUser](TRemoteCall &c) {
        bool ok = false;
        Db().Transaction([&] {
            ok = createUser(c.Str(0), c.Str(1), c.Str(2), c.Str(3), c.Int(4), c.Str(5));
            if (!ok)
                return;
            for (const QString &group : Lines(c.Str(6))) {
                if (!Db().Scalar(QStringLiteral("SELECT 1 FROM JobGroups WHERE GroupID = ?"),
                                 {group})
                         .isValid())
                    throw EServerError(QStringLiteral("Job group %1 does not exist").arg(group));
                Db().Exec(QStringLiteral("INSERT INTO GroupMembers (GroupID, ID) VALUES (?, ?)"),
                          {group, c.Str(0)});
            }
            Db().Exec(QStringLiteral("UPDATE UserProfile SET MainForm = ? WHERE ID = ?"),
                      {c.Str(7), c.Str(0)});
        });
        return Variant(ok);
    });
    Method(6, "DeleteUsers", 2, {}, [this](TRemoteCall &c) {
        Db().Transaction([&] {
            for (const QString &id : Lines(c.Str(0)))
                for (const char *table : {"Sessions", "UserMachines", "UserProfile", "GroupMembers",
                                          "UserJobs", "GroupAdmins", "Users"})
                    Db().Exec(
                        QStringLiteral("DELETE FROM %1 WHERE ID = ?").arg(QLatin1String(table)),
                        {id});
        });
        return Variant(true);
    });
    Method(8, "SetValidateTime", 3, {}, [this](TRemoteCall &c) {
        bool ok = false;
        Db().Transaction([&] {
            QSqlQuery q =
                Db().Exec(QStringLiteral("SELECT StartDate FROM Users WHERE ID = ?"), {c.Str(0)});
            if (!q.next())
                return;
            const TDateTime start = q.value(0).toString().isEmpty()
                                        ? Date()
                                        : TServerDatabase::TextDate(q.value(0).toString());
            Db().Exec(
                QStringLiteral("UPDATE Users SET PasswordMonths = ?, EndDate = ?, Changer = ?, "
                               "ChangeTime = ? WHERE ID = ?"),
                {qMax(c.Int(1), 0), TServerDatabase::DateText(EndAfterMonths(start, c.Int(1))),
                 c.Str(2), NowText(), c.Str(0)});
            ok = true;
        });
        return Variant(ok);
    });
    Method(1, "SetLockMachine", 2, {}, [this](TRemoteCall &c) {
        Db().Transaction([&] {
            if (!Db().Scalar(QStringLiteral("SELECT 1 FROM Users WHERE ID = ?"), {c.Str(0)})
                     .isValid())
                throw EServerError(QStringLiteral("Account %1 does not exist").arg(c.Str(0)));
            Db().Exec(QStringLiteral("DELETE FROM UserMachines WHERE ID = ?"), {c.Str(0)});
            QStringList seen;
            for (const QString &host : Lines(c.Str(1))) {
                if (seen.contains(host, Qt::CaseInsensitive))
                    continue;
                seen << host;
                Db().Exec(QStringLiteral("INSERT INTO UserMachines (ID, HostName) VALUES (?, ?)"),
                          {c.Str(0), host});
            }
        });
        return Variant();
    });
    Method(7, "LoginByMachine", 4, {3}, [this](TRemoteCall &c) {
        QString message;
        const QString host = c.Str(2);
        const bool ok = Login(c.Str(0), c.Str(1), &host, message);
        c.Out(3) = Variant(message);
        return Variant(ok);
    });
    Method(10, "Login", 3, {2}, [this](TRemoteCall &c) {
        QString message;
        const bool ok = Login(c.Str(0), c.Str(1), nullptr, message);
        c.Out(2) = Variant(message);
        return Variant(ok);
    });
    Method(11, "LogOut", 1, {}, [this](TRemoteCall &c) {
        TRemoteSession *session = Context().Session;
        Db().Transaction([&] {
            Db().Exec(QStringLiteral("UPDATE Users SET LoggedIn = 0 WHERE ID = ?"), {c.Str(0)});
            // The connection's own session ends with it.
            if (session && Context().Sessions)
                Context().Sessions->End(session->Ticket);
        });
        if (session)
            session->End();
        return Variant();
    });
    Method(12, "GetLockMachine", 1, {}, [this](TRemoteCall &c) {
        return Variant(Text(Column(
            QStringLiteral("SELECT HostName FROM UserMachines WHERE ID = ? ORDER BY HostName"),
            {c.Str(0)})));
    });
    Method(5, "GetUserInfo", 6, {1, 2, 3, 4, 5}, [this](TRemoteCall &c) {
        QSqlQuery q = Db().Exec(QStringLiteral("SELECT Cht_Name, Description, StartDate, EndDate "
                                               "FROM Users WHERE ID = ?"),
                                {c.Str(0)});
        if (!q.next()) {
            c.Out(1) = Variant(QString());
            c.Out(2) = Variant(QString());
            c.Out(5) = Variant(QString());
            return Variant(false);
        }
        c.Out(1) = Variant(q.value(0).toString());
        c.Out(2) = Variant(q.value(1).toString());
        c.Out(3) = Variant(TServerDatabase::TextDate(q.value(2).toString()));
        c.Out(4) = Variant(TServerDatabase::TextDate(q.value(3).toString()));
        c.Out(5) = Variant(Text(Column(
            QStringLiteral("SELECT HostName FROM UserMachines WHERE ID = ? ORDER BY HostName"),
            {c.Str(0)})));
        return Variant(true);
    });
    Method(Remote::DispIdUnknown, "GetUserProFile", 1, {}, [this](TRemoteCall &c) {
        QSqlQuery q =
            Db().Exec(QStringLiteral("SELECT MainForm, EMail, AIDType, OwnerOrg, OwnerUnit "
                                     "FROM UserProfile WHERE ID = ?"),
                      {c.Str(0)});
        if (!q.next())
            return Variant::Null();
        QStringList lines;
        const char *names[] = {"MainForm", "EMail", "AIDType", "OwnerOrg", "OwnerUnit"};
        for (int i = 0; i < 5; ++i)
            lines << QLatin1String(names[i]) + u'=' + q.value(i).toString();
        return Variant(Text(lines));
    });
    // The accounts of others; signing in and out and one's own password are every user's.
    DeclareChangesData(
        {"CreateUser", "CreateUserByGroup", "DeleteUsers", "SetValidateTime", "SetLockMachine"});
}
