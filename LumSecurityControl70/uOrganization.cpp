#include "uOrganization.h"

#include "EnDeCode.h"
#include "Packages.h"

#include <QDir>
#include <QFile>
#include <QSettings>

TOrganization::TOrganization(QObject *owner) : TComponent(owner) {}

QString TOrganization::Encode(const QString &s) const {
    return Encode2(s, ScrambleKey.toLatin1());
}

QString TOrganization::Decode(const QString &e) const {
    return Decode2(e, ScrambleKey.toLatin1());
}

QString TOrganization::ConfigFile() {
    return QDir(ProgramFolder()).filePath(QStringLiteral("Organization.ini"));
}

void TOrganization::LoadFromFile(const QString &fileName) {
    if (!QFile::exists(fileName))
        return;
    QSettings ini(fileName, QSettings::IniFormat);
    ini.beginGroup(QStringLiteral("Organization"));
    const std::pair<const char *, QString *> values[] = {{"EnglishName", &EnglishName},
                                                         {"Description", &Description},
                                                         {"Address", &Address},
                                                         {"EngiishAddress", &EngiishAddress},
                                                         {"Tel", &Tel},
                                                         {"Fax", &Fax},
                                                         {"EMail", &EMail},
                                                         {"WebURL", &WebURL},
                                                         {"CEO", &CEO},
                                                         {"GeneralManager", &GeneralManager},
                                                         {"ShortName", &ShortName},
                                                         {"OrgCode", &OrgCode},
                                                         {"LogoFile", &LogoFile},
                                                         {"FullName", &FullName},
                                                         {"Abbreviation", &Abbreviation},
                                                         {"ScrambleKey", &ScrambleKey}};
    for (const auto &[key, field] : values) {
        const QString name = QString::fromLatin1(key);
        if (ini.contains(name))
            *field = ini.value(name).toString();
    }
}

TSchoolOrganization::TSchoolOrganization(QObject *owner) : TOrganization(owner) {
    LoadFromFile(ConfigFile());
}

TOrganization *Organization = nullptr;

namespace {
struct TOrganizationLifetime {
    TOrganizationLifetime() { Organization = new TSchoolOrganization; }
    ~TOrganizationLifetime() {
        delete Organization;
        Organization = nullptr;
    }
} gOrganizationLifetime;
} // namespace
