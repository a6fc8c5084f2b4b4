#include "framework/MessageBoxes.h"

#include "log/Log.h"

#include <string>

int UnattendedMessageBoxes::messageBox(std::string_view text, unsigned type, std::string_view) {
    const int answer = defaultMessageBoxAnswer(type);
    int level = LOG_LEVEL_INFO;
    switch (messageBoxIcon(type)) {
    case MB_ICONERROR:
        level = LOG_LEVEL_ERROR;
        break;
    case MB_ICONEXCLAMATION:
        level = LOG_LEVEL_WARNING;
        break;
    default:
        break;
    }
    const std::string message(text);
    if (messageBoxButtons(type).count > 1)
        CVR_LOG(level, "Message box (answered %s): %s", messageBoxAnswerName(answer), message.c_str());
    else
        CVR_LOG(level, "Message box: %s", message.c_str());
    return answer;
}
