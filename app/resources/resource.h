#pragma once

#include "platform/app_window.h"

// The program's resources: the menu, the accelerators and the string table.

constexpr int IDR_MAIN_MENU = 101;
constexpr int IDR_ACCELERATORS = 103;

constexpr int IDM_EXIT = 40000;
constexpr int IDM_FULL_SCREEN = 40002;
constexpr int IDM_TOGGLE_SCREEN_MODE = 40003;
constexpr int IDM_WINDOW = 40004;

constexpr int IDS_DISPLAY_CHANGE_FAILED = 40000;
constexpr int IDS_RESOLUTION_INSUFFICIENT = 40001;
constexpr int IDS_CAPTION = 40002;

// The text of string `id` (UTF-8), or null when the table has none.
const char* loadString(int id);
// The menu bar: File with Exit, View with Full screen and Window.
const tavelo::platform::MenuTemplate& loadMenu();
// Ctrl+Q gives Exit; Alt+Enter (either Enter key) toggles the display mode.
const std::vector<tavelo::platform::AcceleratorTemplate>& loadAccelerators();
