#pragma once
#include "core/platform/io_result.h"

#include <string>

class QWidget;

namespace vt {

// The pictures the hidden snapshot commands write into the program's folder (or,
// when that cannot be written, into the user's pictures folder).
inline constexpr const char* kMainWindowSnapshot = "VT_main.bmp";
inline constexpr const char* kEditorSnapshot = "VT_Edit.bmp";

// Copies the screen rectangle (screen pixels) into a Windows bitmap file. The
// picture is what the screen shows there, whatever window covers it; parts off
// every screen come out black. The file is replaced only when complete; a failure
// gives the error "Cannot create file <file_name>".
IoResult CaptureScreenArea(int left, int top, int width, int height, const std::string& file_name);

// The snapshot folder (snapshot_folder.h) of the running program followed by `file`.
std::string snapshot_path(const char* file);

// ScreenShot1Click of a window: its outer frame, caption included, into `file` in
// the snapshot folder. The caller shows a failure in the standard error box.
IoResult save_window_snapshot(const QWidget& window, const char* file);

} // namespace vt
