#pragma once

#include <QList>
#include <QString>

#include <memory>
#include <vector>

class QLockFile;

// The copies a CRecoveryStore left behind when its program ended without cleaning up (a crash,
// a kill, a pulled plug). The sessions found are locked while this object lives, so a second
// program started meanwhile does not offer them too.
class CRecoveredSessions
{
public:
    struct CCopy
    {
        QString strPath;  //!< the recording file
        QString strTitle; //!< the document's title when it was written
    };

    // Looks for the sessions under strRoot whose program is gone; strSkip (a session folder of
    // this program) is left alone.
    explicit CRecoveredSessions(const QString& strRoot, const QString& strSkip = QString());
    ~CRecoveredSessions();
    CRecoveredSessions(const CRecoveredSessions&) = delete;
    CRecoveredSessions& operator=(const CRecoveredSessions&) = delete;

    // The copies found, oldest session first, in the order their documents were made.
    const QList<CCopy>& Copies() const { return m_copies; }
    // Deletes the sessions found (after their copies were restored, or to discard them).
    void RemoveAll();

private:
    QList<QString> m_sessions;
    std::vector<std::unique_ptr<QLockFile>> m_locks;
    QList<CCopy> m_copies;
};
