#pragma once
// The data object through which selected results reach the clipboard and
// drop targets. It offers the selection's formats (CSelectionClipData) under
// the desktop's MIME types. While archive members are pending, rendering is
// delayed: the first consumer that asks for data makes the owner's renderer
// run (it extracts the members and adds their paths); a cancelled
// extraction leaves every format empty.

#include <QMimeData>

#include <functional>

#include "tools/DesktopClipboard.h"

class CResultDataSource : public QMimeData {
    Q_OBJECT
public:
    // Fills the data; false when the user cancelled.
    using Renderer = std::function<bool(CSelectionClipData* data)>;

    CResultDataSource() = default;

    // Offers `data`; with a renderer, its rendering waits for the first request.
    void Offer(CSelectionClipData data, Renderer delayed = {});
    // Offers nothing any more.
    void Empty();
    bool IsRenderPending() const { return static_cast<bool>(m_render); }
    const CSelectionClipData& GetData() const { return m_data; }

    // Empties this source, then takes every format `other` offers with the
    // data it delivers (a delayed source renders now).
    void CopyFrom(const QMimeData& other);
    // Adds the preferred drop effect (1 copy, 2 cut) in the file managers'
    // formats, for the files of this source's uri-list.
    void AddPreferredDropEffect(DWORD effect);

    QStringList formats() const override;
    bool hasFormat(const QString& mimeType) const override;

protected:
    QVariant retrieveData(const QString& mimeType, QMetaType type) const override;

private:
    bool IsOffered(const QString& mimeType) const;

    mutable CSelectionClipData m_data;
    mutable Renderer m_render;
    mutable bool m_bCancelled = false;
};
