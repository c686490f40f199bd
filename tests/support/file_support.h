#ifndef MORLEK_FILE_SUPPORT_H
#define MORLEK_FILE_SUPPORT_H

#include <QByteArray>
#include <QString>

namespace morlek::test {

/** Writes @p bytes to the file at @p path, replacing it; false unless all of them were written. */
bool writeFile(const QString &path, const QByteArray &bytes);

/** The whole content of the file at @p path; empty when it cannot be read. */
QByteArray readFile(const QString &path);

} // namespace morlek::test

#endif
