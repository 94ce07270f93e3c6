#include "ui/FileManagerBus.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QStringList>

namespace {

constexpr int kCallTimeoutMs = 2000;

}  // namespace

bool CFileManagerBus::CallFileManager(const std::string& method,
                                      const std::vector<std::string>& uris,
                                      const std::string& startupId) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QString::fromLatin1(zb::kFileManagerService), QString::fromLatin1(zb::kFileManagerPath),
        QString::fromLatin1(zb::kFileManagerInterface), QString::fromStdString(method));
    QStringList list;
    for (const std::string& uri : uris)
        list << QString::fromStdString(uri);  // percent-encoded: ASCII only
    call << list << QString::fromStdString(startupId);
    const QDBusMessage reply = bus.call(call, QDBus::Block, kCallTimeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage;
}
