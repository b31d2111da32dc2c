#include "gallery_panel.h"

#include "controls/flatpanel.h"

QWidget* NewGalleryFlatPanel(QWidget* parent, const QString& caption, bool rightAligned) {
    auto* panel = new TFlatPanel(parent);
    panel->SetCaption(caption);
    if (rightAligned)
        panel->SetAlignment(taRightJustify);
    panel->setMinimumSize(panel->sizeHint());
    return panel;
}
