#ifndef MORLEK_USER_MANUAL_H
#define MORLEK_USER_MANUAL_H

#include <QString>
#include <QStringList>

namespace dravenhol::morlek::desktop {

/** The folders searched for the user manual, in order (see dataFolders()). */
QStringList userManualFolders();

/** The manual @p fileName in the first of @p folders that holds it; empty if none does. */
QString findUserManual(const QString &fileName, const QStringList &folders);

/** The text that tells the user the manual was not found, naming every folder looked in. */
QString userManualMissingText(const QString &fileName, const QStringList &folders);

/** The text that tells the user the manual was found but nothing could open it. */
QString userManualUnopenedText(const QString &path);

} // namespace dravenhol::morlek::desktop

#endif
