#include "app/AppCommands.h"

#include "app/AboutDlg.h"
#include "app/MainFrm.h"
#include "app/OptionsSheet.h"
#include "app/Resource.h"
#include "app/WPapier.h"
#include "framework/ResourceIds.h"

void bindOptionsAndAboutCommands(CMainFrame& frame) {
    // The options live in the application object; a frame without one has nothing to edit.
    frame.addCommand(ID_OPTIONS, [&frame] {
        if (CWPapierApp* app = theApp())
            RunOptionsSheet(*app, frame.services(), &frame, &frame);
    });
    frame.addCommand(ID_CHECK_FOR_UPDATES, [] {
        if (CWPapierApp* app = theApp(); app && app->CheckForNewVersion)
            app->CheckForNewVersion();
    });
    frame.addCommand(ID_APP_ABOUT, [&frame] { RunAboutBox(frame.services(), &frame); });
}
