#pragma once
// The organisation that runs the system: names, address, contacts and officers for captions,
// the logo and report headings, and the key of the organisation's text scrambling. The values
// are the school's configuration, read from "Organization.ini" in the program folder.

#include "Component.h"

class TOrganization : public TComponent {
    Q_OBJECT
public:
    explicit TOrganization(QObject *owner = nullptr);

    QString EnglishName, Description, Address, EngiishAddress, Tel, Fax, EMail, WebURL, CEO,
        GeneralManager;
    QString ShortName; // prefixes the shell's caption
    QString OrgCode;   // eight characters
    QString LogoFile;  // logo picture in the template folder
    QString FullName;  // "OrganizationName" in report headings
    QString Abbreviation;
    QString ScrambleKey; // 32 printable ASCII characters

    // The organisation's own scrambling of short texts (up to 24 characters from "!" to "~")
    // into 40 characters and back, keyed by ScrambleKey. Encode raises EEnDeCode for a text it
    // cannot take; Decode returns empty for a text it never made.
    QString Encode(const QString &s) const;
    QString Decode(const QString &e) const;

    // Reads the values of the [Organization] section of an INI file (UTF-8); values missing
    // from the file keep what they were.
    void LoadFromFile(const QString &fileName);
    // The configuration file in the program folder.
    static QString ConfigFile();
};

// The school's record, read from the configuration when the library starts.
class TSchoolOrganization : public TOrganization {
    Q_OBJECT
public:
    explicit TSchoolOrganization(QObject *owner = nullptr);
};

extern TOrganization *Organization;
