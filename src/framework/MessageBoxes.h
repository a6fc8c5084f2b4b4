#pragma once
// Message boxes as the program asks for them: a text, the buttons, icon and default button as MB_*
// flags, and the chosen button as an ID* number (the numbers are the ones the program's parts test
// against). The windowed program shows them (QtMessageBoxes.h); the unattended modes log them and
// answer at once with the default button (UnattendedMessageBoxes), so nothing ever waits for a user
// who is not there.
//
// This header needs no Qt.

#include <string>
#include <string_view>

// Buttons: one of these.
inline constexpr unsigned MB_OK = 0x0;
inline constexpr unsigned MB_OKCANCEL = 0x1;
inline constexpr unsigned MB_ABORTRETRYIGNORE = 0x2;
inline constexpr unsigned MB_YESNOCANCEL = 0x3;
inline constexpr unsigned MB_YESNO = 0x4;
inline constexpr unsigned MB_RETRYCANCEL = 0x5;
inline constexpr unsigned MB_TYPEMASK = 0xF;

// Icon: at most one of these. A box that names none gets the exclamation icon, except the
// abort/retry/ignore and retry/cancel boxes, which get none.
inline constexpr unsigned MB_ICONHAND = 0x10;
inline constexpr unsigned MB_ICONERROR = MB_ICONHAND;
inline constexpr unsigned MB_ICONSTOP = MB_ICONHAND;
inline constexpr unsigned MB_ICONQUESTION = 0x20;
inline constexpr unsigned MB_ICONEXCLAMATION = 0x30;
inline constexpr unsigned MB_ICONWARNING = MB_ICONEXCLAMATION;
inline constexpr unsigned MB_ICONASTERISK = 0x40;
inline constexpr unsigned MB_ICONINFORMATION = MB_ICONASTERISK;
inline constexpr unsigned MB_ICONMASK = 0xF0;

// Default button: the first (the default), second or third.
inline constexpr unsigned MB_DEFBUTTON1 = 0x000;
inline constexpr unsigned MB_DEFBUTTON2 = 0x100;
inline constexpr unsigned MB_DEFBUTTON3 = 0x200;
inline constexpr unsigned MB_DEFMASK = 0xF00;

// The button chosen.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDABORT = 3;
inline constexpr int IDRETRY = 4;
inline constexpr int IDIGNORE = 5;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

// The buttons of a box, in the order they are shown.
struct MessageBoxButtons {
    int ids[3] = {};
    int count = 0;
};

inline MessageBoxButtons messageBoxButtons(unsigned type) {
    switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL:
        return {{IDOK, IDCANCEL}, 2};
    case MB_ABORTRETRYIGNORE:
        return {{IDABORT, IDRETRY, IDIGNORE}, 3};
    case MB_YESNOCANCEL:
        return {{IDYES, IDNO, IDCANCEL}, 3};
    case MB_YESNO:
        return {{IDYES, IDNO}, 2};
    case MB_RETRYCANCEL:
        return {{IDRETRY, IDCANCEL}, 2};
    default:
        return {{IDOK}, 1};
    }
}

// The default button's answer; a default button beyond the box's buttons means the first.
inline int defaultMessageBoxAnswer(unsigned type) {
    const MessageBoxButtons buttons = messageBoxButtons(type);
    const unsigned index = (type & MB_DEFMASK) >> 8;
    return index < static_cast<unsigned>(buttons.count) ? buttons.ids[index] : buttons.ids[0];
}

// The answer of Escape or of closing the box: Cancel where the box has it, OK for a box with only
// OK; 0 where the box cannot be dismissed so.
inline int escapeMessageBoxAnswer(unsigned type) {
    const MessageBoxButtons buttons = messageBoxButtons(type);
    for (int i = 0; i < buttons.count; ++i)
        if (buttons.ids[i] == IDCANCEL)
            return IDCANCEL;
    return buttons.count == 1 ? IDOK : 0;
}

// The icon the box shows (MB_ICON* or 0), the implied one when `type` names none.
inline unsigned messageBoxIcon(unsigned type) {
    if (type & MB_ICONMASK)
        return type & MB_ICONMASK;
    switch (type & MB_TYPEMASK) {
    case MB_ABORTRETRYIGNORE:
    case MB_RETRYCANCEL:
        return 0;
    default:
        return MB_ICONEXCLAMATION;
    }
}

// "OK", "Cancel", "Abort", "Retry", "Ignore", "Yes", "No"; "?" for anything else.
inline const char* messageBoxAnswerName(int answer) {
    switch (answer) {
    case IDOK:
        return "OK";
    case IDCANCEL:
        return "Cancel";
    case IDABORT:
        return "Abort";
    case IDRETRY:
        return "Retry";
    case IDIGNORE:
        return "Ignore";
    case IDYES:
        return "Yes";
    case IDNO:
        return "No";
    default:
        return "?";
    }
}

class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    // Shows `text` (plain text, '\n' breaks lines) and returns the button chosen. An empty caption
    // means the program's name.
    virtual int messageBox(std::string_view text, unsigned type = MB_OK, std::string_view caption = {}) = 0;
};

// For runs without a user: logs the text (level by icon: error ERROR, exclamation WARNING, others
// INFO) and returns the default button's answer at once.
class UnattendedMessageBoxes final : public MessageBoxes {
public:
    int messageBox(std::string_view text, unsigned type = MB_OK, std::string_view caption = {}) override;
};
