#pragma once
// A control sends a command to its parent window: WM_COMMAND goes up to the frame that routes it.

#include "framework/CommandTarget.h"
#include "framework/FrameWnd.h"

#include <QWidget>

// The frame `widget` lies in: the first ancestor (or the widget itself) that is a frame; null when
// none.
inline FrameWnd* parentFrameOf(QWidget* widget) {
    for (QWidget* w = widget; w; w = w->parentWidget())
        if (auto* frame = dynamic_cast<FrameWnd*>(w))
            return frame;
    return nullptr;
}

// Sends command `id` to the frame `widget` lies in; false when there is none or no handler ran.
inline bool sendCommandToFrame(QWidget* widget, CommandId id) {
    FrameWnd* frame = parentFrameOf(widget);
    return frame && frame->SendCommand(id);
}
