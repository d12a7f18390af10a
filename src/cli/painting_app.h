#pragma once
// Qt's painting for the commands that draw pictures (graph, strobe):
// headless, no display needed, and without Qt's English diagnostics.
#include <QGuiApplication>
#include <memory>

namespace kinevo::cli {

// The application object the painting needs, for the command's life.
std::unique_ptr<QGuiApplication> StartPainting();

}  // namespace kinevo::cli
