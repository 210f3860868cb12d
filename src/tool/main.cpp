// mirelune-tool: see Tool.h, and --help.
#include <QCoreApplication>
#include <QFileDevice>
#include <QStandardPaths>
#include <QTextStream>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "Tool.h"
#include "core/app/Paths.h"
#include "core/common/Error.h"

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
    QCoreApplication app(argc, argv);
    // The same folders as the program's.
    QCoreApplication::setApplicationName(QStringLiteral("Mirelune"));
    const ProgramPaths paths = DefaultPaths(QCoreApplication::applicationFilePath(),
                                            QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation),
                                            QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
    QTextStream out(stdout), err(stderr);
    const int status = RunTool(app.arguments().mid(1), paths.settingsFolder, paths.settingsFile, paths.dataFolder, out,
                               err);
    // What was to be shown is lost when standard output is a full disk or a closed file:
    // a script reading it must not take the run for a success.
    out.flush();
    errno = 0;
    const bool flushed = std::fflush(stdout) == 0;
    if (out.status() != QTextStream::Ok || !flushed || std::ferror(stdout)) {
        const auto* file = qobject_cast<QFileDevice*>(out.device());
        const QString why = file && file->error() != QFileDevice::NoError ? file->errorString()
                            : errno != 0                                  ? QString::fromLocal8Bit(std::strerror(errno))
                                                                          : QStringLiteral("write error");
        err << "mirelune-tool: cannot write the output: " << why << Qt::endl;
        return status == ToolDone ? ToolFailed : status;
    }
    return status;
}
