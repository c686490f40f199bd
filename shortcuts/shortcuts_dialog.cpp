#include "shortcuts_dialog.h"

#include "shortcut_store.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QKeySequenceEdit>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace dravenhol::morlek::shortcuts {

ShortcutsDialog::ShortcutsDialog(ShortcutStore &store, QWidget *parent)
    : QDialog(parent)
    , store_(store)
{
    setWindowTitle(tr("Keyboard shortcuts"));
    auto *intro = new QLabel(
        tr("Click a key and press the new one. The change takes effect at once."), this);
    intro->setWordWrap(true);

    auto *list = new QWidget(this);
    auto *form = new QFormLayout(list);
    for (const QString &id : store_.ids()) {
        auto *edit = new QKeySequenceEdit(list);
        edit->setObjectName(id);
        editors_.insert(id, edit);
        form->addRow(store_.name(id), edit);
        connect(edit, &QKeySequenceEdit::editingFinished, this, [this, id] { keyRecorded(id); });
        showKeys(id);
    }
    auto *scroll = new QScrollArea(this);
    scroll->setWidget(list);
    scroll->setWidgetResizable(true);

    message_ = new QLabel(this);
    message_->setObjectName(QStringLiteral("shortcutMessage"));
    message_->setWordWrap(true);
    message_->setStyleSheet(QStringLiteral("color: #b00000"));
    message_->hide();

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::RestoreDefaults
                                             | QDialogButtonBox::Close,
                                         this);
    buttons->button(QDialogButtonBox::RestoreDefaults)->setText(tr("Restore defaults"));
    connect(buttons->button(QDialogButtonBox::RestoreDefaults), &QPushButton::clicked, this,
            [this] {
                message_->clear();
                message_->hide();
                store_.restoreDefaults();
            });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addWidget(scroll, 1);
    layout->addWidget(message_);
    layout->addWidget(buttons);
    connect(&store_, &ShortcutStore::keysChanged, this, &ShortcutsDialog::showKeys);
    resize(460, 560);
}

QString ShortcutsDialog::message() const
{
    return message_ ? message_->text() : QString();
}

void ShortcutsDialog::keyRecorded(const QString &id)
{
    QKeySequenceEdit *edit = editors_.value(id);
    const QKeySequence recorded = edit->keySequence();
    const QKeySequence key = recorded.isEmpty() ? QKeySequence() : QKeySequence(recorded[0]);
    if (key == store_.keys(id)) {
        showKeys(id);
        return;
    }
    const QString keyText = key.toString(QKeySequence::NativeText);
    const QString holder = store_.holder(key, id);
    QString refusal;
    if (ShortcutStore::isReserved(key))
        refusal = tr("%1 cannot be given to an action: it leaves full screen or moves between "
                     "fields. \"%2\" keeps its key.")
                      .arg(keyText, store_.name(id));
    else if (!holder.isEmpty())
        refusal = tr("%1 is already the key of \"%2\". Give \"%2\" another key first; \"%3\" "
                     "keeps its key.")
                      .arg(keyText, store_.name(holder), store_.name(id));
    if (refusal.isEmpty() && store_.setKeys(id, key)) {
        message_->clear();
        message_->hide();
    } else {
        message_->setText(refusal);
        message_->show();
    }
    showKeys(id);
}

void ShortcutsDialog::showKeys(const QString &id)
{
    if (QKeySequenceEdit *edit = editors_.value(id))
        edit->setKeySequence(store_.keys(id));
}

} // namespace dravenhol::morlek::shortcuts
