// The program's player under the frame-exactness benchmark: one file per process, started by
// bench_frame_exact (see there).

#include "bench_frame_child.h"
#include "bench_frame_player_target.h"

#include <QApplication>
#include <QTextStream>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (!FrameBenchChild::wanted(arguments)) {
        QTextStream(stderr) << "bench_frame_player is started by bench_frame_exact\n";
        return 2;
    }
    return FrameBenchChild::run(arguments, [](const FrameBenchVideo &) {
        return std::make_unique<FrameBenchPlayerTarget>();
    });
}
