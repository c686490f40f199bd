#include "shortcut_store.h"

#include <QSettings>

#include <algorithm>

namespace dravenhol::morlek::shortcuts {

namespace {

const QString group = QStringLiteral("shortcuts");

// One key of a sequence: QKeySequenceEdit records up to four, and a shortcut of several keys
// in a row would be a chord no one expects.
QKeySequence firstKey(const QKeySequence &keys)
{
    return keys.isEmpty() ? QKeySequence() : QKeySequence(keys[0]);
}

} // namespace

ShortcutStore::ShortcutStore(QObject *parent)
    : QObject(parent)
{
}

void ShortcutStore::add(const QString &id, const QString &name, const QList<QKeySequence> &defaults)
{
    Entry entry{id, name, {}, {}};
    for (const QKeySequence &keys : defaults) {
        if (!keys.isEmpty() && holder(keys).isEmpty())
            entry.defaults << firstKey(keys);
    }
    entry.keys = entry.defaults.value(0);
    const int at = indexOf(id);
    if (at >= 0)
        entries_[at] = entry;
    else
        entries_ << entry;
}

QStringList ShortcutStore::ids() const
{
    QStringList ids;
    for (const Entry &entry : entries_)
        ids << entry.id;
    return ids;
}

QString ShortcutStore::name(const QString &id) const
{
    const int at = indexOf(id);
    return at >= 0 ? entries_.at(at).name : QString();
}

QKeySequence ShortcutStore::keys(const QString &id) const
{
    const int at = indexOf(id);
    return at >= 0 ? entries_.at(at).keys : QKeySequence();
}

QKeySequence ShortcutStore::defaultKeys(const QString &id) const
{
    const int at = indexOf(id);
    return at >= 0 ? entries_.at(at).defaults.value(0) : QKeySequence();
}

QList<QKeySequence> ShortcutStore::shortcuts(const QString &id) const
{
    const int at = indexOf(id);
    if (at < 0)
        return {};
    const Entry &entry = entries_.at(at);
    if (entry.keys.isEmpty())
        return {};
    if (entry.defaults.isEmpty() || entry.keys != entry.defaults.first())
        return {entry.keys};
    // The other keys of the default go with it, unless another action was given one of them.
    QList<QKeySequence> keys{entry.keys};
    for (int i = 1; i < entry.defaults.size(); ++i) {
        const QKeySequence &alias = entry.defaults.at(i);
        const bool given = std::any_of(entries_.cbegin(), entries_.cend(),
                                       [&](const Entry &other) { return other.keys == alias; });
        if (!given)
            keys << alias;
    }
    return keys;
}

bool ShortcutStore::isReserved(const QKeySequence &keys)
{
    const QKeySequence key = firstKey(keys);
    for (const int reserved : {int(Qt::Key_Escape), int(Qt::Key_Tab), int(Qt::Key_Backtab),
                               int(Qt::SHIFT | Qt::Key_Backtab)}) {
        if (key == QKeySequence(reserved))
            return true;
    }
    return false;
}

QString ShortcutStore::holder(const QKeySequence &keys, const QString &except) const
{
    const QKeySequence key = firstKey(keys);
    if (key.isEmpty())
        return QString();
    for (const Entry &entry : entries_) {
        if (entry.id != except && shortcuts(entry.id).contains(key))
            return entry.id;
    }
    return QString();
}

bool ShortcutStore::setKeys(const QString &id, const QKeySequence &keys)
{
    const int at = indexOf(id);
    const QKeySequence key = firstKey(keys);
    if (at < 0 || isReserved(key) || !holder(key, id).isEmpty())
        return false;
    assign(at, key);
    return true;
}

void ShortcutStore::restoreDefaults()
{
    // All at once: a key that moves from one action to another is free only in the end.
    QList<int> changed;
    for (int i = 0; i < entries_.size(); ++i) {
        Entry &entry = entries_[i];
        const QKeySequence key = entry.defaults.value(0);
        if (entry.keys != key) {
            entry.keys = key;
            changed << i;
        }
    }
    for (const int i : changed)
        emit keysChanged(entries_.at(i).id);
}

void ShortcutStore::load(QSettings &settings)
{
    settings.beginGroup(group);
    QList<QKeySequence> wanted;
    for (const Entry &entry : entries_) {
        const QVariant stored = settings.value(entry.id);
        QKeySequence key = entry.defaults.value(0);
        if (stored.isValid()) {
            const QString text = stored.toString();
            const QKeySequence read = QKeySequence::fromString(text, QKeySequence::PortableText);
            // A text that reads as no key but is not empty was written by something else.
            if (text.isEmpty() || (!read.isEmpty() && read[0] != Qt::Key_unknown))
                key = firstKey(read);
        }
        wanted << (isReserved(key) ? entry.defaults.value(0) : key);
    }
    settings.endGroup();
    // Nothing is taken until every action has its wish: only then do earlier ones win.
    QList<QKeySequence> before;
    for (Entry &entry : entries_)
        before << entry.keys;
    for (Entry &entry : entries_)
        entry.keys = QKeySequence();
    for (int i = 0; i < entries_.size(); ++i) {
        QKeySequence key = wanted.at(i);
        if (takenBefore(i, key))
            key = entries_.at(i).defaults.value(0);
        if (takenBefore(i, key))
            key = QKeySequence();
        entries_[i].keys = key;
    }
    for (int i = 0; i < entries_.size(); ++i) {
        if (entries_.at(i).keys != before.at(i))
            emit keysChanged(entries_.at(i).id);
    }
}

void ShortcutStore::save(QSettings &settings) const
{
    settings.beginGroup(group);
    for (const Entry &entry : entries_) {
        if (entry.keys == entry.defaults.value(0))
            settings.remove(entry.id);
        else
            settings.setValue(entry.id, entry.keys.toString(QKeySequence::PortableText));
    }
    settings.endGroup();
}

int ShortcutStore::indexOf(const QString &id) const
{
    for (int i = 0; i < entries_.size(); ++i) {
        if (entries_.at(i).id == id)
            return i;
    }
    return -1;
}

bool ShortcutStore::takenBefore(int index, const QKeySequence &keys) const
{
    if (keys.isEmpty())
        return false;
    for (int i = 0; i < index; ++i) {
        if (shortcuts(entries_.at(i).id).contains(keys))
            return true;
    }
    return false;
}

void ShortcutStore::assign(int index, const QKeySequence &keys)
{
    if (entries_.at(index).keys == keys)
        return;
    entries_[index].keys = keys;
    emit keysChanged(entries_.at(index).id);
}

} // namespace dravenhol::morlek::shortcuts
