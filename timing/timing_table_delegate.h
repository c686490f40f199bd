#ifndef MORLEK_TIMING_TIMING_TABLE_DELEGATE_H
#define MORLEK_TIMING_TIMING_TABLE_DELEGATE_H

#include <QStyledItemDelegate>

/**
 * Paints the timing table's time cells in the program's time formats and gives them no editor,
 * so that recorded times change only by recording them again.
 */
class TimingTableDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    explicit TimingTableDelegate(QObject *parent = nullptr);

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;
};

#endif
