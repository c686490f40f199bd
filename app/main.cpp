#include "backend_choice.h"
#include "catalogues.h"
#include "media_player.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>
#include <QLocale>
#include <QTranslator>

int main(int argc, char **argv)
{
    using namespace dravenhol::morlek;
    player::chooseMediaBackend();

    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Morlek"));
    QCoreApplication::setApplicationVersion(QStringLiteral(MORLEK_VERSION));
    QCoreApplication::setOrganizationName(QStringLiteral("Tovashel"));
    QCoreApplication::setOrganizationDomain(QStringLiteral("tovashel.com"));
    QGuiApplication::setDesktopFileName(QStringLiteral("com.tovashel.Morlek"));
    QApplication::setQuitOnLastWindowClosed(true);
    // The installed theme's icon when there is one, else the one built in.
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("com.tovashel.Morlek"),
                                                 QIcon(QStringLiteral(":/icons/morlek.png"))));

    // A missing catalogue leaves the texts untranslated.
    QTranslator qtTranslator;
    desktop::loadCatalogue(qtTranslator, QStringLiteral("qt_"), QLocale::system(),
                           desktop::qtCatalogueFolders());
    QTranslator appTranslator;
    desktop::loadCatalogue(appTranslator, QStringLiteral("mediaplayer_"), QLocale::system(),
                           desktop::catalogueFolders());
    QCoreApplication::installTranslator(&qtTranslator);
    QCoreApplication::installTranslator(&appTranslator);

    QCommandLineParser parser;
    parser.setApplicationDescription(QCoreApplication::translate(
        "main", "Times performances recorded on video: step through a video frame by frame and "
                "record when every element starts and ends."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QCoreApplication::translate("main", "file"),
                                 QCoreApplication::translate("main", "The video to open."),
                                 QCoreApplication::translate("main", "[file]"));
    parser.process(app);
    const QString fileToOpen = parser.positionalArguments().value(0);

    MediaPlayer player(fileToOpen);
    // The Mac brushed-metal look the window once asked for has no effect in Qt 5: not set.
    player.show();
    return app.exec();
}
