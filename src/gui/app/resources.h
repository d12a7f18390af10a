#pragma once
// The program's pictures (resources/kinevo.qrc: title, cursors, tool bar
// icons) are compiled into this library; they are registered with Qt before
// the first use.

namespace kinevo::gui {

// Registers the pictures once; later calls do nothing.
void LoadResources();

}  // namespace kinevo::gui
