#pragma once
// Menu resources in the standard menu template: a header of two 16-bit words (version 0, offset 0
// of the first item counted from after the header), then the items, each an option word, for a
// normal item a command-id word, and its text in UTF-16 ending in 0. MF_POPUP opens a level whose
// items follow; MF_END marks the last item of a level. A separator is a normal item of id 0 and
// no text. Words are little-endian.
//
// The program's menus are written as readable tables (MenuEntry) and turned into templates by
// buildMenuTemplate; the resources are registered by id and found again by the owner-drawn menu.

#include <QString>

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// Menu flags (option words and the owner-drawn menu's item flags).
inline constexpr unsigned MF_BYCOMMAND = 0x0000;
inline constexpr unsigned MF_STRING = 0x0000;
inline constexpr unsigned MF_GRAYED = 0x0001;
inline constexpr unsigned MF_DISABLED = 0x0002;
inline constexpr unsigned MF_CHECKED = 0x0008;
inline constexpr unsigned MF_POPUP = 0x0010;
inline constexpr unsigned MF_END = 0x0080;
inline constexpr unsigned MF_OWNERDRAW = 0x0100;
inline constexpr unsigned MF_BYPOSITION = 0x0400;
inline constexpr unsigned MF_SEPARATOR = 0x0800;

// One line of a readable menu table: a command (text and id), a separator (no text, id 0) or a
// popup (text and its items).
struct MenuEntry {
    QString text;
    unsigned id = 0;
    std::vector<MenuEntry> items;
    bool popup = false;
    unsigned options = 0; // further option bits (MF_GRAYED, MF_CHECKED, ...)

    static MenuEntry command(const QString& text, unsigned id, unsigned options = 0) {
        return {text, id, {}, false, options};
    }
    static MenuEntry separator() { return {}; }
    static MenuEntry submenu(const QString& text, std::vector<MenuEntry> items) {
        return {text, 0, std::move(items), true, 0};
    }
};

// The template of a menu whose top level holds `entries`; empty when a popup has no items or a
// level is empty (the template cannot express either).
std::vector<std::uint8_t> buildMenuTemplate(const std::vector<MenuEntry>& entries);

// One item as the template holds it.
struct MenuTemplateItem {
    unsigned options = 0;
    unsigned id = 0; // 0 for a popup
    QString text;
};

// Reads the items of a template in order; every read is checked. None when the template is
// truncated (a header, word or text running past the end), has an offset past the end, or its
// levels do not close exactly at its last item.
std::optional<std::vector<MenuTemplateItem>> readMenuTemplate(std::span<const std::uint8_t> bytes);

// The program's menu resources by id (GUI thread). A later registration replaces an earlier one.
void registerMenuResource(unsigned id, std::vector<std::uint8_t> menuTemplate);
// The template of menu `id`; null when there is none.
const std::vector<std::uint8_t>* findMenuResource(unsigned id);
