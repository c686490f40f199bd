#include "panel_fixture.h"

#include "fs_persister.h"
#include "storage.h"
#include "timer_widget.h"
#include "timing_table.h"

#include <QPushButton>
#include <QSharedPointer>
#include <QTest>

using dravenhol::morlek::metadata::FsPersister;
using dravenhol::morlek::metadata::Persister;
using dravenhol::morlek::metadata::Storage;

namespace morlek::test {

PanelFixture::PanelFixture(boost::function<qint64()> currentTime)
    : storage_(std::make_unique<Storage>(QSharedPointer<Persister>(new FsPersister)))
    , panel_(std::make_unique<TimerWidget>(std::move(currentTime), storage_.get()))
{
}

PanelFixture::~PanelFixture() = default;

TimingTable *PanelFixture::table() const
{
    return panel_->findChild<TimingTable *>();
}

QPushButton *PanelFixture::button(const QString &toolTipStart) const
{
    const auto buttons = panel_->findChildren<QPushButton *>();
    for (QPushButton *candidate : buttons) {
        if (candidate->toolTip().startsWith(toolTipStart))
            return candidate;
    }
    return nullptr;
}

bool PanelFixture::showActive() const
{
    panel_->show();
    panel_->activateWindow();
    return QTest::qWaitForWindowActive(panel_.get());
}

bool PanelFixture::makeVideoToTime(const QString &path, QString *error)
{
    return makeVideo(path,
                     {QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                      QStringLiteral("testsrc=duration=1:size=160x120:rate=25"),
                      QStringLiteral("-c:v"), QStringLiteral("mpeg4")},
                     error);
}

} // namespace morlek::test
