#pragma once
// Text drawn in a face loaded from a file (the grid's samples, the details window's sample). The
// file is the face, so no bold or slant is made up; underline and strike-out are drawn as for
// any text.
#include <QRawFont>
#include <QRect>
#include <QString>

class QPainter;

void drawInRawFont(QPainter* painter, const QRect& rect, Qt::Alignment align, const QString& text,
                   const QRawFont& face, bool underline = false, bool strikeOut = false);
