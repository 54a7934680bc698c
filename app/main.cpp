#include "app/application.h"
#include "config/appconfig.h"
#include "config/registrymgr.h"
#include "controls/cmodaltipdialog.h"
#include "controls/varnel.h"
#include "engine/runningclient.h"
#include "ui/mainwindow.h"

#include <QCoreApplication>

using namespace appinstaller;

int main(int argc, char **argv)
{
    Application app(argc, argv);

    const QString resourcePath = QCoreApplication::applicationDirPath() + QStringLiteral("/rcc/guiresource.rcc");
    QString styleSheet;
    Varnel::InitResource(resourcePath, styleSheet, false);
    app.setStyleSheet(styleSheet);

    // Built before the checks, so the window and the engine exist on every path.
    MainWindow window(nullptr);

    int result = -1;
    const QByteArray programName = Base::CSingleton<AppConfig>::instance()->getProgramName();
    if (isProcessRunning(QString::fromUtf8(programName))) {
        Varnel::CModalTipDialog::ShowMessageWarn(QObject::tr("TheClientIsRunningPrnptTrdtT"),
                                                 Varnel::CModalTipDialog::SmallSize, nullptr);
    } else if (!Base::CSingleton<RegistryMgr>::instance()->isInstalled()) {
        Varnel::CModalTipDialog::ShowMessageWarn(QObject::tr("ThisSoftwareIsNotCurmXqDCfI"),
                                                 Varnel::CModalTipDialog::SmallSize, nullptr);
    } else {
        int answer = 0;
        {
            Varnel::CModalTipDialog confirmation(nullptr);
            confirmation.setDialogModel(3);
            confirmation.setContentText(QObject::tr("DetermineTheUninstalfYANYiIa"));
            confirmation.setDialogSize(1);
            answer = confirmation.exec();
        }
        if (answer != 0) {
            window.show();
            window.onUninstall();
            result = Application::exec();
        }
    }
    return result;
}
