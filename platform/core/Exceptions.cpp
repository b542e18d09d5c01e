#include "Exceptions.h"

#include <QStringList>

void Abort() {
    throw EAbort();
}

QString ExceptionMessage(const std::exception_ptr &error) {
    try {
        std::rethrow_exception(error);
    } catch (const Exception &e) {
        return e.Message();
    } catch (const std::exception &e) {
        return QString::fromUtf8(e.what());
    } catch (...) {
        return QStringLiteral("Unknown error");
    }
}

QString Format(const QString &fmt, const QStringList &args) {
    QString out;
    out.reserve(fmt.size() + 16);
    qsizetype next = 0;
    for (qsizetype i = 0; i < fmt.size(); ++i) {
        const QChar c = fmt[i];
        if (c != u'%' || i + 1 >= fmt.size()) {
            out += c;
            continue;
        }
        if (fmt[i + 1] == u'%') {
            out += u'%';
            ++i;
            continue;
        }
        // Optional precision ".N" before the directive letter.
        qsizetype j = i + 1;
        int precision = -1;
        if (fmt[j] == u'.') {
            qsizetype k = j + 1;
            while (k < fmt.size() && fmt[k].isDigit())
                ++k;
            if (k > j + 1 && k < fmt.size()) {
                precision = fmt.mid(j + 1, k - j - 1).toInt();
                j = k;
            }
        }
        const QChar d = fmt[j].toLower();
        if ((d != u's' && d != u'd' && d != u'x' && d != u'f') || next >= args.size()) {
            out += c;
            continue;
        }
        const QString &arg = args[next++];
        if (d == u'f') {
            bool ok = false;
            const double v = arg.toDouble(&ok);
            out += ok ? QString::number(v, 'f', precision < 0 ? 2 : precision) : arg;
        } else {
            out += arg;
        }
        i = j;
    }
    return out;
}
