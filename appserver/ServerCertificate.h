#pragma once
// The server's own TLS certificate, for a school that has none from a certificate authority:
// a self-signed certificate and its private key kept in a folder of the server (the files
// "appserver-cert.pem" and "appserver-key.pem"), made with the openssl program the first time
// the server starts without a configured certificate. The certificate names this computer as
// clients reach it: "localhost", its host name with and without the domain, every address of
// its network interfaces, and the further names the configuration adds. Clients are then told
// to trust that certificate file.

#include <QString>
#include <QStringList>

struct TSelfSignedCertificate {
    QString CertificateFile;
    QString KeyFile;
    bool Made = false; // made by this start
    QStringList Names; // the host names and addresses it was made for (when made)
};

// The certificate of `folder`, made there when neither file exists. Raises EServerError when
// only one of the two files exists (nothing is overwritten), when the folder cannot be written
// or openssl fails.
TSelfSignedCertificate EnsureSelfSignedCertificate(const QString &folder,
                                                   const QStringList &extraNames = {});

// The names a certificate made now would carry.
QStringList CertificateNames(const QStringList &extraNames = {});
