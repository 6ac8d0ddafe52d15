#pragma once

#include "link/CLinkReconnect.h"

#include <QObject>

class CCliSession;

// --reconnect: keeps a link verb going through dropouts. When the link is lost
// it says so on stderr and finds the same meter again (CLinkReconnect); the
// verb's own limits (--seconds, --count, Ctrl-C) still end the run.
class CReconnect : public QObject
{
    Q_OBJECT
public:
    // Takes over the session's lost-link handling.
    explicit CReconnect(CCliSession& session);

signals:
    // The link was lost; the verb should keep what it has (save).
    void LinkLost();

private:
    CCliSession& m_session;
    CLinkReconnect m_reconnect;
};
