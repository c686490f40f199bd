#include "catalogues.h"
#include "file_support.h"
#include "media_player.h"
#include "test_support.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTranslator>
#include <QXmlStreamReader>
#include <QtTest>

#include <memory>

using namespace dravenhol::morlek::desktop;
using namespace morlek::test;

// The German catalogue: complete for the texts of the code, found from any working folder,
// and shown in the real window. Runs under LANG=de_DE.UTF-8.
class TestCatalogues : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void everyTextHasAGermanTranslation();
    void workingFolderComesFirst_data();
    void workingFolderComesFirst();
    void windowShowsGerman();

private:
    struct Message
    {
        QString context;
        QString source;
        QString translation;
        QString type;
    };
    static QList<Message> readCatalogue(const QString &path);
    bool runTool(const QString &program, const QStringList &arguments, QString *output);

    std::unique_ptr<QTemporaryDir> work_;
    QString previousFolder_;
};

void TestCatalogues::initTestCase()
{
    QCOMPARE(QLocale::system().name(), QStringLiteral("de_DE"));
}

void TestCatalogues::init()
{
    work_ = std::make_unique<QTemporaryDir>();
    QVERIFY(work_->isValid());
    previousFolder_ = QDir::currentPath();
    QVERIFY(QDir::setCurrent(work_->path()));
}

void TestCatalogues::cleanup()
{
    QDir::setCurrent(previousFolder_);
    work_.reset();
}

bool TestCatalogues::runTool(const QString &program, const QStringList &arguments,
                             QString *output)
{
    QProcess tool;
    tool.setProcessChannelMode(QProcess::MergedChannels);
    tool.start(program, arguments);
    const bool ok = tool.waitForFinished(60000) && tool.exitStatus() == QProcess::NormalExit
                    && tool.exitCode() == 0;
    *output = QString::fromLocal8Bit(tool.readAll());
    return ok;
}

QList<TestCatalogues::Message> TestCatalogues::readCatalogue(const QString &path)
{
    QList<Message> messages;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return messages;
    QXmlStreamReader xml(&file);
    QString context;
    Message message;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        if (xml.name() == QLatin1String("name")) {
            context = xml.readElementText();
        } else if (xml.name() == QLatin1String("message")) {
            message = Message{context, QString(), QString(), QString()};
        } else if (xml.name() == QLatin1String("source")) {
            message.source = xml.readElementText();
        } else if (xml.name() == QLatin1String("translation")) {
            message.type = xml.attributes().value(QLatin1String("type")).toString();
            message.translation = xml.readElementText();
            messages << message;
        }
    }
    return messages;
}

void TestCatalogues::everyTextHasAGermanTranslation()
{
    // lupdate on a copy brings in every text of today's code; a new one comes unfinished.
    const QString copy = work_->filePath(QStringLiteral("mediaplayer_de.ts"));
    QVERIFY(QFile::copy(QStringLiteral(MORLEK_CATALOGUE_SOURCE), copy));
    QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner);
    QStringList arguments{QStringLiteral("-locations"), QStringLiteral("none")};
    for (const QString &dir : QStringLiteral(MORLEK_TRANSLATED_DIRS).split(QLatin1Char(',')))
        arguments << QStringLiteral(MORLEK_SOURCE_DIR "/") + dir;
    arguments << QStringLiteral("-ts") << copy;
    QString output;
    QVERIFY2(runTool(QStringLiteral(MORLEK_LUPDATE), arguments, &output), qPrintable(output));

    const QList<Message> messages = readCatalogue(copy);
    QVERIFY(messages.size() > 50);
    const QRegularExpression placeholder(QStringLiteral("%\\d"));
    QStringList faults;
    int current = 0;
    for (const Message &m : messages) {
        if (m.type == QLatin1String("obsolete") || m.type == QLatin1String("vanished"))
            continue;
        ++current;
        const QString where = m.context + QStringLiteral(": \"") + m.source + QLatin1Char('"');
        if (m.type == QLatin1String("unfinished") || m.translation.trimmed().isEmpty()) {
            faults << QStringLiteral("no German translation: ") + where;
            continue;
        }
        QStringList inSource, inTranslation;
        for (auto it = placeholder.globalMatch(m.source); it.hasNext();)
            inSource << it.next().captured();
        for (auto it = placeholder.globalMatch(m.translation); it.hasNext();)
            inTranslation << it.next().captured();
        inSource.sort();
        inTranslation.sort();
        if (inSource != inTranslation)
            faults << QStringLiteral("placeholders differ: ") + where;
    }
    QVERIFY(current > 50);
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));
}

