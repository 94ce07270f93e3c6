#include "app/StartupArguments.h"

CommandLineAction ParseCommandLineAction(const QString& commandLine) {
    CommandLineAction action;
    QString line = commandLine.trimmed();
    if (line.isEmpty())
        return action;
    if (line.startsWith(QLatin1Char('"'))) {
        if (line.size() < 3 || !line.endsWith(QLatin1Char('"'))) {
            action.kind = CommandLineAction::Invalid;
            action.text = line;
            return action;
        }
        line = line.mid(1, line.size() - 2);
    }
    const QLatin1String cmd("/cmd:");
    const QLatin1String idList("/idList:");
    if (const int at = line.indexOf(cmd); at >= 0) {
        const QString what = line.mid(at + cmd.size());
        if (what == QLatin1String("finddup")) {
            action.kind = CommandLineAction::PostCommand;
            action.command = ID_FIND_DUPLICATE_FILES;
        } else if (what == QLatin1String("findredundant")) {
            action.kind = CommandLineAction::PostCommand;
            action.command = ID_FIND_REDUNDANT_FILES;
        }
        return action;
    }
    action.kind = CommandLineAction::SetLookIn;
    if (const int at = line.indexOf(idList); at >= 0) {
        const int comma = line.indexOf(QLatin1Char(','), at + idList.size());
        action.text = comma >= 0 ? line.mid(comma + 1) : QString();
        return action;
    }
    action.text = line;
    return action;
}

int MinimumLeftPaneWidth(int dpi) {
    constexpr int kWidth = 310;
    if (dpi <= 96)
        return kWidth;
    if (dpi <= 192)
        return kWidth * dpi / 96 + 1;
    return 2 * kWidth;
}
