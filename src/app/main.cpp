// The program's entry: chooses Qt's platform (without a display the unattended modes run on the
// offscreen one), sends Qt's own messages to the program's log, and runs the application object.
// An unattended run that failed says why in one line on standard error.

#include "app/WPapier.h"
#include "log/Log.h"
#include "retrieval/DownloadManager.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// An unattended run ends with an exit code and one line on standard error whatever fails, also
// when the toolkit gives up (no memory for its start-up): no core dump for nobody to read.
bool g_unattended = false;

bool environmentSet(const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
}

void qtMessage(QtMsgType type, const QMessageLogContext&, const QString& text) {
    int level = LOG_LEVEL_DEBUG;
    switch (type) {
    case QtDebugMsg:
        level = LOG_LEVEL_DEBUG;
        break;
    case QtInfoMsg:
        level = LOG_LEVEL_INFO;
        break;
    case QtWarningMsg:
        level = LOG_LEVEL_WARNING;
        break;
    case QtCriticalMsg:
        level = LOG_LEVEL_ERROR;
        break;
    case QtFatalMsg:
        level = LOG_LEVEL_FATAL;
        break;
    }
    const QByteArray bytes = text.toUtf8();
    LogMessage(level, "Qt", "%s", bytes.constData());
    if (type == QtFatalMsg) {
        std::fprintf(stderr, "corvana: %s\n", bytes.constData());
        if (g_unattended) {
            std::fflush(nullptr);
            std::_Exit(kExitStartFailed);
        }
        std::abort();
    }
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const int mode = CWPapierApp::programModeOf(arguments);
    const bool unattended = mode != CMyCommandLineInfo::kModeNone;
    g_unattended = unattended;
    if (!environmentSet("DISPLAY") && !environmentSet("WAYLAND_DISPLAY") && !environmentSet("QT_QPA_PLATFORM")) {
        if (!unattended) {
            std::fputs("corvana: no display to show the window on (the unattended modes -u and -e run without one)\n",
                       stderr);
            return kExitStartFailed;
        }
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    qInstallMessageHandler(qtMessage);

    QApplication qtApplication(argc, argv);
    int code = 0;
    {
        CWPapierApp application;
        code = application.Main(arguments);
        if (!application.runFailureText().empty())
            std::fprintf(stderr, "corvana: %s\n", application.runFailureText().c_str());
    }
    // A download worker left behind at the exit may still return from its system call: the
    // process ends here, before the objects it would touch are destroyed.
    if (DownloadManager::instance().workersAlive() > 0) {
        std::fflush(nullptr);
        std::_Exit(code);
    }
    return code;
}
