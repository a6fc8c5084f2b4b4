#include "dialogs/DialogTips.h"

#include "controls/PPToolTip.h"
#include "framework/Dialog.h"
#include "log/Log.h"

void InstallDialogTips(CPPToolTip& tip, Dialog& dialog, const DialogTipTable& table) {
    tip.Create(&dialog, table.balloon);
    tip.SetDelayTime(CPPToolTip::kDelayAutoPop, table.autoPopMs);
    for (std::size_t i = 0; i < table.count; ++i) {
        const DialogTip& row = table.tips[i];
        QWidget* control = dialog.control(row.controlId);
        if (!control) {
            CVR_LOG(LOG_LEVEL_WARNING, "No control %u for a tool tip in %s", row.controlId,
                    dialog.objectName().toUtf8().constData());
            continue;
        }
        tip.AddTool(control, QString::fromUtf8(row.text));
    }
}
