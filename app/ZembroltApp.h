#pragma once
// The application object: it owns Qt's application, creates the main search
// window, hands it the command line and runs the event loop until the window
// closes.

#include <QApplication>
#include <QString>

class CZembroltApp : public QApplication {
    Q_OBJECT
public:
    CZembroltApp(int& argc, char** argv);

    // Shows the main window, reads the command line into it and runs the
    // event loop; the exit code of the loop.
    int InitInstance();

    // Everything after the program's name, joined with blanks.
    static QString CommandLineFromArguments(const QStringList& arguments);
};
