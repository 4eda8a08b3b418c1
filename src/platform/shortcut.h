#ifndef UPDATER_PLATFORM_SHORTCUT_H_
#define UPDATER_PLATFORM_SHORTCUT_H_

#include <cstdint>

// ShowWindow values a shortcut holds; normal is the default of a new shortcut.
constexpr uint32_t kShowNormal = 1;
constexpr uint32_t kShowMaximized = 3;
constexpr uint32_t kShowMinNoActive = 7;

// The longest shortcut file path that can be saved, in UTF-16 units: the conversion buffer
// holds 260 with the final NUL. Longer paths are refused, never cut.
constexpr int kMaxShortcutPath = 259;

// Saves a shortcut file at path (a core path, the extension included) that starts target
// with the arguments in working_folder. show_command is a ShowWindow value (1, 3, 7...) or
// 0 to keep the shortcut's default (normal). An existing shortcut file is replaced.
// False when nothing could be saved: the path too long, its folder missing, a folder or a
// read-only file in its place, or (Windows) the shell's link object unavailable.
// Windows: the shell's link object (COM must be initialised on the thread). Linux: the
// file is written in the shell link format by the updater itself.
bool SaveShortcut(const char* path, const char* target, const char* working_folder,
                  const char* arguments, int show_command);

#endif  // UPDATER_PLATFORM_SHORTCUT_H_
