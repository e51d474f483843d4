#pragma once

#include <QCoreApplication>
#include <QProcess>
#include <QStringList>

// The test's side of other_process (OtherProcess_win.cpp), which is built
// beside the tests: started with the task its arguments give, and told to
// finish when the object goes, and waited for, so that no file stays held
// after a test that failed half-way. Windows only.
class OtherProcess
{
public:
    explicit OtherProcess(const QStringList &arguments)
    {
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(QCoreApplication::applicationDirPath() + QStringLiteral("/other_process.exe"), arguments);
    }
    ~OtherProcess() { finish(); }
    OtherProcess(const OtherProcess &) = delete;
    OtherProcess &operator=(const OtherProcess &) = delete;

    // Its one line: what it got to, or why it could not.
    QString report()
    {
        while (!process.canReadLine() && process.waitForReadyRead(10000)) {
        }
        const QByteArray line = process.readLine().trimmed();
        if (line.isEmpty())
            return QStringLiteral("<no report: %1>").arg(process.errorString());
        return QString::fromLocal8Bit(line);
    }

    // Ends it where it stands: QProcess::kill is TerminateProcess here,
    // which nothing in the process can catch or put off. True if it was
    // still running until then.
    bool terminate()
    {
        if (process.state() != QProcess::Running)
            return false;
        process.kill();
        return process.waitForFinished(10000) && process.exitStatus() == QProcess::CrashExit;
    }

    // Lets it end its task, closing what it holds. True if it did so
    // without a fault.
    bool finish()
    {
        if (process.state() != QProcess::NotRunning) {
            process.closeWriteChannel();
            if (!process.waitForFinished(10000)) {
                process.kill();
                process.waitForFinished(10000);
                return false;
            }
        }
        return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    }

private:
    QProcess process;
};
