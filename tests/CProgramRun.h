#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

// What a program run to its end by a test left: its status, stdout and stderr.
struct CRun
{
    int nStatus = -1;  //!< the exit status; -1 when it timed out, -2 when it crashed
    QString strError;  //!< stderr, or "timed out"
    QByteArray output; //!< stdout
};

// Runs strProgram to its end, killed after nTimeoutMs; offscreen, the program needs no display.
inline CRun RunToEnd(const QString& strProgram, const QStringList& args, int nTimeoutMs, bool bOffscreen = false)
{
    QProcess program;
    if (bOffscreen) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        program.setProcessEnvironment(env);
    }
    program.start(strProgram, args);
    CRun run;
    if (!program.waitForFinished(nTimeoutMs)) {
        program.kill();
        program.waitForFinished(2000);
        run.strError = QStringLiteral("timed out");
        return run;
    }
    run.nStatus = program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -2;
    run.strError = QString::fromUtf8(program.readAllStandardError());
    run.output = program.readAllStandardOutput();
    return run;
}
