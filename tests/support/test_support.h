#ifndef MORLEK_TEST_SUPPORT_H
#define MORLEK_TEST_SUPPORT_H

#include <QByteArray>
#include <QObject>
#include <QQueue>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>

class QWidget;

namespace morlek::test {

/**
 * A fresh temporary folder set as HOME, and another as the session folder (XDG_RUNTIME_DIR),
 * for the lifetime of the object; the old ones come back after.
 */
class TempHome
{
public:
    TempHome();
    ~TempHome();
    TempHome(const TempHome &) = delete;
    TempHome &operator=(const TempHome &) = delete;

    bool isValid() const { return dir_.isValid() && runDir_.isValid(); }
    QString path() const { return dir_.path(); }
    /** The data folder of the stored timing records under this HOME. */
    QString dataDir() const;

private:
    QTemporaryDir dir_;
    // The session folder (XDG_RUNTIME_DIR) goes with it: the records' locks live there, and
    // tests running side by side must not see each other's.
    QTemporaryDir runDir_;
    QByteArray oldHome_;
    bool hadHome_;
    QByteArray oldRunDir_;
    bool hadRunDir_;
};

/** Result of running an external program to its end. */
struct ProgramResult
{
    bool started = false;
    int exitCode = -1;
    bool crashed = false;
    QByteArray output; // standard output and standard error together
    bool ok() const { return started && !crashed && exitCode == 0; }
};

ProgramResult runProgram(const QString &program, const QStringList &arguments,
                         int timeoutMs = 180000);

/** Runs "ffmpeg -y -loglevel error <arguments> <output>"; on failure *error says why. */
bool makeVideo(const QString &output, const QStringList &arguments, QString *error = nullptr);

/**
 * Copies @p input to @p output with the rotation flag a phone sets on portrait video, as
 * ffmpeg 5.1's tag "rotate=<degrees>" sets it, the way the ffmpeg at hand takes it (5.1 that
 * tag while copying, later versions a display matrix given before the input); checks that
 * the copy has a flag.
 */
bool rotatedCopy(const QString &input, const QString &output, int degrees, QString *error = nullptr);

/**
 * Answers modal dialogs and message boxes from the test, so that none can block it.
 *
 * Each expect() queues one answer; the next modal widget that opens is handed to it.
 * A modal widget that opens with no answer queued is recorded in unexpected() and closed
 * after a grace period, so a test that did not foresee a box fails instead of hanging.
 */
class ModalAnswerer : public QObject
{
    Q_OBJECT
public:
    using Answer = std::function<void(QWidget *modal)>;

    explicit ModalAnswerer(QObject *parent = nullptr);

    void expect(Answer answer);
    /** Answers still waiting for their modal widget. */
    int pending() const { return answers_.size(); }
    /** Descriptions (class name and text) of the modal widgets answered so far, in order. */
    QStringList seen() const { return seen_; }
    /** Descriptions of modal widgets that opened with no answer queued. */
    QStringList unexpected() const { return unexpected_; }

    /** Clicks the button of a QMessageBox that has the given standard button. */
    static void clickButton(QWidget *modal, int standardButton);
    /** Describes a modal widget: class name, then its text and informative text for a box. */
    static QString describe(const QWidget *modal);

private:
    void poll();

    QTimer timer_;
    QQueue<Answer> answers_;
    QPointer<QWidget> handled_;
    QPointer<QWidget> stray_;
    int strayTicks_ = 0;
    QStringList seen_;
    QStringList unexpected_;
};

} // namespace morlek::test

#endif
