#ifndef MORLEK_TIMING_TIMER_WIDGET_H
#define MORLEK_TIMING_TIMER_WIDGET_H

#include <QAction>
#include <QPointer>
#include <QWidget>

#include <boost/function.hpp>

class QModelIndex;
class QPushButton;
class TimingTable;

namespace boost {
class exception;
}

namespace dravenhol::morlek {
class VideoMetadata;
namespace metadata {
class Storage;
}
} // namespace dravenhol::morlek

/**
 * The timing panel: the timing table above buttons that record the current playback time,
 * export the table to a CSV file and clear it.
 *
 * The panel joins the table to the storage service, so that loaded records fill the table and
 * every change is saved, and reports storage failures in message boxes.
 */
class TimerWidget : public QWidget
{
    Q_OBJECT
public:
    /**
     * @p currentTime returns the current playback time in milliseconds and must not be empty.
     * The panel connects the table to @p storage but keeps no pointer to it.
     */
    explicit TimerWidget(boost::function<qint64()> currentTime,
                         dravenhol::morlek::metadata::Storage *storage, QWidget *parent = nullptr,
                         Qt::WindowFlags flags = {});
    ~TimerWidget() override;

    /**
     * The action behind the record keys (Return, Enter). A window of its own that shows the
     * video (full screen) adds it, so that the keys record there too.
     */
    QAction *recordAction() const { return recordAction_; }

signals:
    /** Asks for playback to move to @p ms milliseconds. */
    void seek(qint64 ms);
    /** A time was recorded: the playback time @p ms in milliseconds. */
    void newTiming(qint64 ms);
    /** A time was written into the table: element @p element (from 1), its start or end. */
    void timeWritten(int element, bool end, qint64 ms);

private slots:
    void onItemDoubleClick(const QModelIndex &index);
    void doTiming();
    void clearData();
    void loadDataFailed(const QString &filename, const boost::exception &error);
    void saveDataFailed(const dravenhol::morlek::VideoMetadata &metadata,
                        const boost::exception &error);
    void exportRequested();
    void copyRequested();

private:
    boost::function<qint64()> currentTime_;
    QPointer<TimingTable> table_;
    QPointer<QPushButton> saveButton_;
    QPointer<QAction> recordAction_;
    QPointer<QPushButton> clearButton_;
    QPointer<QPushButton> exportButton_;
};

#endif
