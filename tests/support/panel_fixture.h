#ifndef MORLEK_PANEL_FIXTURE_H
#define MORLEK_PANEL_FIXTURE_H

#include "test_support.h"

#include <QString>

#include <boost/function.hpp>

#include <memory>

class QPushButton;
class TimerWidget;
class TimingTable;

namespace dravenhol::morlek::metadata {
class Storage;
}

namespace morlek::test {

/**
 * A timing panel on a storage service of its own that keeps its records under a fresh
 * temporary HOME. The panel goes first and the HOME last.
 */
class PanelFixture
{
public:
    /** @p currentTime is the playback time the panel records. */
    explicit PanelFixture(boost::function<qint64()> currentTime);
    ~PanelFixture();
    PanelFixture(const PanelFixture &) = delete;
    PanelFixture &operator=(const PanelFixture &) = delete;

    bool isValid() const { return home_.isValid(); }
    const TempHome *home() const { return &home_; }
    dravenhol::morlek::metadata::Storage *storage() const { return storage_.get(); }
    TimerWidget *panel() const { return panel_.get(); }
    TimingTable *table() const;
    /** The panel's button whose tooltip starts with @p toolTipStart, or null. */
    QPushButton *button(const QString &toolTipStart) const;
    /** Shows the panel and waits until its window is active; false when it did not get there. */
    bool showActive() const;

    /** Makes a one-second 160x120 MPEG-4 video to be timed; on failure *error says why. */
    static bool makeVideoToTime(const QString &path, QString *error);

private:
    TempHome home_;
    std::unique_ptr<dravenhol::morlek::metadata::Storage> storage_;
    std::unique_ptr<TimerWidget> panel_;
};

} // namespace morlek::test

#endif
