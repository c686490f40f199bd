#include "user_manual.h"

#include "data_folders.h"

#include <QCoreApplication>
#include <QDir>

namespace dravenhol::morlek::desktop {

QStringList userManualFolders()
{
    return dataFolders(QStringLiteral(MORLEK_INSTALL_DOCDIR));
}

QString findUserManual(const QString &fileName, const QStringList &folders)
{
    return findInFolders(fileName, folders);
}

QString userManualMissingText(const QString &fileName, const QStringList &folders)
{
    QStringList lines;
    for (const QString &folder : folders)
        lines << QDir::toNativeSeparators(folder);
    return QCoreApplication::translate("UserManual",
                                       "The user manual \"%1\" was not found. It was looked for "
                                       "in these folders:\n\n%2")
        .arg(fileName, lines.join(QLatin1Char('\n')));
}

QString userManualUnopenedText(const QString &path)
{
    return QCoreApplication::translate("UserManual",
                                       "The user manual \"%1\" could not be opened: no program "
                                       "for PDF files was found.")
        .arg(QDir::toNativeSeparators(path));
}

} // namespace dravenhol::morlek::desktop
