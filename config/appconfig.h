#pragma once

#include "base/csingleton.h"

#include <QByteArray>
#include <QString>
#include <QVector>

namespace appinstaller {

struct ComponentInfo
{
    QString Name;
    QString FilePath;
};

// The product's description, read once from AppConfig.xml beside the program
// on first use and never changed afterwards, so any thread may read it.
class AppConfig
{
public:
    QByteArray getGuid() const { return GUID; }
    QByteArray getProgramName() const { return ProgramName; }
    QByteArray getSoftwareNameEN() const { return SoftwareNameEN; }
    // In the system's 8-bit code page, not UTF-8.
    QByteArray getSoftwareNameCH() const { return SoftwareNameCH; }

    // The location the record is read from.
    static QString configFilePath();

private:
    friend class Base::CSingleton<AppConfig>;
    AppConfig();
    void readConfigFile();

    QByteArray GUID;
    QByteArray Version;
    QByteArray CompanyName;
    qint32 Translator = 0;
    qint32 VersionType = 0;
    QByteArray SoftwareNameEN;
    QByteArray SoftwareNameCH;
    QByteArray LegalCopyright;
    QVector<ComponentInfo> Components;
    QByteArray InstallPath;
    QByteArray ProgramName;
    QByteArray SettingFile;

    friend class AppConfigDump;
};

} // namespace appinstaller
