// JPEG pictures decoded through libjpeg into a QImage. Damaged, truncated or hostile data gives
// a null image and an error text: the decoder never reads outside the given bytes and never
// shows a half-decoded picture.
#pragma once

#include <QImage>
#include <QString>
#include <cstddef>

// Pictures larger than this many pixels are refused.
inline constexpr long long kJpegMaxPixels = 64LL * 1024 * 1024;

// Decodes `size` bytes at `data`. Grey pictures become Format_Grayscale8, all others
// Format_RGB888. On failure the image is null and `error` (when given) says why.
QImage DecodeJpeg(const void* data, size_t size, QString* error = nullptr);
QImage DecodeJpeg(const QByteArray& bytes, QString* error = nullptr);

// Reads and decodes a file; resource paths (":/pictures/about.jpg") work too.
QImage LoadJpegFile(const QString& path, QString* error = nullptr);
