// The keys of the actions: defaults, changes refused where a key is taken, and what is kept
// in a settings file of the test's own.

#include "shortcut_store.h"

#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using dravenhol::morlek::shortcuts::ShortcutStore;

class TestShortcutStore : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void defaults();
    void changes_data();
    void changes();
    void keptAndReadBack();
    void storedKeysThatCannotAllBeHad_data();
    void storedKeysThatCannotAllBeHad();
    void restoreDefaults();

private:
    void fill(ShortcutStore &store) const;
    QString settingsPath() const { return dir_.filePath(QStringLiteral("keys.conf")); }

    QTemporaryDir dir_;
};

void TestShortcutStore::init()
{
    QVERIFY(dir_.isValid());
    QFile::remove(settingsPath());
}

void TestShortcutStore::fill(ShortcutStore &store) const
{
    store.add(QStringLiteral("next"), QStringLiteral("Next frame"), {QKeySequence(Qt::Key_Right)});
    store.add(QStringLiteral("previous"), QStringLiteral("Previous frame"),
              {QKeySequence(Qt::Key_Left)});
    store.add(QStringLiteral("record"), QStringLiteral("Save current time"),
              {QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)});
    store.add(QStringLiteral("ten"), QStringLiteral("10 frames on"),
              {QKeySequence(Qt::SHIFT | Qt::Key_Right)});
}

void TestShortcutStore::defaults()
{
    ShortcutStore store;
    fill(store);
    QCOMPARE(store.ids(), (QStringList{"next", "previous", "record", "ten"}));
    QCOMPARE(store.keys(QStringLiteral("record")), QKeySequence(Qt::Key_Return));
    // The keypad's Enter goes with Return while it is the key.
    QCOMPARE(store.shortcuts(QStringLiteral("record")),
             (QList<QKeySequence>{QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)}));
    QCOMPARE(store.holder(QKeySequence(Qt::Key_Enter)), QStringLiteral("record"));
    // A default that another action already has is not given twice.
    store.add(QStringLiteral("late"), QStringLiteral("Late"), {QKeySequence(Qt::Key_Left)});
    QVERIFY(store.keys(QStringLiteral("late")).isEmpty());
}

void TestShortcutStore::changes_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<QKeySequence>("keys");
    QTest::addColumn<bool>("taken");
    QTest::addColumn<QList<QKeySequence>>("after");
    QTest::addRow("a free key") << "next" << QKeySequence(Qt::Key_D) << true
                                << QList<QKeySequence>{QKeySequence(Qt::Key_D)};
    QTest::addRow("another action's key") << "next" << QKeySequence(Qt::Key_Left) << false
                                          << QList<QKeySequence>{QKeySequence(Qt::Key_Right)};
    QTest::addRow("the other key of another's default")
        << "next" << QKeySequence(Qt::Key_Enter) << false
        << QList<QKeySequence>{QKeySequence(Qt::Key_Right)};
    QTest::addRow("Escape, which leaves full screen")
        << "next" << QKeySequence(Qt::Key_Escape) << false
        << QList<QKeySequence>{QKeySequence(Qt::Key_Right)};
    QTest::addRow("a chord: its first key") << "next" << QKeySequence(Qt::Key_D, Qt::Key_E)
                                            << true << QList<QKeySequence>{QKeySequence(Qt::Key_D)};
    QTest::addRow("none") << "ten" << QKeySequence() << true << QList<QKeySequence>{};
    QTest::addRow("the record key elsewhere: Enter goes with the default only")
        << "record" << QKeySequence(Qt::Key_R) << true
        << QList<QKeySequence>{QKeySequence(Qt::Key_R)};
}

void TestShortcutStore::changes()
{
    QFETCH(QString, id);
    QFETCH(QKeySequence, keys);
    QFETCH(bool, taken);
    QFETCH(QList<QKeySequence>, after);
    ShortcutStore store;
    fill(store);
    QSignalSpy changed(&store, &ShortcutStore::keysChanged);
    QCOMPARE(store.setKeys(id, keys), taken);
    QCOMPARE(store.shortcuts(id), after);
    QCOMPARE(changed.count(), taken ? 1 : 0);
    // No key ever does two things.
    for (const QString &other : store.ids()) {
        for (const QKeySequence &key : store.shortcuts(other))
            QCOMPARE(store.holder(key), other);
    }
}

