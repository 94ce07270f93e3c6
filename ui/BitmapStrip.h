#pragma once
// A strip of equally wide pictures in one bitmap resource, as image lists are
// made from: each picture becomes an icon, with the key colour transparent.

#include <QColor>
#include <QIcon>
#include <QList>

// The pictures of bitmap resource `id` (":/BITMAP/<id>"), each `width`
// pixels wide, left to right; empty when the resource is missing.
QList<QIcon> LoadBitmapStrip(int id, int width, const QColor& transparent);
