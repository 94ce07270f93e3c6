#include "tools/windows/ResultDataSource.h"

#include "platform/UriList.h"

void CResultDataSource::Offer(CSelectionClipData data, Renderer delayed) {
    Empty();
    m_data = std::move(data);
    m_render = std::move(delayed);
}

void CResultDataSource::Empty() {
    clear();
    m_data = CSelectionClipData();
    m_render = nullptr;
    m_bCancelled = false;
}

void CResultDataSource::CopyFrom(const QMimeData& other) {
    // Rendered before this source is emptied: `other` may be this source.
    std::vector<std::pair<QString, QByteArray>> formats;
    for (const QString& mime : other.formats())
        formats.emplace_back(mime, other.data(mime));
    Empty();
    for (const auto& [mime, bytes] : formats)
        setData(mime, bytes);
}

void CResultDataSource::AddPreferredDropEffect(DWORD effect) {
    const std::vector<std::string> paths =
        ParseUriList(data(QString::fromLatin1(kMimeUriList)).toStdString());
    setData(QString::fromLatin1(kMimeGnomeCopiedFiles),
            QByteArray::fromStdString(MakeGnomeCopiedFiles(effect == 2, paths)));
    if (effect == 2)
        setData(QString::fromLatin1(kMimeKdeCutSelection), QByteArrayLiteral("1"));
}

bool CResultDataSource::IsOffered(const QString& mimeType) const {
    for (const std::string& type : ClipMimeTypes(m_data)) {
        if (mimeType == QLatin1String(type.c_str()))
            return true;
    }
    return false;
}

QStringList CResultDataSource::formats() const {
    QStringList list;
    for (const std::string& type : ClipMimeTypes(m_data))
        list << QString::fromStdString(type);
    for (const QString& type : QMimeData::formats()) {
        if (!list.contains(type))
            list << type;
    }
    return list;
}

bool CResultDataSource::hasFormat(const QString& mimeType) const {
    return IsOffered(mimeType) || QMimeData::hasFormat(mimeType);
}

QVariant CResultDataSource::retrieveData(const QString& mimeType, QMetaType type) const {
    if (!IsOffered(mimeType))
        return QMimeData::retrieveData(mimeType, type);
    if (m_render) {
        const Renderer render = std::move(m_render);
        m_render = nullptr;
        m_bCancelled = !render(&m_data);
    }
    if (m_bCancelled)
        return QByteArray();
    return QByteArray::fromStdString(RenderClipMime(m_data, mimeType.toStdString()));
}
