#include "ui/ProductLinks.h"

#include <QDesktopServices>

bool OpenUrlWithDesktop(const QUrl& url) {
    return QDesktopServices::openUrl(url);
}
