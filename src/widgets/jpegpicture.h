#pragma once

#include <QByteArrayView>
#include <QImage>
#include <QString>

// Decodes a JPEG held in memory with libjpeg into an RGB image. Damaged or cut data gives a null
// image and, in `error`, libjpeg's own words for what was wrong; it never ends the program.
QImage decodeJpeg(QByteArrayView data, QString* error = nullptr);
