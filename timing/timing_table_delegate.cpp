#include "timing_table_delegate.h"

#include "time_format.h"

#include <QPainter>
#include <QTextOption>

TimingTableDelegate::TimingTableDelegate(QObject *parent)
    : QStyledItemDelegate(parent)
{
}

void TimingTableDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                                const QModelIndex &index) const
{
    const QVariant value = index.data(Qt::DisplayRole);
    if (value.isNull() || index.column() == timing::LabelColumn) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    if (option.state & QStyle::State_Selected)
        painter->fillRect(option.rect, option.palette.brush(QPalette::Current, QPalette::Highlight));
    painter->drawText(QRectF(option.rect), timing::timeText(value, index.column()),
                      QTextOption(Qt::AlignCenter));
}

QWidget *TimingTableDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                                           const QModelIndex &index) const
{
    if (index.column() != timing::LabelColumn)
        return nullptr;
    return QStyledItemDelegate::createEditor(parent, option, index);
}
