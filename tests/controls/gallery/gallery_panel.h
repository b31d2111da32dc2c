// The flat panel of the gallery, made in a unit of its own: flatpanel.h and validedit.h both
// declare TAlignment and cannot be included together.
#pragma once

#include <QString>

class QWidget;

QWidget* NewGalleryFlatPanel(QWidget* parent, const QString& caption, bool rightAligned);
