#pragma once
// Points the settings and data folders at a new empty folder while it lives,
// so a window made meanwhile starts as on a first run.

#include <QTemporaryDir>

namespace zbtest {

class FreshUserFolders {
public:
    FreshUserFolders() {
        qputenv("XDG_CONFIG_HOME", m_dir.filePath(QStringLiteral("config")).toUtf8());
        qputenv("XDG_DATA_HOME", m_dir.filePath(QStringLiteral("data")).toUtf8());
    }
    QString filePath(const QString& name) const { return m_dir.filePath(name); }

private:
    QTemporaryDir m_dir;
};

}  // namespace zbtest
