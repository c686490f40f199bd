#include "catalogues.h"

#include "data_folders.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace dravenhol::morlek::desktop {

QStringList catalogueFolders()
{
    return dataFolders(QStringLiteral(MORLEK_INSTALL_DATADIR "/translations"));
}

QStringList qtCatalogueFolders()
{
    return catalogueFolders() << QLibraryInfo::location(QLibraryInfo::TranslationsPath);
}

QString loadCatalogue(QTranslator &translator, const QString &prefix, const QLocale &locale,
                      const QStringList &folders)
{
    for (const QString &folder : folders) {
        // Each folder in turn, so that a catalogue in the working folder wins over an
        // installed one even when only the latter matches the full locale name.
        if (translator.load(locale, prefix, QString(), folder))
            return translator.filePath();
    }
    return QString();
}

} // namespace dravenhol::morlek::desktop