void TestCatalogues::workingFolderComesFirst_data()
{
    QTest::addColumn<bool>("inWorkingFolder");
    QTest::addRow("working folder") << true;
    QTest::addRow("build tree") << false;
}

void TestCatalogues::workingFolderComesFirst()
{
    QFETCH(bool, inWorkingFolder);
    if (inWorkingFolder) {
        // A catalogue of the user's own, for the language only, beside the one of the build.
        const QString ts = work_->filePath(QStringLiteral("own.ts"));
        QVERIFY(writeFile(ts, "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<!DOCTYPE TS>\n"
                              "<TS version=\"2.1\" language=\"de\"><context><name>MediaPlayer"
                              "</name><message><source>File</source><translation>Akte"
                              "</translation></message></context></TS>\n"));
        QString output;
        QVERIFY2(runTool(QStringLiteral(MORLEK_LRELEASE),
                         {ts, QStringLiteral("-qm"), work_->filePath(QStringLiteral("mediaplayer_de.qm"))},
                         &output),
                 qPrintable(output));
    }
    const QStringList folders{QDir::currentPath(), QStringLiteral(MORLEK_BUILD_CATALOGUES)};
    QTranslator translator;
    const QString loaded = loadCatalogue(translator, QStringLiteral("mediaplayer_"),
                                         QLocale::system(), folders);
    const QString expectedFolder = inWorkingFolder ? folders.first() : folders.last();
    QCOMPARE(loaded, QDir(expectedFolder).filePath(QStringLiteral("mediaplayer_de.qm")));
    QCOMPARE(translator.translate("MediaPlayer", "File"),
             inWorkingFolder ? QStringLiteral("Akte") : QStringLiteral("Datei"));

    QTranslator none;
    QCOMPARE(loadCatalogue(none, QStringLiteral("mediaplayer_"), QLocale(QLocale::Japanese),
                           folders),
             QString());
}

void TestCatalogues::windowShowsGerman()
{
    QTranslator qtTranslator;
    QVERIFY(!loadCatalogue(qtTranslator, QStringLiteral("qt_"), QLocale::system(),
                           qtCatalogueFolders())
                 .isEmpty());
    QTranslator appTranslator;
    QVERIFY(!loadCatalogue(appTranslator, QStringLiteral("mediaplayer_"), QLocale::system(),
                           {QDir::currentPath(), QStringLiteral(MORLEK_BUILD_CATALOGUES)})
                 .isEmpty());
    QCoreApplication::installTranslator(&qtTranslator);
    QCoreApplication::installTranslator(&appTranslator);
    const auto removeTranslators = qScopeGuard([&] {
        QCoreApplication::removeTranslator(&appTranslator);
        QCoreApplication::removeTranslator(&qtTranslator);
    });

    MediaPlayer player{QString()};
    auto *menuBar = player.findChild<QMenuBar *>();
    QVERIFY(menuBar);
    QStringList titles;
    QStringList entries;
    for (QAction *menu : menuBar->actions()) {
        titles << menu->text();
        if (menu->menu()) {
            for (QAction *entry : menu->menu()->actions())
                entries << entry->text();
        }
    }
    QCOMPARE(titles, (QStringList{QStringLiteral("Datei"), QStringLiteral("Bearbeiten"),
                                  QStringLiteral("Schrittweite"), QStringLiteral("Einstellungen"),
                                  QStringLiteral("Hilfe")}));
    QVERIFY2(entries.contains(QStringLiteral("Benutzerhandbuch öffnen")),
             qPrintable(entries.join(QLatin1Char(','))));
    QVERIFY2(entries.contains(QStringLiteral("Video deinterlacen")),
             qPrintable(entries.join(QLatin1Char(','))));
    // Qt's own texts, from Qt's catalogue.
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Abbrechen"));
}

QTEST_MAIN(TestCatalogues)
#include "tst_catalogues.moc"
