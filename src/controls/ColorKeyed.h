// Drawing with a key colour left out, as the slider's images mark their
// transparent pixels.
#pragma once
#include <QColor>
#include <QImage>
#include <QPainter>

// Draws the source rectangle of image at (x, y), leaving the destination
// unchanged wherever the image has the key colour. The image is not changed.
void DrawColorKeyed(QPainter& canvas, int x, int y, const QImage& image, const QRect& source, QColor key);
