#pragma once

#include "publish/CAlarmEvent.h"

#include <QString>
#include <QStringList>

// The command run for each alarm (--alarm-exec). The command line is split into a program and
// its arguments once, as a shell splits words, but no shell ever runs it: the facts of
// the alarm reach the command only through environment variables (CAlarmEvent::Environment),
// never as text pasted into a command line. The command's output goes nowhere (it must not mix
// with the readings on stdout); its errors go to our stderr. Not waited for.
class CAlarmCommand
{
public:
    // False, with the reason, for an empty command line or one with an unclosed quote.
    static bool Parse(const QString& strCommandLine, CAlarmCommand* pCommand, QString* pstrError);
    // Words as a POSIX shell splits them, and nothing more: blanks separate, '...' is taken as
    // it stands, "..." too but for \" \\ \$ \` , a backslash outside quotes takes the next
    // character. No variables, globs, pipes or redirections.
    static bool SplitWords(const QString& strCommandLine, QStringList* pWords, QString* pstrError);

    bool IsSet() const { return !m_strProgram.isEmpty(); }
    QString Program() const { return m_strProgram; }
    // Starts the command for the alarm; false, with the reason, when it could not be started.
    bool Run(const CAlarmEvent& event, QString* pstrError) const;

private:
    QString m_strProgram;
    QStringList m_args;
};
