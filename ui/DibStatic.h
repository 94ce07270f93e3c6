#pragma once
// A device-independent bitmap from the program's resources, and the static
// control that shows one: the About box's banner ("DIB" 500).
//
// Resources live in the Qt resource system under ":/<type>/<id>", each a
// complete .bmp file image. Uncompressed pictures of 8 (with a colour table),
// 16, 24 and 32 bits per pixel are drawn; their pixels are taken from where
// the header and colour table end.

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QWidget>

#include "platform/Bitmap.h"
#include "platform/WinTypes.h"

class QPainter;

class CDib {
public:
    CDib() = default;
    virtual ~CDib() = default;

    // Loads resource `id` of `type`; 1 when it is a picture that can be
    // drawn, 0 when it is missing or is not.
    BOOL LoadFromResource(int id, const char* type);
    // The same over a .bmp file image ("BM", the file header, the bitmap
    // header, its colour table and the pixels).
    BOOL LoadFromFileImage(const QByteArray& image);

    // Width and height from the header.
    QSize GetSize() const;
    // The first pixel's byte: behind the header and its colour table.
    const BYTE* GetBits() const;
    // Draws the whole picture at (0, 0), stretched to width x height.
    void Draw(QPainter& painter, int width, int height) const;

    const QImage& Image() const { return m_image; }

private:
    QByteArray m_data;  // the bitmap header and what follows it
    BITMAPINFOHEADER m_header;
    QImage m_image;  // the pixels as they are drawn
};

class CDibStatic : public QWidget {
    Q_OBJECT
public:
    explicit CDibStatic(QWidget* parent = nullptr);

    // Loads the banner, "DIB" 500.
    BOOL LoadDib();
    const CDib& Dib() const { return m_dib; }

    QSize sizeHint() const override;

protected:
    // The picture at its own size, at the control's top-left corner.
    void paintEvent(QPaintEvent* event) override;

private:
    CDib m_dib;
};
