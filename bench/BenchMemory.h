#pragma once
// The process's memory as the benchmarks measure it: the resident peak since it was last
// reset, and the resident size now (both from /proc/self/status).

#include <QFile>

inline qint64 StatusValue(const char *key) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(qstrlen(key)).trimmed().split(' ').first().toLongLong() * 1024;
    return 0;
}

inline qint64 PeakRss() {
    return StatusValue("VmHWM:");
}
inline qint64 CurrentRss() {
    return StatusValue("VmRSS:");
}

// Starts a new peak from the resident size now.
inline void ResetPeakRss() {
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}
