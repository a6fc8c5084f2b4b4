#include "app/MainMenus.h"

#include "app/Resource.h"
#include "dialogs/DialogIds.h"
#include "framework/ResourceIds.h"
#include "views/wpapierlview.h"
#include "views/wpapierlviewColumns.h"

namespace {

MenuEntry cmd(const char* text, unsigned id) {
    return MenuEntry::command(QString::fromUtf8(text), id);
}
MenuEntry sep() {
    return MenuEntry::separator();
}

// The show/hide entries of the columns, with the time frames of column 8 as a popup.
std::vector<MenuEntry> columnEntries() {
    std::vector<MenuEntry> entries;
    for (const ListColumnSpec& column : kListColumns) {
        if (column.toggleCommand != 0) {
            entries.push_back(cmd(column.menuText, column.toggleCommand));
            continue;
        }
        std::vector<MenuEntry> frames;
        for (const TimeFrameSpec& frame : kTimeFrames)
            frames.push_back(cmd(frame.menuText, frame.command));
        entries.push_back(MenuEntry::submenu(QString::fromUtf8(column.menuText), std::move(frames)));
    }
    return entries;
}

} // namespace

std::vector<MenuEntry> mainMenuEntries() {
    std::vector<MenuEntry> view{cmd("&Toolbar", ID_VIEW_TOOLBAR),
                                cmd("&Statusbar", ID_VIEW_STATUS_BAR),
                                sep(),
                                MenuEntry::submenu(QStringLiteral("Show/Hide Columns"), columnEntries()),
                                cmd("Toggle &Percentual/Nominal values", ID_TOGGLE_PERCENTUAL),
                                sep(),
                                cmd("&Connection status", ID_CONNECTION_STATUS),
                                sep(),
                                cmd("&Refresh", ID_REFRESH),
                                sep(),
                                cmd("S&ave view options", ID_SAVE_VIEW_OPTIONS)};
    return {
        MenuEntry::submenu(
            QStringLiteral("&File"),
            {cmd("&New\tCtrl+N", ID_FILE_NEW), cmd("&Open...\tCtrl+O", ID_FILE_OPEN),
             cmd("&Save\tCtrl+S", ID_FILE_SAVE), cmd("Save &As...", ID_FILE_SAVE_AS),
             cmd("Se&nd...", ID_FILE_SEND_MAIL), sep(), cmd("Update &all quotations\tCtrl+U", ID_UPDATE_ALL),
             cmd("Import historical quotations for all items...", ID_IMPORT_ALL), sep(),
             cmd("Export portfolio...", ID_EXPORT_PORTFOLIO),
             cmd("&Export quotations...\tCtrl+E", ID_EXPORT_QUOTATIONS), sep(), cmd("&Print...\tCtrl+P", ID_FILE_PRINT),
             cmd("P&rint preview", ID_FILE_PRINT_PREVIEW), cmd("Prin&t Setup...", ID_FILE_PRINT_SETUP), sep(),
             cmd("Recent File", ID_FILE_MRU_FILE1), sep(), cmd("E&xit", ID_APP_EXIT)}),
        MenuEntry::submenu(QStringLiteral("&Item"),
                           {cmd("Insert &new item\tIns", ID_NEW_ITEM),
                            sep(),
                            cmd("&Cut\tCtrl+X", ID_EDIT_CUT),
                            cmd("C&opy\tCtrl+C", ID_EDIT_COPY),
                            cmd("&Paste\tCtrl+V", ID_EDIT_PASTE),
                            cmd("&Delete item\tDel", ID_DELETE_ITEM),
                            sep(),
                            cmd("&Update quotation\tCtrl+Y", ID_UPDATE_QUOTATION),
                            cmd("Upd&ate quotation using different date...\tCtrl+D", ID_UPDATE_QUOTATION_ON),
                            cmd("&Manually add new quotation\tCtrl+M", ID_ADD_QUOTATION),
                            cmd("&Test quotation update\tCtrl+T", ID_TEST_UPDATE),
                            cmd("Impo&rt historical quotations...\tCtrl+R", ID_IMPORT_QUOTATIONS),
                            cmd("Display &quotations\tCtrl+Q", ID_DISPLAY_QUOTATIONS),
                            sep(),
                            cmd("Add new &investment transaction\tCtrl+I", ID_ADD_TRANSACTION),
                            cmd("Display investment transactions", ID_DISPLAY_INVESTMENT),
                            sep(),
                            cmd("&Recalculate investment history", ID_RECALCULATE_HISTORY),
                            sep(),
                            cmd("&Open web page\tCtrl+G", ID_OPEN_WEB_PAGE),
                            sep(),
                            cmd("P&roperties\tEnter", ID_ITEM_PROPERTIES)}),
        MenuEntry::submenu(QStringLiteral("&View"), std::move(view)),
        MenuEntry::submenu(QStringLiteral("E&xtras"), {cmd("Open &Calculator...", ID_CALCULATOR), sep(),
                                                       cmd("&Export Server Settings...", ID_EXPORT_SERVER_SETTINGS),
                                                       sep(), cmd("&Options...", ID_OPTIONS)}),
        MenuEntry::submenu(QStringLiteral("&Help"), {cmd("&About Corvana...", ID_APP_ABOUT), sep(),
                                                     cmd("&Frequently Asked Questions (FAQ)", ID_HELP_FAQ),
                                                     cmd("&Server Configuration Info", ID_HELP_SERVER_SETTINGS), sep(),
                                                     cmd("&Check for Updates...", ID_CHECK_FOR_UPDATES),
                                                     cmd("Corvana on the &Web", ID_WEB_PAGE)}),
    };
}

