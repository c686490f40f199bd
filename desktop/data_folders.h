#ifndef MORLEK_DATA_FOLDERS_H
#define MORLEK_DATA_FOLDERS_H

#include <QString>
#include <QStringList>

namespace dravenhol::morlek::desktop {

/**
 * Where the program looks for a data file, in this order: the working folder, the installed
 * folder @p installSubdir (a path under the install prefix, such as "share/morlek/translations"),
 * found from the executable's own place first so that a moved install tree still finds it, then
 * at the prefix it was built for, and last the executable's own folder, where the build tree
 * keeps it. Absolute paths, without repeats.
 */
QStringList dataFolders(const QString &installSubdir);

/** The first of @p folders that holds @p fileName, as an absolute path; empty if none does. */
QString findInFolders(const QString &fileName, const QStringList &folders);

} // namespace dravenhol::morlek::desktop

#endif
