#pragma once

#include <QApplication>

namespace appinstaller {

// The application object; installs the translations of the system's language
// before any text is looked up.
class Application : public QApplication
{
    Q_OBJECT

public:
    Application(int &argc, char **argv);
    ~Application() override;

private:
    void loadTranslations();
};

} // namespace appinstaller
