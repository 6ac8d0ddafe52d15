#include "publish/CAlarmCommand.h"

#include <QProcess>

bool CAlarmCommand::SplitWords(const QString& strCommandLine, QStringList* pWords, QString* pstrError)
{
    QStringList words;
    QString strWord;
    bool bInWord = false;
    QChar quote; // the open quote, or null
    for (qsizetype i = 0; i < strCommandLine.size(); ++i) {
        const QChar c = strCommandLine[i];
        if (quote == u'\'') {
            if (c == u'\'')
                quote = QChar();
            else
                strWord += c;
        } else if (quote == u'"') {
            if (c == u'"')
                quote = QChar();
            else if (c == u'\\' && i + 1 < strCommandLine.size() && QStringView(u"\"\\$`").contains(strCommandLine[i + 1]))
                strWord += strCommandLine[++i];
            else
                strWord += c;
        } else if (c.isSpace()) {
            if (bInWord)
                words << strWord;
            strWord.clear();
            bInWord = false;
        } else {
            bInWord = true;
            if (c == u'\'' || c == u'"')
                quote = c;
            else if (c == u'\\' && i + 1 < strCommandLine.size())
                strWord += strCommandLine[++i];
            else
                strWord += c;
        }
    }
    if (!quote.isNull()) {
        *pstrError = QStringLiteral("the command has an unclosed %1").arg(quote == u'"' ? QStringLiteral("double quote") : QStringLiteral("quote"));
        return false;
    }
    if (bInWord)
        words << strWord;
    *pWords = words;
    return true;
}

bool CAlarmCommand::Parse(const QString& strCommandLine, CAlarmCommand* pCommand, QString* pstrError)
{
    QStringList words;
    if (!SplitWords(strCommandLine, &words, pstrError))
        return false;
    if (words.isEmpty()) {
        *pstrError = QStringLiteral("the command is empty");
        return false;
    }
    pCommand->m_strProgram = words.takeFirst();
    pCommand->m_args = words;
    return true;
}

bool CAlarmCommand::Run(const CAlarmEvent& event, QString* pstrError) const
{
    QProcess process;
    process.setProgram(m_strProgram);
    process.setArguments(m_args);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const QString& strVariable : event.Environment()) {
        const qsizetype nEquals = strVariable.indexOf(QLatin1Char('='));
        environment.insert(strVariable.left(nEquals), strVariable.mid(nEquals + 1));
    }
    process.setProcessEnvironment(environment);
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    if (!process.startDetached()) {
        *pstrError = QStringLiteral("cannot run the alarm command %1: %2").arg(m_strProgram, process.errorString());
        return false;
    }
    return true;
}
