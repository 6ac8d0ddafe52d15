#include "CReconnect.h"

#include "CCliOutput.h"
#include "CCliSession.h"

#include <cstdio>

namespace {
void Say(const QString& strText)
{
    std::fprintf(stderr, "multimeter-cli: %s\n", qPrintable(strText));
    std::fflush(stderr);
}
}

CReconnect::CReconnect(CCliSession& session)
    : QObject(&session)
    , m_session(session)
    , m_reconnect(session.Link())
{
    connect(&m_reconnect, &CLinkReconnect::Progress, this, &Say);
    session.SetLinkLostHandler([this](const QString&) {
        // The link has printed why. Lost before a meter was chosen: nothing to look for.
        if (m_session.Address().isEmpty()) {
            m_session.Finish(CliStatus::kLinkLost);
            return;
        }
        emit LinkLost();
        // After the link's own message, which follows this signal.
        QMetaObject::invokeMethod(this, [this] {
            Say(QStringLiteral("reconnecting to %1").arg(m_session.Address()));
            m_reconnect.Start(m_session.Port(), m_session.Address());
        }, Qt::QueuedConnection);
    });
}
