#include "config/appconfig.h"

#include "config/xmlelement.h"

#include <QCoreApplication>
#include <QDir>

namespace appinstaller {

namespace {

qint32 toDecimal(const QString &text)
{
    // Anything but a plain decimal integer, empty text included, reads as 0.
    bool ok = false;
    const qint32 value = text.toInt(&ok, 10);
    return ok ? value : 0;
}

} // namespace

AppConfig::AppConfig()
{
    readConfigFile();
}

QString AppConfig::configFilePath()
{
    return QCoreApplication::applicationDirPath() + QDir::separator()
           + QStringLiteral("AppConfig.xml");
}

void AppConfig::readConfigFile()
{
    XmlElement root;
    if (!root.load(configFilePath()))
        return;

    auto textOf = [&root](const char *key) {
        return root.findElement(QString::fromLatin1(key)).text();
    };

    GUID = textOf("GUID").toUtf8();
    Translator = toDecimal(textOf("Translator"));
    VersionType = toDecimal(textOf("VersionType"));
    const QString nameEN = textOf("SoftwareNameEN");
    SoftwareNameEN = nameEN.toUtf8();
    SoftwareNameCH = textOf("SoftwareNameCH").toLocal8Bit();
    SettingFile = textOf("SettingFile").toUtf8();
    if (nameEN.isEmpty())
        SoftwareNameEN = QByteArrayLiteral("Orvessa");
    Version = textOf("Version").toUtf8();
    CompanyName = textOf("CompanyName").toUtf8();
    LegalCopyright = textOf("LegalCopyright").toUtf8();
    // The folder is joined to the name as it stands: no separator is added.
    const QString installPath = textOf("InstallPath");
    if (!installPath.isEmpty())
        InstallPath = installPath.toUtf8() + SoftwareNameEN;
    else
        InstallPath = QByteArrayLiteral("C:\\Program Files\\") + SoftwareNameEN;
    ProgramName = textOf("ProgramName").toUtf8();

    Components.clear();
    const XmlElement components = root.findElement(QStringLiteral("Components"));
    const int count = components.childElementCount();
    for (int i = 0; i < count; ++i) {
        const XmlElement component = components.childElement(i);
        Components.append({component.findElement(QStringLiteral("Name")).text(),
                           component.findElement(QStringLiteral("FilePath")).text()});
    }
}

} // namespace appinstaller
