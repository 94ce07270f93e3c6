#include "ui/QtFileTypeInfoProvider.h"

#include <QApplication>
#include <QFile>
#include <QFileIconProvider>
#include <QMimeType>
#include <QMutexLocker>
#include <QThread>

namespace {

// The extension key of a name: "." and its lower-cased extension, or "".
QString ExtensionKey(const QString& fileName) {
    const int dot = fileName.lastIndexOf(QLatin1Char('.'));
    if (dot <= 0 || dot + 1 >= fileName.size())
        return QString();
    return fileName.mid(dot).toLower();
}

}  // namespace

CQtFileTypeInfoProvider::CQtFileTypeInfoProvider() = default;

CQtFileTypeInfoProvider::Entry CQtFileTypeInfoProvider::Lookup(const QString& key,
                                                               const QString& fileName, bool folder,
                                                               bool link) {
    QMutexLocker guard(&m_lock);
    const auto found = m_byKey.constFind(key);
    if (found != m_byKey.constEnd())
        return *found;
    Entry entry;
    if (folder) {
        entry.typeName = QStringLiteral("File Folder");
        entry.iconName = QStringLiteral("folder");
    } else if (link) {
        entry.typeName = QStringLiteral("Link");
        entry.iconName = QStringLiteral("emblem-symbolic-link");
    } else {
        // By name only: the type of every file with this extension is the same.
        const QMimeType type = m_mime.mimeTypeForFile(fileName, QMimeDatabase::MatchExtension);
        entry.typeName = type.comment();
        if (entry.typeName.isEmpty() || type.isDefault()) {
            const QString ext = key.mid(1).toUpper();
            entry.typeName = ext.isEmpty() ? QStringLiteral("File") : ext + QStringLiteral(" File");
        }
        entry.iconName = type.iconName();
    }
    entry.iconIndex = static_cast<int>(m_iconNames.size());
    m_iconNames.push_back(entry.iconName);
    m_byKey.insert(key, entry);
    return entry;
}

zb::FileTypeAnswer CQtFileTypeInfoProvider::Describe(const zb::FileTypeQuery& query) {
    const bool folder = (query.attributes & SFGAO_FOLDER) != 0;
    const bool link = (query.attributes & SFGAO_LINK) != 0;
    const QString fileName = QFile::decodeName(QByteArray::fromStdString(query.name));
    QString key = folder ? QStringLiteral("/dir")
                  : link ? QStringLiteral("/link")
                         : ExtensionKey(fileName);
    if (folder && query.openIcon)
        key = QStringLiteral("/dir-open");
    const Entry entry = Lookup(key, fileName, folder, link);
    zb::FileTypeAnswer answer;
    answer.iconIndex = entry.iconIndex;
    answer.typeName = entry.typeName.toStdString();
    return answer;
}

QIcon CQtFileTypeInfoProvider::Icon(int index) const {
    Q_ASSERT(!qApp || QThread::currentThread() == qApp->thread());
    const auto cached = m_icons.constFind(index);
    if (cached != m_icons.constEnd())
        return *cached;
    QString name;
    {
        QMutexLocker guard(&m_lock);
        if (index < 0 || index >= m_iconNames.size())
            return QIcon();
        name = m_iconNames[index];
    }
    QIcon icon = QIcon::fromTheme(name);
    if (icon.isNull()) {
        static const QFileIconProvider fallback;
        icon = fallback.icon(name.startsWith(QLatin1String("folder")) ? QFileIconProvider::Folder
                                                                      : QFileIconProvider::File);
    }
    m_icons.insert(index, icon);
    return icon;
}

CQtFileTypeInfoProvider& SystemImageList() {
    // Never destroyed: worker threads may ask it until the process ends.
    static CQtFileTypeInfoProvider* const provider = [] {
        auto* made = new CQtFileTypeInfoProvider;
        zb::SetFileTypeInfoProvider(made);
        return made;
    }();
    return *provider;
}
