#ifndef MORLEK_SHORTCUTS_DIALOG_H
#define MORLEK_SHORTCUTS_DIALOG_H

#include <QDialog>
#include <QHash>
#include <QPointer>

class QKeySequenceEdit;
class QLabel;

namespace dravenhol::morlek::shortcuts {

class ShortcutStore;

/**
 * Lists every action with its key and lets the user change them. A change takes effect as
 * soon as the key is recorded; a key that is taken or reserved is refused with a message, and
 * the action keeps its key.
 */
class ShortcutsDialog : public QDialog
{
    Q_OBJECT
public:
    explicit ShortcutsDialog(ShortcutStore &store, QWidget *parent = nullptr);

    /** The editor of an action's key (for tests). */
    QKeySequenceEdit *editor(const QString &id) const { return editors_.value(id); }
    /** The message about the last refused key; empty when the last key was taken. */
    QString message() const;

private:
    void keyRecorded(const QString &id);
    void showKeys(const QString &id);

    ShortcutStore &store_;
    QHash<QString, QKeySequenceEdit *> editors_;
    QPointer<QLabel> message_;
};

} // namespace dravenhol::morlek::shortcuts

#endif
