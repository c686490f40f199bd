#include "backend_choice.h"
#include "media_player.h"

#include <QApplication>
#include <QLocale>
#include <QStringList>
#include <QTranslator>

int main(int argc, char **argv)
{
    dravenhol::morlek::player::chooseMediaBackend();

    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Morlek"));
    QCoreApplication::setOrganizationName(QStringLiteral("Tovashel"));
    QCoreApplication::setOrganizationDomain(QStringLiteral("tovashel.com"));
    QApplication::setQuitOnLastWindowClosed(true);

    // Catalogues lie in the working folder; a missing one leaves the texts untranslated.
    QTranslator qtTranslator;
    (void)qtTranslator.load(QStringLiteral("qt_") + QLocale::system().name(), QString(),
                            QString(), QString());
    QTranslator appTranslator;
    (void)appTranslator.load(QStringLiteral("mediaplayer_") + QLocale::system().name(),
                             QString(), QString(), QString());
    QCoreApplication::installTranslator(&qtTranslator);
    QCoreApplication::installTranslator(&appTranslator);

    const QStringList arguments = QCoreApplication::arguments();
    const QString fileToOpen = arguments.size() < 2 ? QString() : arguments.at(1);

    MediaPlayer player(fileToOpen);
    // The Mac brushed-metal look the window once asked for has no effect in Qt 5: not set.
    player.show();
    return app.exec();
}
