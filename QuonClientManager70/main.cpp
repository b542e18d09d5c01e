// The client program: creates the application and its main window and runs the message loop.

#include "Application.h"
#include "ProgramAllocator.h"
#include "uOrganization.h"
#include "uQuonClientManager70.h"

#include <QScreen>

int main(int argc, char **argv) {
    UseProgramAllocator();
    TApplicationHost host(argc, argv);
    Application()->SetTitle((Organization ? Organization->ShortName : QString()) +
                            QStringLiteral("校園行政E-系統"));
    int result = 0;
    try {
        auto *mainForm = Application()->CreateForm<TQuonClientManager70Main>();
        // Maximised at run time; without a window manager the screen's free area is used.
        if (QScreen *screen = mainForm->screen())
            mainForm->setGeometry(screen->availableGeometry());
        mainForm->showMaximized();
        result = host.exec();
    } catch (...) {
        Application()->HandleException(std::current_exception());
        result = 1;
    }
    Application()->Terminate();
    Application()->DestroyForms();
    return result;
}
