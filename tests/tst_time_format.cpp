#include "time_format.h"

#include <QTest>
#include <QTime>
#include <QVariant>

class TestTimeFormat : public QObject
{
    Q_OBJECT
private slots:
    void timeText_data();
    void timeText();
    void timeOfDay_data();
    void timeOfDay();
};

void TestTimeFormat::timeText_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("text");

    const auto ms = [](int value) { return QVariant(QTime(0, 0).addMSecs(value)); };
    QTest::addRow("duration of 61,250 ms") << ms(61250) << int(timing::DurationColumn)
                                          << QStringLiteral("01:250");
    QTest::addRow("start of 1:02:03.004 drops the hour")
        << ms(3723004) << int(timing::StartColumn) << QStringLiteral("2:03:004");
    QTest::addRow("end of 0 ms") << ms(0) << int(timing::EndColumn) << QStringLiteral("0:00:000");
    QTest::addRow("duration of 0 ms") << ms(0) << int(timing::DurationColumn)
                                      << QStringLiteral("00:000");
    QTest::addRow("sum of 83,456 ms") << ms(83456) << int(timing::SumColumn)
                                      << QStringLiteral("1:23:456");
    QTest::addRow("duration of 83,456 ms keeps seconds only")
        << ms(83456) << int(timing::DurationColumn) << QStringLiteral("23:456");
    QTest::addRow("invalid time") << QVariant(QTime()) << int(timing::StartColumn) << QString();
    QTest::addRow("null value") << QVariant() << int(timing::SumColumn) << QString();
    QTest::addRow("row label") << QVariant(QStringLiteral("Element 1"))
                               << int(timing::LabelColumn) << QString();
}

void TestTimeFormat::timeText()
{
    QFETCH(QVariant, value);
    QFETCH(int, column);
    QFETCH(QString, text);
    QCOMPARE(timing::timeText(value, column), text);
    QCOMPARE(timing::holdsTime(value), !text.isEmpty());
}

void TestTimeFormat::timeOfDay_data()
{
    QTest::addColumn<qint64>("ms");
    QTest::addColumn<QTime>("time");
    QTest::addColumn<qint64>("back");

    QTest::addRow("zero") << qint64(0) << QTime(0, 0) << qint64(0);
    QTest::addRow("within the day") << qint64(3723004) << QTime(1, 2, 3, 4) << qint64(3723004);
    QTest::addRow("wraps after a day") << qint64(90000000) << QTime(1, 0) << qint64(3600000);
    QTest::addRow("exactly a day") << qint64(86400000) << QTime(0, 0) << qint64(0);
    QTest::addRow("negative counts back") << qint64(-1) << QTime(23, 59, 59, 999)
                                          << qint64(86399999);
    QTest::addRow("narrowed to 32 bits") << (qint64(1) << 32) + 5 << QTime(0, 0, 0, 5)
                                         << qint64(5);
}

void TestTimeFormat::timeOfDay()
{
    QFETCH(qint64, ms);
    QFETCH(QTime, time);
    QFETCH(qint64, back);
    QCOMPARE(timing::timeOfDay(ms), time);
    QCOMPARE(timing::milliseconds(timing::timeOfDay(ms)), back);
}

QTEST_GUILESS_MAIN(TestTimeFormat)
#include "tst_time_format.moc"
