// mirelune-tool: see Tool.h, and --help.
#include <QGuiApplication>
#include <QStandardPaths>
#include <QTextStream>
#include <cstdio>

#include "app/Paths.h"
#include "common/Error.h"
#include "tool/Tool.h"

namespace {
// Qt's own notes (a missing sound server, runtime folders) are not the tool's to show;
// the tool says what went wrong itself.
void quietMessages(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg) std::fprintf(stderr, "%s\n", qPrintable(message));
}
} // namespace

int main(int argc, char** argv)
{
    qInstallMessageHandler(quietMessages);
    // The tool speaks English; so do the reasons the disc reader gives it.
    SetEnglishReasons(true);
    // The disc data object's commands are actions, which need a GUI application; no
    // screen is wanted, whatever the session has.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    // The same folders as the program's.
    QGuiApplication::setApplicationName(QStringLiteral("Mirelune"));
    const ProgramPaths paths = DefaultPaths(QCoreApplication::applicationFilePath(),
                                            QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation),
                                            QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
    QTextStream out(stdout), err(stderr);
    return RunTool(app.arguments().mid(1), QCoreApplication::applicationDirPath(), paths.settingsFile,
                   paths.dataFolder, out, err);
}
