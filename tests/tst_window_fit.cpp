#include "time_text.h"
#include "window_fit.h"

#include <QtTest>

using namespace dravenhol::morlek::player;

// The pure rules of the player window: its fit to the screen on load and its time label.
class TestWindowFit : public QObject
{
    Q_OBJECT
private slots:
    void fittedSize_data();
    void fittedSize();
    void centred_data();
    void centred();
    void timeText_data();
    void timeText();
};

void TestWindowFit::fittedSize_data()
{
    QTest::addColumn<QSize>("hint");
    QTest::addColumn<QSize>("available");
    QTest::addColumn<QSize>("expected");
    QTest::addRow("fits") << QSize(800, 600) << QSize(1920, 1040) << QSize(800, 600);
    QTest::addRow("fits exactly") << QSize(1920, 1040) << QSize(1920, 1040) << QSize(1920, 1040);
    QTest::addRow("too wide") << QSize(2000, 500) << QSize(1000, 800) << QSize(1000, 250);
    QTest::addRow("too tall") << QSize(600, 1200) << QSize(1000, 800) << QSize(400, 800);
    QTest::addRow("both, wider aspect") << QSize(3000, 1000) << QSize(1000, 800)
                                        << QSize(1000, 333);
    QTest::addRow("both, taller aspect") << QSize(1000, 3000) << QSize(1000, 800)
                                         << QSize(266, 800);
    QTest::addRow("both, equal ratios fit to height") << QSize(2000, 1600) << QSize(1000, 800)
                                                      << QSize(1000, 800);
    QTest::addRow("truncated, not rounded") << QSize(1000, 300) << QSize(999, 800)
                                            << QSize(999, 299);
}

void TestWindowFit::fittedSize()
{
    QFETCH(QSize, hint);
    QFETCH(QSize, available);
    QFETCH(QSize, expected);
    const QSize size = fittedWindowSize(hint, available);
    QCOMPARE(size, expected);
    QVERIFY(size.width() <= available.width() && size.height() <= available.height());
}

void TestWindowFit::centred_data()
{
    QTest::addColumn<QRect>("frame");
    QTest::addColumn<QRect>("available");
    QTest::addColumn<QPoint>("topLeft");
    QTest::addRow("screen at origin") << QRect(0, 0, 400, 300) << QRect(0, 0, 1920, 1040)
                                      << QPoint(760, 370);
    QTest::addRow("panel on the left") << QRect(5, 5, 400, 300) << QRect(64, 0, 1856, 1080)
                                       << QPoint(792, 390);
    QTest::addRow("odd sizes") << QRect(0, 0, 401, 301) << QRect(0, 0, 1000, 800)
                               << QPoint(299, 249);
}

void TestWindowFit::centred()
{
    QFETCH(QRect, frame);
    QFETCH(QRect, available);
    QFETCH(QPoint, topLeft);
    QCOMPARE(centredTopLeft(frame, available), topLeft);
}

void TestWindowFit::timeText_data()
{
    QTest::addColumn<qint64>("position");
    QTest::addColumn<qint64>("total");
    QTest::addColumn<QString>("text");
    QTest::addRow("minutes") << qint64(83456) << qint64(300000) << "1:23:456 / 5:00:000";
    QTest::addRow("no length yet") << qint64(5000) << qint64(0) << "0:05:000";
    QTest::addRow("an hour or more") << qint64(5000) << qint64(3723004)
                                     << "0:00:05:000 / 1:02:03:004";
    QTest::addRow("nothing") << qint64(0) << qint64(0) << "";
    QTest::addRow("start of a known length") << qint64(0) << qint64(10000)
                                             << "0:00:000 / 0:10:000";
    QTest::addRow("length not known (-1)") << qint64(5000) << qint64(-1) << "0:05:000";
}

void TestWindowFit::timeText()
{
    QFETCH(qint64, position);
    QFETCH(qint64, total);
    QFETCH(QString, text);
    QCOMPARE(playerTimeText(position, total), text);
}

QTEST_GUILESS_MAIN(TestWindowFit)
#include "tst_window_fit.moc"
