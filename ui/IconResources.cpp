#include "ui/IconResources.h"

#include <QApplication>
#include <QStyle>

namespace {

struct IconEntry {
    int id;
    const char* themeName;  // freedesktop icon name, may be empty
    QStyle::StandardPixmap fallback;
    bool ownPicture = false;  // ":/ICON/<id>" stands in for a missing theme icon
};

constexpr IconEntry kIcons[] = {
    {IDI_STOP, "process-stop", QStyle::SP_BrowserStop},
    {IDI_ADD, "list-add", QStyle::SP_FileDialogNewFolder},
    {IDI_DELETE, "edit-delete", QStyle::SP_TrashIcon},
    {IDI_RESET, "edit-undo", QStyle::SP_BrowserReload},
    {IDI_EDIT, "document-edit", QStyle::SP_FileDialogDetailedView},
    {IDI_CANCEL, "", QStyle::SP_DialogCancelButton},
    {IDI_OK, "", QStyle::SP_DialogOkButton},
    {IDI_UP, "go-up", QStyle::SP_ArrowUp},
    {IDI_DOWN, "go-down", QStyle::SP_ArrowDown},
    {IDI_SHOW, "view-visible", QStyle::SP_FileDialogContentsView},
    {IDI_HIDE, "view-hidden", QStyle::SP_FileDialogListView},
    {IDI_ADVANCE, "preferences-system", QStyle::SP_FileDialogDetailedView},
    {IDI_SEARCH, "edit-find", QStyle::SP_FileDialogContentsView},
    {IDI_ADVANCE_OPEN, "go-up", QStyle::SP_ArrowUp},
    {IDI_VIEWS, "view-list-icons", QStyle::SP_FileDialogListView},
    {IDI_PRINT, "document-print", QStyle::SP_DialogSaveButton, true},
    {IDI_EXPORT, "document-export", QStyle::SP_DialogSaveButton, true},
    {IDI_REMOVE_ALL, "edit-clear-all", QStyle::SP_DialogResetButton},
};

}  // namespace

QIcon LoadIconResource(int id, int size) {
    for (const IconEntry& entry : kIcons) {
        if (entry.id != id)
            continue;
        QIcon icon;
        if (*entry.themeName)
            icon = QIcon::fromTheme(QString::fromLatin1(entry.themeName));
        if (icon.isNull() && entry.ownPicture)
            icon = QIcon(QStringLiteral(":/ICON/%1").arg(id));
        if (icon.isNull())
            icon = QApplication::style()->standardIcon(entry.fallback);
        const QPixmap picture = icon.pixmap(size, size);
        if (picture.isNull())
            return {};
        // One picture of the asked size, so that the icon's size is known.
        return QIcon(
            picture.size() == QSize(size, size)
                ? picture
                : picture.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    }
    return {};
}

std::optional<QCursor> LoadCursorResource(int id) {
    if (id == IDC_HAND_CURSOR || id == IDC_LINK_CURSOR)
        return QCursor(Qt::PointingHandCursor);
    return std::nullopt;
}
