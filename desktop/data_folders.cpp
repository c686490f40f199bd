#include "data_folders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace dravenhol::morlek::desktop {

QStringList dataFolders(const QString &installSubdir)
{
    const QString appDir = QCoreApplication::applicationDirPath();
    // The executable lies in <prefix>/bin: its prefix is the folder above as many levels as
    // the bin folder is deep.
    const int binDepth = QStringLiteral(MORLEK_INSTALL_BINDIR).split(QLatin1Char('/')).size();
    QString prefix = appDir;
    for (int i = 0; i < binDepth; ++i)
        prefix += QStringLiteral("/..");

    const QStringList candidates{
        QDir::currentPath(),
        QDir(prefix).filePath(installSubdir),
        QDir(QStringLiteral(MORLEK_INSTALL_PREFIX)).filePath(installSubdir),
        appDir,
    };
    QStringList folders;
    for (const QString &candidate : candidates) {
        const QString folder = QDir::cleanPath(QDir(candidate).absolutePath());
        if (!folders.contains(folder))
            folders << folder;
    }
    return folders;
}

QString findInFolders(const QString &fileName, const QStringList &folders)
{
    for (const QString &folder : folders) {
        const QFileInfo file(QDir(folder), fileName);
        if (file.isFile())
            return file.absoluteFilePath();
    }
    return QString();
}

} // namespace dravenhol::morlek::desktop
