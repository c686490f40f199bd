#ifndef MORLEK_SHORTCUT_STORE_H
#define MORLEK_SHORTCUT_STORE_H

#include <QKeySequence>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

class QSettings;

namespace dravenhol::morlek::shortcuts {

/**
 * The keys of the program's actions: their defaults, the user's choices, and the rule that no
 * key does two things. Each action has one key the user sees and changes; an action may also
 * answer to the same key elsewhere on the keyboard (Return and the keypad's Enter) while its
 * key is the default.
 */
class ShortcutStore : public QObject
{
    Q_OBJECT
public:
    explicit ShortcutStore(QObject *parent = nullptr);

    /**
     * Adds an action: @p id names it in the settings, @p name as the user reads it, and the
     * first of @p defaults is its key (none when empty). Keys another action holds are dropped.
     */
    void add(const QString &id, const QString &name, const QList<QKeySequence> &defaults);
    /** The actions, in the order they were added. */
    QStringList ids() const;
    QString name(const QString &id) const;
    /** The action's key, empty for none. */
    QKeySequence keys(const QString &id) const;
    QKeySequence defaultKeys(const QString &id) const;
    /** Every key the action answers to. */
    QList<QKeySequence> shortcuts(const QString &id) const;

    /** Keys no action may take: Escape leaves full screen, Tab moves the focus. */
    static bool isReserved(const QKeySequence &keys);
    /** The action other than @p except that answers to @p keys; empty when none does. */
    QString holder(const QKeySequence &keys, const QString &except = QString()) const;
    /**
     * Gives the action @p keys (only their first key counts; empty for none). Refused, with
     * nothing changed, when the keys are reserved or another action holds them.
     */
    bool setKeys(const QString &id, const QKeySequence &keys);
    /** Every action back on its default key. */
    void restoreDefaults();

    /**
     * Reads the user's keys from @p settings. A key that cannot be read, is reserved, or
     * that an action before it already holds, leaves that action on its default (or none,
     * where the default is taken).
     */
    void load(QSettings &settings);
    /** Writes the keys that differ from their defaults; the others are removed. */
    void save(QSettings &settings) const;

signals:
    void keysChanged(const QString &id);

private:
    struct Entry {
        QString id;
        QString name;
        QList<QKeySequence> defaults;
        QKeySequence keys;
    };
    int indexOf(const QString &id) const;
    bool takenBefore(int index, const QKeySequence &keys) const;
    void assign(int index, const QKeySequence &keys);

    QList<Entry> entries_;
};

} // namespace dravenhol::morlek::shortcuts

#endif
