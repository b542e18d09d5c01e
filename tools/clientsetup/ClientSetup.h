#pragma once
// orv7-client-setup: the machine settings of a client computer, written into the machine root
// of the settings registry (/etc/orv7/registry.ini, or the folder ORV7_MACHINE_REGISTRY names):
//
//   \SOFTWARE\ORV7.0\AppServers\DefaultServer   IP, Port   the server the client asks first for
//                                                          the server-location table
//   \SOFTWARE\ORV7.0\AppServers\SystemObj       IP, Port   the system-object server (the same)
//   \SOFTWARE\ORV7.0\AppServers\BackupServer    IP, Port   the one it asks when that one fails
//   \SOFTWARE\ORV7.0\AppServers                 TrustedCertificate
//                                                          the certificate of a server whose
//                                                          certificate is its own (self-signed)
//
// The trusted certificate is copied beside the registry file (trusted-server.pem), so that the
// setting outlives the file it was given from.
//
//   orv7-client-setup --server HOST[:PORT] [--backup-server HOST[:PORT]]
//                     [--trust CERT | --no-trust]
//   orv7-client-setup --show
//
// Every argument is checked before anything is written: a wrong one changes nothing.

#include <QStringList>
#include <QTextStream>

namespace ClientSetup {

// Runs the command with its arguments (without the program name); returns the exit code.
int Run(const QStringList &arguments, QTextStream &out, QTextStream &err);

// The registry key of a server's address.
QString ServerKey(const QString &serverName);

} // namespace ClientSetup
