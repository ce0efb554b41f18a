#pragma once
// Where the main window and the session's frames sit, kept per user between runs (section "Window"
// of the settings): the main window's geometry and bars, and each frame's place as a share of the
// frame area, so that a layout saved in one window size still fills another. Nothing saved yet: the
// window opens at three quarters of the screen and the frames fill the area.

#include "ui/views/wiz_view.h"

#include <QRect>
#include <QSize>

#include <optional>

class QMainWindow;

namespace cellwatch {

class Settings;

inline constexpr const char* kWindowSection = "Window";

// The main window as last saved, or about three quarters of its screen, centred, at a first start.
void restoreMainWindow(QMainWindow& window, Settings& settings);
void saveMainWindow(const QMainWindow& window, Settings& settings);

// A frame's place within an area of the given size as saved, or none.
std::optional<QRect> savedFramePlace(Settings& settings, ViewKind kind, QSize area);
void saveFramePlace(Settings& settings, ViewKind kind, QRect place, QSize area);

} // namespace cellwatch
