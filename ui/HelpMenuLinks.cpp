#include "ui/HelpMenuLinks.h"

#include "ui/ProductLinks.h"

QUrl SendFeedbackUrl() {
    return QUrl(QStringLiteral("mailto:") + QString::fromLatin1(kSupportMail));
}

QUrl TellFriendUrl() {
    return QUrl(QString::fromLatin1(kProductWebSite))
        .resolved(QUrl(QStringLiteral("tellfriend.htm")));
}
