// orv7-client-setup: the machine settings of a client computer. See ClientSetup.h, or run it
// with --help.

#include "ClientSetup.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    return ClientSetup::Run(app.arguments().mid(1), out, err);
}
