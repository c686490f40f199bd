#include "bench_frame_child.h"

#include "bench_frame_matrix.h"
#include "bench_frame_session.h"
#include "bench_frame_target.h"
#include "test_support.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QSaveFile>
#include <QTextStream>

namespace {

QString valueOf(const QStringList &arguments, const QString &name)
{
    const int at = arguments.indexOf(name);
    return at >= 0 && at + 1 < arguments.size() ? arguments.at(at + 1) : QString();
}

} // namespace

bool FrameBenchChild::wanted(const QStringList &arguments)
{
    return arguments.contains(QStringLiteral("--run-one"));
}

int FrameBenchChild::run(const QStringList &arguments, const TargetFactory &makeTarget)
{
    QTextStream err(stderr);
    const bool quick = arguments.contains(QStringLiteral("--quick"));
    const QList<FrameBenchVideo> matrix = FrameBenchMatrix::videos(quick);
    bool ok = false;
    const int index = valueOf(arguments, QStringLiteral("--run-one")).toInt(&ok);
    const QString video = valueOf(arguments, QStringLiteral("--video"));
    const QString json = valueOf(arguments, QStringLiteral("--json"));
    if (!ok || index < 0 || index >= matrix.size() || video.isEmpty() || json.isEmpty()) {
        err << "bad arguments for --run-one\n";
        return 2;
    }

    const morlek::test::TempHome home;
    QJsonObject result;
    {
        const std::unique_ptr<FrameBenchTarget> target = makeTarget(matrix.at(index));
        const FrameBenchPlan plan = arguments.contains(QStringLiteral("--load-only"))
            ? FrameBenchPlan::load()
            : quick ? FrameBenchPlan::quick() : FrameBenchPlan::full();
        FrameBenchSession session(target.get(), matrix.at(index), video, plan);
        result = session.run();
    }
    result[QStringLiteral("measuredAt")] =
        QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyy-MM-dd hh:mm"));
    QSaveFile out(json);
    const QByteArray bytes = QJsonDocument(result).toJson();
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit()) {
        err << "cannot write " << json << '\n';
        return 1;
    }
    return 0;
}
