#include "picture_fit_watch.h"

#include <QtTest>

using dravenhol::morlek::player::PictureFitWatch;

// When a paused picture drawn at another size than the surface asks for is made again.
// Each look is written as a letter: f fits, m a move is under way, x a misfit while still; the
// answer is a 1 where the picture is refitted at that look.
class TestPictureFitWatch : public QObject
{
    Q_OBJECT
private slots:
    void looks_data();
    void looks();
    void aResizeStartsTheTriesAgain();
};

void TestPictureFitWatch::looks_data()
{
    QTest::addColumn<QString>("looks");
    QTest::addColumn<QString>("refits");
    QTest::newRow("fitting never") << "ffff" << "0000";
    // The redraw that follows a resize comes within a look: it is not doubled.
    QTest::newRow("one look of misfit") << "xfxf" << "0000";
    QTest::newRow("a misfit that outlasts a look") << "xx" << "01";
    QTest::newRow("every second look while it lasts") << "xxxxx" << "01010";
    // A move under way brings its own picture; its misfit counts from when it has come.
    QTest::newRow("a move under way") << "xmxxmx" << "000100";
    // A size the pipeline cannot make seeks three times, then no more until it fits.
    QTest::newRow("three tries at most") << "xxxxxxxxxx" << "0101010000";
    QTest::newRow("fitting again gives three more") << "xxxxxxxfxxxxxx" << "01010100010101";
}

void TestPictureFitWatch::looks()
{
    QFETCH(QString, looks);
    QFETCH(QString, refits);
    PictureFitWatch watch;
    QString answers;
    for (const QChar look : looks)
        answers += watch.look(look == QLatin1Char('f'), look == QLatin1Char('m'))
            ? QLatin1Char('1')
            : QLatin1Char('0');
    QCOMPARE(answers, refits);
}

void TestPictureFitWatch::aResizeStartsTheTriesAgain()
{
    PictureFitWatch watch;
    for (int i = 0; i < 2 * PictureFitWatch::maxRefits; ++i)
        watch.look(false, false);
    QVERIFY(!watch.look(false, false));
    QVERIFY(!watch.look(false, false));
    // Resized, the misfit seen before no longer counts: the surface's own redraw comes first.
    watch.resized();
    QVERIFY(!watch.look(false, false));
    QVERIFY(watch.look(false, false));
}

QTEST_GUILESS_MAIN(TestPictureFitWatch)
#include "tst_picture_fit_watch.moc"
