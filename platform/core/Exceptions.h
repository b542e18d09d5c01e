#pragma once
// The error classes of the platform. Every failure is raised as an exception carrying a message
// text; user errors carry fixed Chinese texts, programming errors fixed English texts.
// EAbort is the silent exception: it unwinds like any other but is never shown to the user.

#include <QString>
#include <exception>

class Exception : public std::exception {
public:
    explicit Exception(QString message) : FMessage(std::move(message)) {
        FUtf8 = FMessage.toUtf8();
    }
    const QString &Message() const noexcept { return FMessage; }
    void SetMessage(const QString &message) {
        FMessage = message;
        FUtf8 = message.toUtf8();
    }
    const char *what() const noexcept override { return FUtf8.constData(); }

private:
    QString FMessage;
    QByteArray FUtf8;
};

// Raised to end an operation quietly (user cancelled, error already reported).
class EAbort : public Exception {
public:
    EAbort() : Exception(QStringLiteral("Operation aborted")) {}
};

#define LUM_DECLARE_EXCEPTION(Name, Base)                                                          \
    class Name : public Base {                                                                     \
    public:                                                                                        \
        using Base::Base;                                                                          \
    }

LUM_DECLARE_EXCEPTION(EConvertError, Exception);
LUM_DECLARE_EXCEPTION(EVariantError, Exception);
LUM_DECLARE_EXCEPTION(EListError, Exception);
LUM_DECLARE_EXCEPTION(EStringListError, Exception);
LUM_DECLARE_EXCEPTION(EInvalidOperation, Exception);
LUM_DECLARE_EXCEPTION(EComponentError, Exception);
LUM_DECLARE_EXCEPTION(EClassNotFound, Exception);
LUM_DECLARE_EXCEPTION(EPackageError, Exception);
LUM_DECLARE_EXCEPTION(ERegistryException, Exception);
LUM_DECLARE_EXCEPTION(EInOutError, Exception);
LUM_DECLARE_EXCEPTION(EEncodingError, Exception);

// Raises EAbort.
[[noreturn]] void Abort();

// A short description of any exception caught as std::exception_ptr: the message of an
// Exception, what() of anything else.
QString ExceptionMessage(const std::exception_ptr &error);

// Fills a message pattern: each %s, %d or %x takes the next argument as it stands, %.Nf
// formats the next argument as a number with N decimals, %% is a percent sign. Unused
// arguments are ignored; a directive without an argument stays in the text.
QString Format(const QString &fmt, const QStringList &args);
