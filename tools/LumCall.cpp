#include "LumCall.h"

#include "ClientDataSet.h"
#include "DateTime.h"
#include "Exceptions.h"
#include "SessionTicket.h"
#include "SocketConnection.h"

#include <QCommandLineParser>
#include <QDate>
#include <QRegularExpression>
#include <climits>
#include <cstdio>
#include <termios.h>
#include <unistd.h>

namespace LumCall {

Variant ParseArgument(const QString &text) {
    if (text.startsWith(QLatin1String("s:")))
        return Variant(text.mid(2));
    if (text == QLatin1String("null"))
        return Variant::Null();
    if (text == QLatin1String("true") || text == QLatin1String("false"))
        return Variant(text == QLatin1String("true"));
    if (text.startsWith(QLatin1String("d:"))) {
        const QDate date = QDate::fromString(text.mid(2), Qt::ISODate);
        if (!date.isValid())
            throw Exception(QStringLiteral("'%1' is not a date (d:yyyy-mm-dd)").arg(text));
        return Variant(TDateTime::FromDate(date));
    }
    static const QRegularExpression integer(QStringLiteral("^[-+]?[0-9]{1,18}$"));
    static const QRegularExpression decimal(QStringLiteral("^[-+]?[0-9]+\\.[0-9]+$"));
    if (integer.match(text).hasMatch()) {
        const qint64 v = text.toLongLong();
        if (v >= INT_MIN && v <= INT_MAX)
            return Variant(static_cast<int>(v));
        return Variant(v);
    }
    if (decimal.match(text).hasMatch())
        return Variant(text.toDouble());
    return Variant(text);
}

QString Show(const Variant &value) {
    switch (value.VarType()) {
    case TVarType::Empty:
        return QStringLiteral("(empty)");
    case TVarType::Null:
        return QStringLiteral("null");
    case TVarType::Bytes:
        return QStringLiteral("<%1 bytes>").arg(value.ToBytes().size());
    case TVarType::Array: {
        QStringList items;
        for (int i = value.LowBound(); i <= value.HighBound(); ++i)
            items << Show(value[i]);
        return QLatin1Char('[') + items.join(QStringLiteral(", ")) + QLatin1Char(']');
    }
    default:
        return VarToStr(value);
    }
}

namespace {

TFieldType ParamType(const Variant &value) {
    switch (value.VarType()) {
    case TVarType::Boolean:
        return ftBoolean;
    case TVarType::Integer:
        return ftInteger;
    case TVarType::Int64:
        return ftLargeint;
    case TVarType::Double:
        return ftFloat;
    case TVarType::Date:
        return ftDate;
    default:
        return ftString;
    }
}

// A provider's rows: the field names, then one line per record, tab-separated.
void PrintRows(TSocketConnection &connection, const QString &provider, const QStringList &params,
               QTextStream &out) {
    TClientDataSet data;
    data.SetAppServer(connection.GetServer());
    data.SetProviderName(provider);
    for (const QString &p : params) {
        const qsizetype eq = p.indexOf(QLatin1Char('='));
        if (eq <= 0)
            throw Exception(QStringLiteral("'%1' is not NAME=VALUE").arg(p));
        const Variant value = ParseArgument(p.mid(eq + 1));
        data.Params().CreateParam(ParamType(value), p.left(eq), ptInput).SetValue(value);
    }
    data.Open();
    QStringList names;
    for (const auto &f : data.Fields())
        names << f->FieldName();
    out << names.join(QLatin1Char('\t')) << '\n';
    for (data.First(); !data.Eof(); data.Next()) {
        QStringList values;
        for (const auto &f : data.Fields())
            values << (f->IsNull() ? QStringLiteral("null") : f->DisplayText());
        out << values.join(QLatin1Char('\t')) << '\n';
    }
    out << data.RecordCount() << " records\n";
}

// The password typed on the terminal, without echo; empty when standard input is no terminal.
QString PromptPassword(const QString &user, QTextStream &err) {
    if (!::isatty(STDIN_FILENO))
        return QString();
    err << "Password for " << user << ": ";
    err.flush();
    termios old{};
    ::tcgetattr(STDIN_FILENO, &old);
    termios quiet = old;
    quiet.c_lflag &= ~tcflag_t(ECHO);
    ::tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
    char line[256] = {};
    const bool read = std::fgets(line, sizeof line, stdin) != nullptr;
    ::tcsetattr(STDIN_FILENO, TCSANOW, &old);
    err << '\n';
    return read ? QString::fromLocal8Bit(line).remove(QLatin1Char('\n')).remove(QLatin1Char('\r'))
                : QString();
}

// Signs in on the server's security object; the ticket then goes with the call's connection.
void SignIn(const QString &host, int port, int timeout, const QString &trust, const QString &user,
            const QString &password) {
    TSocketConnection security;
    security.SetServerName(QStringLiteral("SrvJobSecurity.SecurityINTF"));
    security.SetAddress(host);
    security.SetPort(port);
    security.SetTimeout(timeout);
    if (!trust.isEmpty())
        security.SetTrustedCertificateFile(trust);
    std::vector<Variant> args{Variant(user), Variant(password), Variant()};
    if (!security.AppServer().Invoke(QStringLiteral("Login"), args).ToBool())
        throw Exception(QStringLiteral("cannot sign in as %1: %2").arg(user, VarToStr(args[2])));
}

} // namespace

int Run(const QStringList &arguments, QTextStream &out, QTextStream &err) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Calls an object of the school's application server.\n\n"
                       "  lumcall [options] PROGID METHOD [ARG...]\n"
                       "  lumcall [options] PROGID --fetch PROVIDER [--param NAME=VALUE...]\n"
                       "  lumcall [options] PROGID --providers\n\n"
                       "Everything but the server's time and the sign-in itself needs a user: "
                       "--user signs in first (the password from --password, else asked for on "
                       "the terminal).\n"
                       "Arguments: null, true, false, integers, decimals, d:yyyy-mm-dd dates, "
                       "s:text for text that reads as something else, anything else as text.\n"
                       "The result and the values of the output arguments are printed."));
    parser.addHelpOption();
    const QCommandLineOption host(QStringLiteral("host"), QStringLiteral("Server address."),
                                  QStringLiteral("address"), QStringLiteral("127.0.0.1"));
    const QCommandLineOption port(QStringLiteral("port"), QStringLiteral("Server port."),
                                  QStringLiteral("port"), QStringLiteral("2001"));
    const QCommandLineOption trust(QStringLiteral("trust"),
                                   QStringLiteral("PEM certificate of a TLS server to trust."),
                                   QStringLiteral("file"));
    const QCommandLineOption fetch(QStringLiteral("fetch"),
                                   QStringLiteral("Print the rows of a provider."),
                                   QStringLiteral("provider"));
    const QCommandLineOption param(QStringLiteral("param"),
                                   QStringLiteral("A parameter of the fetch."),
                                   QStringLiteral("name=value"));
    const QCommandLineOption providers(QStringLiteral("providers"),
                                       QStringLiteral("List the object's providers."));
    const QCommandLineOption timeout(QStringLiteral("timeout"),
                                     QStringLiteral("Milliseconds to wait for the server."),
                                     QStringLiteral("ms"), QStringLiteral("10000"));
    const QCommandLineOption user(QStringLiteral("user"),
                                  QStringLiteral("Sign in as this account first."),
                                  QStringLiteral("account"));
    const QCommandLineOption password(
        QStringLiteral("password"),
        QStringLiteral("The account's password (asked for on the terminal when left out)."),
        QStringLiteral("password"));
    parser.addOptions({host, port, trust, fetch, param, providers, timeout, user, password});
    if (!parser.parse(QStringList{QStringLiteral("lumcall")} + arguments)) {
        err << parser.errorText() << '\n';
        return 2;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        out << parser.helpText();
        return 0;
    }
    const QStringList rest = parser.positionalArguments();
    const bool call = !parser.isSet(fetch) && !parser.isSet(providers);
    bool portOk = false;
    const int portNumber = parser.value(port).toInt(&portOk);
    if (rest.isEmpty() || (call && rest.size() < 2) || (!call && rest.size() != 1) || !portOk) {
        err << "usage: lumcall [options] PROGID METHOD [ARG...] (see --help)\n";
        return 2;
    }
    // Every run signs in for itself.
    TSessionTicket::Clear();
    if (parser.isSet(password) && !parser.isSet(user)) {
        err << "--password needs --user\n";
        return 2;
    }
    try {
        if (parser.isSet(user)) {
            const QString secret = parser.isSet(password) ? parser.value(password)
                                                          : PromptPassword(parser.value(user), err);
            SignIn(parser.value(host), portNumber, parser.value(timeout).toInt(),
                   parser.value(trust), parser.value(user), secret);
        }
        TSocketConnection connection;
        connection.SetServerName(rest[0]);
        connection.SetAddress(parser.value(host));
        connection.SetPort(portNumber);
        connection.SetTimeout(parser.value(timeout).toInt());
        if (parser.isSet(trust))
            connection.SetTrustedCertificateFile(parser.value(trust));
        connection.Open();
        if (parser.isSet(providers)) {
            for (const QString &name : connection.GetServer()->AS_GetProviderNames())
                out << name << '\n';
        } else if (parser.isSet(fetch)) {
            PrintRows(connection, parser.value(fetch), parser.values(param), out);
        } else {
            std::vector<Variant> args;
            for (const QString &a : rest.mid(2))
                args.push_back(ParseArgument(a));
            const Variant result = connection.AppServer().Invoke(rest[1], args);
            out << "result: " << Show(result) << '\n';
            for (size_t i = 0; i < args.size(); ++i)
                out << "arg " << i << ": " << Show(args[i]) << '\n';
        }
        out.flush();
        return 0;
    } catch (const Exception &e) {
        out.flush();
        err << "error: " << e.Message() << '\n';
        return 1;
    }
}

} // namespace LumCall
