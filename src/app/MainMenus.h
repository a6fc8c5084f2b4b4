#pragma once
// The program's menus as tables: the main menu 127, the list's item menu 107 and column menu 136,
// and the notification icon's menu 130. registerMainMenus makes them menu resources, which the
// owner-drawn menu loads by id.

#include "controls/MenuTemplate.h"

#include <vector>

inline constexpr unsigned IDR_TRAY_MENU = 130;

std::vector<MenuEntry> mainMenuEntries();   // 127
std::vector<MenuEntry> itemMenuEntries();   // 107
std::vector<MenuEntry> columnMenuEntries(); // 136
std::vector<MenuEntry> trayMenuEntries();   // 130

// Registers the four menus (GUI thread; again is harmless).
void registerMainMenus();