std::vector<MenuEntry> itemMenuEntries() {
    return {MenuEntry::submenu(QStringLiteral("Item"),
                               {cmd("&Cut\tCtrl+X", ID_EDIT_CUT),
                                cmd("C&opy\tCtrl+C", ID_EDIT_COPY),
                                cmd("&Paste\tCtrl+V", ID_EDIT_PASTE),
                                cmd("&Delete item\tDel", ID_DELETE_ITEM),
                                sep(),
                                cmd("Upda&te quotation\tCtrl+Y", ID_UPDATE_QUOTATION),
                                cmd("Update quotation for a specific date...\tCtrl+D", ID_UPDATE_QUOTATION_ON),
                                cmd("&Manually add new quotation\tCtrl+M", ID_ADD_QUOTATION),
                                cmd("&Test quotation &update\tCtrl+T", ID_TEST_UPDATE),
                                cmd("&Import historical quotations...\tCtrl+R", ID_IMPORT_QUOTATIONS),
                                cmd("Display &quotations\tCtrl+Q", ID_DISPLAY_QUOTATIONS),
                                sep(),
                                cmd("Add new &investment transaction\tCtrl+I", ID_ADD_TRANSACTION),
                                cmd("Display &investment", ID_DISPLAY_INVESTMENT),
                                sep(),
                                cmd("&Recalculate investment history", ID_RECALCULATE_HISTORY),
                                sep(),
                                cmd("&Open web page\tCtrl+G", ID_OPEN_WEB_PAGE),
                                sep(),
                                cmd("&Properties\tEnter", ID_ITEM_PROPERTIES)})};
}

std::vector<MenuEntry> columnMenuEntries() {
    return {MenuEntry::submenu(QStringLiteral("Columns"), columnEntries())};
}

std::vector<MenuEntry> trayMenuEntries() {
    return {MenuEntry::submenu(QStringLiteral("Tray"), {cmd("Connection &status...", ID_CONNECTION_STATUS),
                                                        cmd("&Close", ID_ABORT_DOWNLOADS)})};
}

void registerMainMenus() {
    registerMenuResource(IDR_MAINFRAME, buildMenuTemplate(mainMenuEntries()));
    registerMenuResource(IDR_ITEM_MENU, buildMenuTemplate(itemMenuEntries()));
    registerMenuResource(IDR_COLUMN_MENU, buildMenuTemplate(columnMenuEntries()));
    registerMenuResource(IDR_TRAY_MENU, buildMenuTemplate(trayMenuEntries()));
}
