#include "ui/DesktopOpen.h"

#include <QPointer>
#include <QProcess>
#include <QStandardPaths>

#include <optional>

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

// A program started for a window. When the window goes while the program still
// runs, QProcess's destructor kills it and reports the end; that report would
// reach a window already half destroyed, so the process falls silent first.
class CWindowProcess : public QProcess {
public:
    using QProcess::QProcess;
    ~CWindowProcess() override { blockSignals(true); }
};

// Starts `program` with `arguments`, its output thrown away; `ended` gets
// nothing when it cannot be started, else its exit status (-1 after a crash),
// on the thread of `context` and only while `context` lives.
void StartDesktopProgram(const QString& program, const QStringList& arguments, QObject* context,
                         std::function<void(std::optional<int> status)> ended) {
    QPointer<QObject> guard(context);
    const auto report = [guard, ended](std::optional<int> status) {
        if (guard && ended)
            ended(status);
    };
    const QString found = QStandardPaths::findExecutable(program);
    if (found.isEmpty()) {
        // Reported after the caller's own work, like every other failure.
        QMetaObject::invokeMethod(
            context, [report] { report(std::nullopt); }, Qt::QueuedConnection);
        return;
    }
    auto* process = new CWindowProcess(context);
    process->setProgram(found);
    process->setArguments(arguments);
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    QObject::connect(process, &QProcess::errorOccurred, process,
                     [process, report](QProcess::ProcessError error) {
                         if (error != QProcess::FailedToStart)
                             return;
                         report(std::nullopt);
                         process->deleteLater();
                     });
    QObject::connect(process, &QProcess::finished, process,
                     [process, report](int exitCode, QProcess::ExitStatus status) {
                         report(status == QProcess::NormalExit ? exitCode : -1);
                         process->deleteLater();
                     });
    process->start();
}

}  // namespace

void OpenFileWithDesktop(const QString& path, QObject* context,
                         std::function<void(int code)> failed) {
    StartDesktopProgram(
        QString::fromLatin1(kOpener), {path}, context, [failed](std::optional<int> status) {
            const int code = status ? OpenErrorFromExitStatus(*status) : kOpenErrorNoAssociation;
            if (code != 0 && failed)
                failed(code);
        });
}

void PrintFileWithDesktop(const QStringList& command, const QString& path, QObject* context,
                          std::function<void()> failed) {
    if (command.isEmpty())
        return;
    StartDesktopProgram(command.front(), command.mid(1) << path, context,
                        [failed](std::optional<int> status) {
                            if (status != 0 && failed)
                                failed();
                        });
}
