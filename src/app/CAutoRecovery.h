#pragma once

#include "document/CRecoveryStore.h"

#include <QObject>
#include <QTimer>

class CDocManager;
class CPrompt;

// Keeps a recovery copy of every document with unsaved readings: every kIntervalMs the
// readings added since the last round go to the store, which writes them on its own thread.
// A saved or closed document's copy goes. At the next start after a crash, OfferRestore asks
// whether to open the copies left behind.
//
// GUI thread only.
class CAutoRecovery : public QObject
{
    Q_OBJECT
public:
    static constexpr int kIntervalMs = 2000;

    // strRoot: the folder of the sessions (DefaultRoot() in the program).
    CAutoRecovery(CDocManager& docs, CPrompt& prompt, const QString& strRoot, QObject* pParent = nullptr);
    ~CAutoRecovery() override;

    // The recovery folder in the user's data folder.
    static QString DefaultRoot();

    // One round now: the copies of the documents with unsaved readings.
    void WriteNow();
    // Waits until the copies queued so far are on disk.
    void Flush();
    CRecoveryStore& Store() { return m_store; }

    // Offers the copies that programs which did not end normally left: Yes opens them as
    // unsaved documents, No deletes them, Cancel keeps them for the next start.
    void OfferRestore();

private:
    void ReportError();

    CDocManager& m_docs;
    CPrompt& m_prompt;
    QString m_strRoot;
    CRecoveryStore m_store;
    QTimer m_timer;
    QString m_strReportedError; //!< the failure told to the user, until a write succeeds again
};
