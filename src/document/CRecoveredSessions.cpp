#include "document/CRecoveredSessions.h"

#include "document/CRecoveryStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>

#include <algorithm>

namespace {

// "<pid>-<ms since 1970>": the time the session began.
qint64 SessionStart(const QString& strName)
{
    return strName.section(QLatin1Char('-'), 1).toLongLong();
}

} // namespace

CRecoveredSessions::CRecoveredSessions(const QString& strRoot, const QString& strSkip)
{
    const QDir root(strRoot);
    QStringList names = root.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    std::sort(names.begin(), names.end(),
              [](const QString& a, const QString& b) { return SessionStart(a) < SessionStart(b); });
    const QString strSkipPath = strSkip.isEmpty() ? QString() : QFileInfo(strSkip).absoluteFilePath();
    for (const QString& strName : names) {
        const QString strSession = root.absoluteFilePath(strName);
        if (strSession == strSkipPath)
            continue;
        auto pLock = std::make_unique<QLockFile>(QDir(strSession).filePath(CRecoveryStore::LockFileName()));
        pLock->setStaleLockTime(0);
        if (!pLock->tryLock(0))
            continue; // its program is still running
        m_sessions << strSession;
        m_locks.push_back(std::move(pLock));

        const QDir session(strSession);
        QList<int> ids;
        for (const QString& strFile : session.entryList({QStringLiteral("*.mLog")}, QDir::Files)) {
            bool bOk = false;
            const int nId = QFileInfo(strFile).completeBaseName().toInt(&bOk);
            if (bOk)
                ids << nId;
        }
        std::sort(ids.begin(), ids.end());
        for (int nId : ids) {
            CCopy copy;
            copy.strPath = session.filePath(CRecoveryStore::DataFileName(nId));
            QFile title(session.filePath(CRecoveryStore::TitleFileName(nId)));
            // A title is a short name; anything longer is not ours.
            if (title.open(QIODevice::ReadOnly))
                copy.strTitle = QString::fromUtf8(title.read(1024)).trimmed();
            m_copies << copy;
        }
    }
}

CRecoveredSessions::~CRecoveredSessions() = default;

void CRecoveredSessions::RemoveAll()
{
    for (size_t i = 0; i < m_locks.size(); ++i) {
        m_locks[i]->unlock();
        QDir(m_sessions[qsizetype(i)]).removeRecursively();
    }
    m_locks.clear();
    m_sessions.clear();
    m_copies.clear();
}
