#include "fs_persister.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryFile>
#include <QString>
#include <QStringList>

#include <boost/throw_exception.hpp>

#include <stdexcept>
#include <stdio.h>
#include <unistd.h>
#include <cerrno>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <string>

namespace dravenhol::morlek::metadata {

namespace {

constexpr int fingerprintLength = 40;

QString homeFolder()
{
    // Without HOME, Qt gives the root folder; the user database knows the real home.
    if (qEnvironmentVariableIsEmpty("HOME")) {
        if (const passwd *user = ::getpwuid(::getuid()); user && user->pw_dir && *user->pw_dir)
            return QFile::decodeName(user->pw_dir);
    }
    return QDir::homePath();
}

QString dataDirPath()
{
    static const QString relativePath = QStringLiteral("morlek/metadata");
    return QDir(homeFolder()).absoluteFilePath(relativePath);
}

QString dataFilePath(const QString &name)
{
    return QDir(dataDirPath()).absoluteFilePath(name);
}

// Only a fingerprint may become a file name: a hash read from a data file is untrusted and
// could otherwise name a path outside the data folder.
bool isFingerprint(const QByteArray &hash)
{
    if (hash.size() != fingerprintLength)
        return false;
    for (const char c : hash) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    }
    return true;
}

void prepareDataDir()
{
    const QDir root(QDir::rootPath());
    const QString path = dataDirPath();
    if (!root.exists(path) && !root.mkpath(path))
        BOOST_THROW_EXCEPTION(std::runtime_error("Can't create root folder for storing metadata"));
}

// A save writes "<name>.saving-XXXXXX" first, a name only this program gives.
const QString savingSuffix = QStringLiteral(".saving-");

// A process killed in the middle of a save can leave its temporary file beside the data
// file. It never holds the record, so it goes with the next save; any other file (a user's
// "<name>.backup") stays.
void removeLeftovers(const QString &name)
{
    static const QRegularExpression suffix(QStringLiteral("^\\.saving-[A-Za-z0-9]{6}$"));
    const QDir dir(dataDirPath());
    const QStringList candidates =
            dir.entryList({name + savingSuffix + QStringLiteral("??????")},
                          QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &candidate : candidates) {
        if (suffix.match(candidate.mid(name.size())).hasMatch())
            QFile::remove(dir.absoluteFilePath(candidate));
    }
}

void loadData(const QString &hash, VideoMetadata &metadata)
{
    const QByteArray path = QFile::encodeName(dataFilePath(hash));
    // Without waiting: a FIFO in the record's place would block the open until a writer came.
    const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT)
            BOOST_THROW_EXCEPTION(std::runtime_error("Data file not found"));
        BOOST_THROW_EXCEPTION(std::runtime_error("Can't open data file for reading"));
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        BOOST_THROW_EXCEPTION(std::runtime_error("Can't open data file for reading"));
    }
    // A record without its required hash is refused here rather than by the library, which
    // would also print the refusal on standard error.
    const bool parsed = metadata.ParsePartialFromFileDescriptor(fd) && metadata.IsInitialized();
    ::close(fd);
    if (!parsed)
        BOOST_THROW_EXCEPTION(std::runtime_error("Protobuf reported error while parsing file"));
    // The file's name is the authority: a record copied or edited from another video's would
    // have this video's table saved into that video's file.
    if (metadata.hash().empty())
        BOOST_THROW_EXCEPTION(std::runtime_error("The data file names no video"));
    if (metadata.hash() != hash.toStdString())
        BOOST_THROW_EXCEPTION(std::runtime_error("The data file belongs to another video"));
}

void saveData(const VideoMetadata &metadata)
{
    prepareDataDir();

    const QByteArray hash = QByteArray::fromStdString(metadata.hash());
    if (!isFingerprint(hash))
        BOOST_THROW_EXCEPTION(std::runtime_error("Can't open data file for writing"));
    const QString name = QString::fromLatin1(hash);

    std::string bytes;
    if (!metadata.SerializeToString(&bytes))
        BOOST_THROW_EXCEPTION(std::runtime_error("Can't write data file"));

    removeLeftovers(name);

    // The new record goes to a temporary file that is synced and then renamed over the data
    // file, so that a crash or a full disk leaves the old record in place.
    const QString target = dataFilePath(name);
    QTemporaryFile file(target + savingSuffix + QStringLiteral("XXXXXX"));
    if (QFileInfo(target).isDir() || !file.open())
        BOOST_THROW_EXCEPTION(std::runtime_error("Can't open data file for writing"));
    // Readable as the record before it was, or as a new file of the user's would be.
    file.setPermissions(QFile::exists(target)
                                ? QFile::permissions(target)
                                : QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                          | QFileDevice::ReadGroup | QFileDevice::ReadOther);
    const qint64 size = static_cast<qint64>(bytes.size());
    if (file.write(bytes.data(), size) != size || !file.flush() || ::fsync(file.handle()) != 0
        || ::rename(QFile::encodeName(file.fileName()).constData(),
                    QFile::encodeName(target).constData())
                != 0)
        BOOST_THROW_EXCEPTION(std::runtime_error("Can't write data file"));
    file.setAutoRemove(false);
}

} // namespace

Persister::~Persister() = default;

QString FsPersister::dataFolder()
{
    return dataDirPath();
}

VideoMetadata FsPersister::load(const QString &hash)
{
    VideoMetadata metadata;
    const QByteArray ascii = hash.toLatin1();
    // A hash of another shape names no data file, so nothing is read for it.
    if (isFingerprint(ascii) && QFile::exists(dataFilePath(hash)))
        loadData(hash, metadata);
    else
        metadata.set_hash(ascii.toStdString());
    return metadata;
}

void FsPersister::save(const VideoMetadata &metadata)
{
    saveData(metadata);
}

} // namespace dravenhol::morlek::metadata