void TestShortcutStore::keptAndReadBack()
{
    {
        ShortcutStore store;
        fill(store);
        QVERIFY(store.setKeys(QStringLiteral("next"), QKeySequence(Qt::Key_D)));
        QVERIFY(store.setKeys(QStringLiteral("ten"), QKeySequence()));
        QSettings settings(settingsPath(), QSettings::IniFormat);
        store.save(settings);
    }
    QSettings written(settingsPath(), QSettings::IniFormat);
    // Only what differs from the defaults is written.
    QCOMPARE(written.allKeys(), (QStringList{"shortcuts/next", "shortcuts/ten"}));
    QCOMPARE(written.value(QStringLiteral("shortcuts/next")).toString(), QStringLiteral("D"));

    ShortcutStore again;
    fill(again);
    QSignalSpy changed(&again, &ShortcutStore::keysChanged);
    QSettings settings(settingsPath(), QSettings::IniFormat);
    again.load(settings);
    QCOMPARE(again.keys(QStringLiteral("next")), QKeySequence(Qt::Key_D));
    QVERIFY(again.keys(QStringLiteral("ten")).isEmpty());
    QCOMPARE(again.keys(QStringLiteral("previous")), QKeySequence(Qt::Key_Left));
    QCOMPARE(changed.count(), 2);
}

void TestShortcutStore::storedKeysThatCannotAllBeHad_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("next");
    QTest::addColumn<QString>("previous");
    // Written by hand: swapped keys are both had, since all are read before any is taken.
    QTest::addRow("swapped") << "next=Left\nprevious=Right" << "Left" << "Right";
    QTest::addRow("the same key twice: the first has it, the second its default")
        << "next=D\nprevious=D" << "D" << "Left";
    QTest::addRow("another's default, kept by it: refused")
        << "previous=Right" << "Right" << "Left";
    QTest::addRow("another's default, given up by it: had")
        << "previous=Right\nnext=D" << "D" << "Right";
    QTest::addRow("unreadable: the default") << "next=Ctrl+Blorp" << "Right" << "Left";
    QTest::addRow("Escape: the default") << "next=Esc" << "Right" << "Left";
}

void TestShortcutStore::storedKeysThatCannotAllBeHad()
{
    QFETCH(QString, stored);
    QFETCH(QString, next);
    QFETCH(QString, previous);
    QFile file(settingsPath());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[shortcuts]\n" + stored.toUtf8() + "\n");
    file.close();
    ShortcutStore store;
    fill(store);
    QSettings settings(settingsPath(), QSettings::IniFormat);
    store.load(settings);
    QCOMPARE(store.keys(QStringLiteral("next")).toString(QKeySequence::PortableText), next);
    QCOMPARE(store.keys(QStringLiteral("previous")).toString(QKeySequence::PortableText),
             previous);
}

void TestShortcutStore::restoreDefaults()
{
    ShortcutStore store;
    fill(store);
    // Left moves to the next-frame step once the step back has given it up.
    QVERIFY(store.setKeys(QStringLiteral("previous"), QKeySequence(Qt::Key_A)));
    QVERIFY(store.setKeys(QStringLiteral("next"), QKeySequence(Qt::Key_Left)));
    QVERIFY(store.setKeys(QStringLiteral("previous"), QKeySequence(Qt::Key_Right)));
    QSignalSpy changed(&store, &ShortcutStore::keysChanged);
    store.restoreDefaults();
    QCOMPARE(changed.count(), 2);
    QCOMPARE(store.keys(QStringLiteral("next")), QKeySequence(Qt::Key_Right));
    QCOMPARE(store.keys(QStringLiteral("previous")), QKeySequence(Qt::Key_Left));
    QSettings settings(settingsPath(), QSettings::IniFormat);
    store.save(settings);
    QVERIFY(settings.allKeys().isEmpty());
}

QTEST_MAIN(TestShortcutStore)
#include "tst_shortcut_store.moc"
