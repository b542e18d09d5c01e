#pragma once
// Operating-system services shared by the whole client: version blocks of files, file size and
// date, settings in the machine registry, starting programs, host name and address, and the
// conversions between streams, string lists and variants.

#include "DateTime.h"
#include "Variant.h"

#include <QString>

class QIODevice;
class TStringList;

// The registry sub-key of this installation's settings: "ORV7.0", or the program's file name
// without extension when the machine value "RegType" under "\SOFTWARE\ORV7.0" is set to
// something other than "0" (an empty value counts as "0"). Decided once, on first use.
const QString &AppRegRoot();
// The rule behind AppRegRoot, read from the registry now.
QString ReadAppRegRoot();

extern const QString _DEFAULTSERVERSTR;   // "DefaultServer"
extern const QString _BACKUPSERVERSTR;    // "BackupServer"
extern const QString _ApplicationRegRoot; // "ORV7.0"

// The value of Key in the file's version block, for its first translation; empty when the file
// has none.
QString GetFileVersionInformation(const QString &fileName, const QString &key);
// Size in bytes and last-write time; both raise "Cannot Open File:" + name.
qint64 GetFileSize(const QString &fileName);
TDateTime GetFileDateTime(const QString &fileName);

// V := the bytes of the stream from its current position to its end.
void StreamToVariant(QIODevice &stream, Variant &v);
// Writes the bytes of V to the stream.
void VariantToStream(const Variant &v, QIODevice &stream);

// Machine-wide settings under "\SOFTWARE\" + key; a missing value reads as the default.
QString ReadRegString(const QString &key, const QString &name, const QString &defaultValue);
void WriteRegString(const QString &key, const QString &name, const QString &value);
int ReadRegInteger(const QString &key, const QString &name, int defaultValue);
void WriteRegInteger(const QString &key, const QString &name, int value);

// Starts a program (the command line split as a shell would, without running a shell); the
// first does not wait, the second waits until it ends. Both raise when it cannot start.
void ExecuteProgram(const QString &commandLine);
void ExecuteProgramEnd(const QString &commandLine);

// This computer's IP address, dotted: the first address of its host name, or when that is a
// loopback address the one of the interface outgoing traffic leaves by; "0.0.0.0" when neither
// can be found.
QString GetIPAddr();
// This computer's host name; empty on failure.
QString GetHost();

// Null for an empty list, else an array 0..count-1 of the lines.
void Convert2OleVariant(const TStringList &strings, Variant &v);
// Clears the list and adds each element of an array as text, from its lower to upper bound.
void OleVariant2Strings(const Variant &v, TStringList &strings);
