#pragma once
// The process's session ticket: issued by the server in the reply to the call that signed the
// user in, kept here for the life of the process and presented by every connection it opens
// (TSocketConnection), so that connections made per call need nothing of their own. A reply
// that ends the session clears it.
//
// When the server refuses a call for want of a valid ticket (it lapsed or was revoked), the
// connection asks the sign-in handler, if one is installed, to sign the user in again; after a
// successful sign-in the refused call, which did nothing on the server, is made once more.

#include <QByteArray>
#include <functional>

class TSessionTicket {
public:
    static QByteArray Current();
    // Each change counts up, so that an open connection knows to present the new ticket.
    static quint64 Generation();
    static void Set(const QByteArray &ticket);
    static void Clear();

    // Returns true when the user signed in again (a new ticket is then current).
    using TSignInAgain = std::function<bool()>;
    static void SetSignInAgain(TSignInAgain handler);
    // Runs the handler; false without one, and false for a refusal that arrives while the
    // handler itself runs (a call made from inside its dialog).
    static bool SignInAgain();
};
