#ifndef MORLEK_CATALOGUES_H
#define MORLEK_CATALOGUES_H

#include <QString>
#include <QStringList>

class QLocale;
class QTranslator;

namespace dravenhol::morlek::desktop {

/** The folders searched for the program's catalogues, in order (see dataFolders()). */
QStringList catalogueFolders();

/**
 * Loads the catalogue "<prefix><language>" for @p locale into @p translator from the first of
 * @p folders that holds one ("mediaplayer_de_DE", then "mediaplayer_de"). Returns the path
 * loaded, empty when no folder holds a catalogue for the locale.
 */
QString loadCatalogue(QTranslator &translator, const QString &prefix, const QLocale &locale,
                      const QStringList &folders);

/** The folders searched for Qt's own "qt_" catalogue: ours, then Qt's translations folder. */
QStringList qtCatalogueFolders();

} // namespace dravenhol::morlek::desktop

#endif
