#pragma once
// Accelerator table 127 of the main window, key by key, as the program's users know it.

#include "app/Resource.h"
#include "framework/CommandTarget.h"
#include "framework/ResourceIds.h"
#include "views/ViewCommands.h"

#include <QKeyCombination>

namespace apptest {

// A key and the command it runs.
struct Key {
    QKeyCombination key;
    CommandId id;
};
inline const Key kAccelerators[] = {
    {Qt::CTRL | Qt::Key_A, ID_COMPARE_ALL},
    {Qt::CTRL | Qt::Key_C, ID_EDIT_COPY},
    {Qt::CTRL | Qt::Key_Insert, ID_EDIT_COPY},
    {Qt::CTRL | Qt::Key_X, ID_EDIT_CUT},
    {Qt::SHIFT | Qt::Key_Delete, ID_EDIT_CUT},
    {Qt::CTRL | Qt::Key_V, ID_EDIT_PASTE},
    {Qt::SHIFT | Qt::Key_Insert, ID_EDIT_PASTE},
    {Qt::CTRL | Qt::Key_Z, ID_EDIT_UNDO},
    {Qt::ALT | Qt::Key_Backspace, ID_EDIT_UNDO},
    {Qt::CTRL | Qt::Key_E, ID_EXPORT_QUOTATIONS},
    {Qt::CTRL | Qt::Key_R, ID_IMPORT_QUOTATIONS},
    {Qt::CTRL | Qt::Key_N, ID_FILE_NEW},
    {Qt::CTRL | Qt::Key_O, ID_FILE_OPEN},
    {Qt::CTRL | Qt::Key_P, ID_FILE_PRINT},
    {Qt::CTRL | Qt::Key_S, ID_FILE_SAVE},
    {Qt::CTRL | Qt::Key_G, ID_OPEN_WEB_PAGE},
    {QKeyCombination(Qt::Key_F1), ID_HELP_FAQ},
    {Qt::CTRL | Qt::Key_M, ID_ADD_QUOTATION},
    {QKeyCombination(Qt::Key_F6), ID_NEXT_PANE},
    {Qt::SHIFT | Qt::Key_F6, ID_PREV_PANE},
    {Qt::CTRL | Qt::Key_T, ID_TEST_UPDATE},
    {Qt::CTRL | Qt::Key_I, ID_ADD_TRANSACTION},
    {Qt::CTRL | Qt::Key_U, ID_UPDATE_ALL},
    {QKeyCombination(Qt::Key_Delete), ID_DELETE_ITEM},
    {QKeyCombination(Qt::Key_Return), ID_ITEM_PROPERTIES},
    {QKeyCombination(Qt::Key_Enter), ID_ITEM_PROPERTIES},
    {QKeyCombination(Qt::Key_Insert), ID_NEW_ITEM},
    {Qt::CTRL | Qt::Key_Q, ID_DISPLAY_QUOTATIONS},
    {Qt::CTRL | Qt::Key_Y, ID_UPDATE_QUOTATION},
    {Qt::CTRL | Qt::Key_D, ID_UPDATE_QUOTATION_ON},
};

} // namespace apptest
