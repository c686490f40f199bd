// Replays files through the record target: the seeds as a test, or any crash input found.
//   record_replay <file or folder>...
#include "record_target.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

int main(int argc, char *argv[])
{
    morlek::fuzz::setUp(&argc, &argv);
    int fed = 0;
    for (int i = 1; i < argc; ++i) {
        QStringList files;
        const QString given = QFile::decodeName(argv[i]);
        if (QFileInfo(given).isDir()) {
            QDirIterator it(given, QDir::Files);
            while (it.hasNext())
                files << it.next();
        } else {
            files << given;
        }
        for (const QString &name : qAsConst(files)) {
            QFile file(name);
            if (!file.open(QIODevice::ReadOnly)) {
                std::fprintf(stderr, "cannot read %s\n", qPrintable(name));
                return 2;
            }
            const QByteArray bytes = file.readAll();
            morlek::fuzz::feed(reinterpret_cast<const std::uint8_t *>(bytes.constData()),
                               std::size_t(bytes.size()));
            ++fed;
        }
    }
    std::printf("%d inputs replayed\n", fed);
    return fed > 0 ? 0 : 2;
}
