#include "programcopy.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <unistd.h>

ProgramCopy::ProgramCopy(const QString &parentDir)
    : m_dir((parentDir.isEmpty() ? QCoreApplication::applicationDirPath() : parentDir)
            + QStringLiteral("/copy-XXXXXX"))
{
    if (!m_dir.isValid())
        return;
    const QString source = QCoreApplication::applicationFilePath();
    const QString target = m_dir.filePath(QFileInfo(source).fileName());
    if (::link(QFile::encodeName(source).constData(), QFile::encodeName(target).constData()) != 0
        && !QFile::copy(source, target)) {
        return;
    }
    m_program = target;
}

bool ProgramCopy::writeFile(const QString &name, const QByteArray &content) const
{
    if (name.isEmpty())
        return false;
    QFile file(m_dir.filePath(name));
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate)
           && file.write(content) == content.size();
}

void ProgramCopy::removeFile(const QString &name) const
{
    QFile::remove(m_dir.filePath(name));
}

ProgramCopy::Result ProgramCopy::run(const QStringList &arguments,
                                     const QProcessEnvironment &environment,
                                     int timeoutMs) const
{
    Result result;
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(m_program, arguments);
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        result.crashed = true;
    }
    result.crashed = result.crashed || process.exitStatus() != QProcess::NormalExit;
    result.exitCode = process.exitCode();
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}
