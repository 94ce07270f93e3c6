#pragma once
// Type names and icons of items from the desktop's own conventions: the MIME
// database's comment for the name's type and the icon theme's icon for it,
// cached by extension. Icons are made on the window's thread only; other
// threads ask for type names and icon indices, which the cache hands out.

#include <QHash>
#include <QIcon>
#include <QMimeDatabase>
#include <QMutex>
#include <QString>
#include <QVector>

#include "platform/shell/ShellFileInfo.h"

class CQtFileTypeInfoProvider : public zb::IFileTypeInfoProvider {
public:
    CQtFileTypeInfoProvider();

    zb::FileTypeAnswer Describe(const zb::FileTypeQuery& query) override;

    // The icon of an index handed out by Describe (window thread only); a
    // null icon for an unknown index.
    QIcon Icon(int index) const;

private:
    struct Entry {
        int iconIndex = -1;
        QString typeName;
        QString iconName;  // the theme's name for the type's icon
    };
    Entry Lookup(const QString& key, const QString& fileName, bool folder, bool link);

    QMimeDatabase m_mime;
    mutable QMutex m_lock;
    QHash<QString, Entry> m_byKey;  // "dir", "link", ".ext" or "" (no extension)
    QVector<QString> m_iconNames;   // index -> theme icon name
    mutable QHash<int, QIcon> m_icons;
};

// The process's provider, whose icon indices the tree and the result list
// carry; installed for the core (SetFileTypeInfoProvider) on first use.
CQtFileTypeInfoProvider& SystemImageList();
