// lumcall: calls the application server's objects from the command line. See LumCall.h, or
// run it with --help.

#include "LumCall.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    return LumCall::Run(app.arguments().mid(1), out, err);
}
