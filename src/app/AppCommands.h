#pragma once
// The main frame's commands of the options, the release check and the About box.

class CMainFrame;

// Binds command 32810 (the options sheet), 32811 (the release check) and 57664 (the About box)
// to `frame`; they are enabled from then on.
void bindOptionsAndAboutCommands(CMainFrame& frame);
