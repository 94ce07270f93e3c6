#include "ui/DesktopOpen.h"

#include <QPointer>
#include <QProcess>
#include <QStandardPaths>

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

void OpenFileWithDesktop(const QString& path, QObject* context,
                         std::function<void(int code)> failed) {
    const QString opener = QStandardPaths::findExecutable(QString::fromLatin1(kOpener));
    QPointer<QObject> guard(context);
    const auto report = [guard, failed](int code) {
        if (guard && failed)
            failed(code);
    };
    if (opener.isEmpty()) {
        // Reported after the caller's own work, like every other failure.
        QMetaObject::invokeMethod(
            context, [report] { report(kOpenErrorNoAssociation); }, Qt::QueuedConnection);
        return;
    }
    auto* process = new QProcess(context);
    process->setProgram(opener);
    process->setArguments({path});
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    QObject::connect(process, &QProcess::errorOccurred, process,
                     [process, report](QProcess::ProcessError error) {
                         if (error != QProcess::FailedToStart)
                             return;
                         report(kOpenErrorNoAssociation);
                         process->deleteLater();
                     });
    QObject::connect(process, &QProcess::finished, process,
                     [process, report](int exitCode, QProcess::ExitStatus status) {
                         const int code = status == QProcess::NormalExit
                                              ? OpenErrorFromExitStatus(exitCode)
                                              : OpenErrorFromExitStatus(-1);
                         if (code != 0)
                             report(code);
                         process->deleteLater();
                     });
    process->start();
}
