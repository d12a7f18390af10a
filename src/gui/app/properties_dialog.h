#pragma once
// The "Propriétés" window of the open video: its file, rate, size, images
// and time between images.
class QWidget;

namespace kinevo {
class TVideo;
}

namespace kinevo::gui {

// Shows the properties of the open video, modal, centred on the screen.
void ShowVideoProperties(const TVideo& video, QWidget* parent);

}  // namespace kinevo::gui
