#pragma once

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A private copy of the running test program in a folder of its own, so a
// child run reads the files placed beside it (AppConfig.xml is looked up
// beside the executable) without disturbing other tests.
class ProgramCopy
{
public:
    // The copy's folder is made below parentDir, by default beside the test
    // program (same file system, so a hard link will do).
    explicit ProgramCopy(const QString &parentDir = QString());

    bool isValid() const { return !m_program.isEmpty(); }
    QString folder() const { return m_dir.path(); }
    QString program() const { return m_program; }

    // Writes a file beside the copy; an empty name is not allowed.
    bool writeFile(const QString &name, const QByteArray &content) const;
    void removeFile(const QString &name) const;

    struct Result
    {
        int exitCode = -1;
        bool crashed = false;
        QByteArray out;
        QByteArray err;
    };
    Result run(const QStringList &arguments,
               const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment(),
               int timeoutMs = 60000) const;

private:
    QTemporaryDir m_dir;
    QString m_program;
};
