#include "ui/DesktopOpen.h"

#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>

#include "platform/DesktopEntry.h"
#include "platform/PosixFile.h"
#include "platform/UriList.h"

namespace {

constexpr char kOpener[] = "xdg-open";

}  // namespace

QString OpenErrorText(int code) {
    switch (code) {
        case 0:
            return QStringLiteral("The operating system is out\nof memory or resources.");
        case kOpenErrorFileNotFound:
            return QStringLiteral("The specified file was not found.");
        case 3:
            return QStringLiteral("The specified path was not found.");
        case 5:
            return QStringLiteral("The operating system denied\naccess to the specified file.");
        case 8:
            return QStringLiteral("There was not enough memory to complete the operation.");
        case 11:
            return QStringLiteral(
                "The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image).");
        case 26:
            return QStringLiteral("A sharing violation occurred. ");
        case 27:
            return QStringLiteral("The filename association is\nincomplete or invalid.");
        case 28:
            return QStringLiteral(
                "The DDE transaction could not\nbe completed because the request timed out.");
        case 29:
            return QStringLiteral("The DDE transaction failed.");
        case 30:
            return QStringLiteral(
                "The DDE transaction could not\nbe completed because other DDE transactions\nwere "
                "being processed.");
        case kOpenErrorNoAssociation:
            return QStringLiteral(
                "There is no application associated\nwith the given filename extension.");
        case 32:
            return QStringLiteral("The specified dynamic-link library was not found.");
        default:
            return QStringLiteral("Unknown Error (%1) occurred.").arg(code);
    }
}

int OpenErrorFromExitStatus(int exitStatus) {
    switch (exitStatus) {
        case 0:
            return 0;
        case 2:
            return kOpenErrorFileNotFound;
        case 3:
        case 4:
            return kOpenErrorNoAssociation;
        default:
            return 27;  // the opener refused its command line
    }
}

namespace {

// How often a program is asked whether it ended where the kernel gives no
// process descriptor to watch.
constexpr int kEndPollMs = 100;

int g_watchedPrograms = 0;

// Watches one started program without blocking: the kernel's process
// descriptor becomes readable when the program ends (a timer asks instead
// where there is none); the program is then collected and its end reported.
// The watch belongs to the application, not to the window, so a program that
// outlives its window is still collected and leaves no zombie.
class CProgramWatch : public QObject {
public:
    CProgramWatch(pid_t child, QObject* context, ProgramEnded ended)
        : QObject(QCoreApplication::instance()),
          m_child(child),
          m_context(context),
          m_ended(std::move(ended)) {
        ++g_watchedPrograms;
#ifdef SYS_pidfd_open
        m_descriptor.Reset(static_cast<int>(::syscall(SYS_pidfd_open, child, 0)));
#endif
        if (m_descriptor.IsOpen()) {
            auto* notifier = new QSocketNotifier(m_descriptor.Get(), QSocketNotifier::Read, this);
            connect(notifier, &QSocketNotifier::activated, this, &CProgramWatch::Collect);
        } else {
            auto* timer = new QTimer(this);
            connect(timer, &QTimer::timeout, this, &CProgramWatch::Collect);
            timer->start(kEndPollMs);
        }
    }
    ~CProgramWatch() override {
        --g_watchedPrograms;
    }

private:
    void Collect() {
        if (m_collected)
            return;
        int status = 0;
        const pid_t collected = ::waitpid(m_child, &status, WNOHANG);
        if (collected == 0)
            return;  // still running
        m_collected = true;
        // A child collected elsewhere (-1) left no status: told as a crash.
        const int exitStatus = collected == m_child && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        if (m_context && m_ended)
            m_ended(exitStatus);
        deleteLater();
    }

    pid_t m_child;
    QPointer<QObject> m_context;
    ProgramEnded m_ended;
    zb::UniqueFd m_descriptor;
    bool m_collected = false;
};

}  // namespace

pid_t StartWatchedProgram(const std::vector<std::string>& argv, zb::SpawnStreams streams,
                          QObject* context, ProgramEnded ended) {
    std::vector<std::string> command = argv;
    pid_t child = -1;
    if (!command.empty()) {
        command.front() = zb::FindProgram(command.front());
        if (!command.front().empty())
            child = zb::SpawnDetached(command, {}, streams);
    }
    if (child > 0) {
        new CProgramWatch(child, context, std::move(ended));
    } else if (ended) {
        // Reported after the caller's own work, like every other end.
        QPointer<QObject> guard(context);
        QMetaObject::invokeMethod(
            context,
            [guard, ended] {
                if (guard)
                    ended(std::nullopt);
            },
            Qt::QueuedConnection);
    }
    return child;
}

int WatchedProgramCount() {
    return g_watchedPrograms;
}

void OpenFileWithDesktop(const std::string& path, QObject* context,
                         std::function<void(int code)> failed) {
    StartWatchedProgram({kOpener, EncodeFileUri(path)}, zb::SpawnStreams::Discarded, context,
                        [failed](std::optional<int> status) {
                            const int code =
                                status ? OpenErrorFromExitStatus(*status) : kOpenErrorNoAssociation;
                            if (code != 0 && failed)
                                failed(code);
                        });
}

void PrintFileWithDesktop(const std::vector<std::string>& command, const std::string& path,
                          QObject* context, std::function<void()> failed) {
    if (command.empty())
        return;
    std::vector<std::string> argv = command;
    argv.push_back(path);
    StartWatchedProgram(argv, zb::SpawnStreams::Discarded, context,
                        [failed](std::optional<int> status) {
                            if (status != 0 && failed)
                                failed();
                        });
}
