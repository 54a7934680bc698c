#include "app/application.h"

#include "controls/varnel.h"

#include <QDir>
#include <QLocale>
#include <QTranslator>

namespace appinstaller {

Application::Application(int &argc, char **argv)
    : QApplication(argc, argv)
{
    loadTranslations();
}

Application::~Application() = default;

void Application::loadTranslations()
{
    const QString folder = Varnel::GetTargetPath() + QStringLiteral("translations/");
    const QString pattern = QLocale().language() == QLocale::Chinese ? QStringLiteral("*_zh.qm")
                                                                     : QStringLiteral("*_en.qm");
    // Name order, case ignored: for a key several files translate, the file
    // installed last (the last in that order) wins.
    const QStringList names = QDir(folder, pattern).entryList();
    for (const QString &name : names) {
        // Kept for the life of the process, like the application itself.
        auto *translator = new QTranslator;
        translator->load(name, folder);
        QCoreApplication::installTranslator(translator);
    }
}

} // namespace appinstaller
