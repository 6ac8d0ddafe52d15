#include "app/CAutoRecovery.h"

#include "app/CDocManager.h"
#include "base/CProgramInfo.h"
#include "document/CDocumentType.h"
#include "document/CRecoveredSessions.h"
#include "document/ui/CMyTalvaView.h"
#include "link/CPrompt.h"

#include <QDir>
#include <QStandardPaths>

CAutoRecovery::CAutoRecovery(CDocManager& docs, CPrompt& prompt, const QString& strRoot, QObject* pParent)
    : QObject(pParent)
    , m_docs(docs)
    , m_prompt(prompt)
    , m_strRoot(strRoot)
    , m_store(strRoot)
{
    m_timer.setInterval(kIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &CAutoRecovery::WriteNow);
    m_timer.start();
    // A saved or discarded document needs no copy from now on.
    connect(&m_docs, &CDocManager::ViewSaved, this, [this](CMyTalvaView* pView) { m_store.Remove(m_docs.ViewId(pView)); });
    connect(&m_docs, &CDocManager::ViewClosed, this, [this](int nId) { m_store.Remove(nId); });
}

CAutoRecovery::~CAutoRecovery() = default;

QString CAutoRecovery::DefaultRoot()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation))
        .filePath(QStringLiteral("recovery"));
}

void CAutoRecovery::WriteNow()
{
    for (CMyTalvaView* pView : m_docs.Views()) {
        const int nId = m_docs.ViewId(pView);
        if (pView->IsModified())
            m_store.Write(nId, *pView->GetDocument(), pView->Title());
        else
            m_store.Remove(nId);
    }
    ReportError();
}

void CAutoRecovery::Flush()
{
    m_store.Flush();
    ReportError();
}

void CAutoRecovery::ReportError()
{
    const QString strError = m_store.LastError();
    if (strError == m_strReportedError)
        return;
    m_strReportedError = strError;
    if (strError.isEmpty())
        return;
    m_prompt.Message(tr("The recovery copy of the unsaved recordings cannot be written: %1\n\nRecording goes on; "
                        "save the recordings to keep them.")
                         .arg(strError),
                     CProgramInfo::Name(), CPrompt::Warning);
}

void CAutoRecovery::OfferRestore()
{
    CRecoveredSessions sessions(m_strRoot, m_store.SessionPath());
    const QList<CRecoveredSessions::CCopy>& copies = sessions.Copies();
    if (copies.isEmpty()) {
        sessions.RemoveAll(); // folders of sessions that had nothing to keep
        return;
    }
    QStringList titles;
    for (const CRecoveredSessions::CCopy& copy : copies)
        titles << (copy.strTitle.isEmpty() ? DocumentType::BaseName() : copy.strTitle);
    const QString strQuestion =
        tr("The program did not end normally. %n unsaved recording(s) were kept: %1.\n\nRestore them now? "
           "(No deletes them; Cancel keeps them for the next start.)",
           nullptr, int(copies.size()))
            .arg(titles.join(QStringLiteral(", ")));
    switch (m_prompt.Ask(strQuestion, CProgramInfo::Name(), true)) {
    case CPrompt::Yes: {
        bool bAll = true;
        for (const CRecoveredSessions::CCopy& copy : copies)
            bAll = m_docs.OpenRecovered(copy.strPath, copy.strTitle) && bAll;
        if (!bAll) {
            m_prompt.Message(tr("Not every recording could be restored; the copies stay in %1.")
                                 .arg(QDir::toNativeSeparators(m_strRoot)),
                             CProgramInfo::Name(), CPrompt::Warning);
            return;
        }
        // The restored documents are safe in this session's copies before the old ones go.
        WriteNow();
        m_store.Flush();
        if (m_store.LastError().isEmpty())
            sessions.RemoveAll();
        return;
    }
    case CPrompt::No:
        sessions.RemoveAll();
        return;
    case CPrompt::Cancel:
        return;
    }
}
