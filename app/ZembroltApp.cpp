#include "app/ZembroltApp.h"

#include <QStringList>

#include "app/ZembroltDlg.h"
#include "ui/IconResources.h"

CZembroltApp::CZembroltApp(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("Zembrolt"));
    setWindowIcon(LoadIconResource(IDI_SEARCH, 32));
}

QString CZembroltApp::CommandLineFromArguments(const QStringList& arguments) {
    return arguments.mid(1).join(QLatin1Char(' '));
}

int CZembroltApp::InitInstance() {
    CZembroltDlg window;
    window.show();
    window.ParseCommandLine(CommandLineFromArguments(arguments()));
    // The window ends the loop when it closes (it is the last window).
    return exec();
}
