#include "app/CMainFrame.h"
#include "document/CDocumentType.h"

#include "app/CMessageBoxPrompt.h"
#include "link/ui/CBleScan.h"
#include "protocol/CMeterProtocol.h"

#include <QCloseEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMenuBar>
#include <QStatusBar>

CMainFrame::CMainFrame(QWidget* pParent)
    : QMainWindow(pParent)
{
    setWindowTitle(DocumentType::ProgramName());
    m_pLink = std::make_unique<CMeterLink>(nullptr);
    m_pPrompt = std::make_unique<CMessageBoxPrompt>(this, &m_pLink->GuiInvoker());
    m_pLink->SetPrompt(m_pPrompt.get());
    m_pProtocol = std::make_unique<CMeterProtocol>(m_pLink.get(), m_pPrompt.get());
    m_pLink->SetMeterTextSink(m_pProtocol.get());
    m_pMdiArea = new QMdiArea(this);
    setCentralWidget(m_pMdiArea);
    m_pScan = new CBleScan(m_pLink.get(), this);
    m_pReading = new QLabel(this);
    m_pReading->setMinimumWidth(320);
    m_pLinkStatus = new QLabel(this);
    statusBar()->addPermanentWidget(m_pReading);
    statusBar()->addPermanentWidget(m_pLinkStatus);
    statusBar()->showMessage(QStringLiteral("Ready"));
    CreateMenus();
    resize(1024, 700);

    connect(m_pScan, &CBleScan::ConnectRequested, this,
            [this](const QString& strAddress) { ShowStatus(QStringLiteral("Connecting to %1...").arg(strAddress)); });
    connect(m_pLink.get(), &CMeterLink::LinkEstablished, this, [this] { ShowStatus(QStringLiteral("Meter linked")); });
    connect(m_pLink.get(), &CMeterLink::Connected, this, [this] { ShowStatus(QStringLiteral("Connected")); });
    connect(m_pLink.get(), &CMeterLink::LinkError, this, [this] { ShowStatus(QStringLiteral("Disconnected")); });
    // Readings come from the link thread by value.
    connect(m_pProtocol.get(), &CMeterProtocol::ReadingDecoded, this, &CMainFrame::ShowReading, Qt::QueuedConnection);
}

CMainFrame::~CMainFrame()
{
    // The link thread runs the protocol: stop it before the protocol goes.
    m_pLink->Shutdown();
    m_pLink->SetMeterTextSink(nullptr);
}

void CMainFrame::CreateMenus()
{
    QMenu* pFile = menuBar()->addMenu(QStringLiteral("&File"));
    pFile->addAction(QStringLiteral("E&xit"), QKeySequence::Quit, this, &QWidget::close);
    QMenu* pPort = menuBar()->addMenu(QStringLiteral("&Com Port"));
    pPort->addAction(QStringLiteral("ConnectBle"), QKeySequence(Qt::CTRL | Qt::Key_B), this, &CMainFrame::OnConnectBle);
}

void CMainFrame::ShowStatus(const QString& strText)
{
    m_pLinkStatus->setText(strText);
}

void CMainFrame::ShowReading(const CDecodedReading& decoded)
{
    const MeterReading& r = decoded.reading;
    m_pReading->setText(QStringLiteral("%1  %2 %3   %4")
                            .arg(r.m_strFunction, QString::number(double(r.m_fValue), 'f', qBound(0, r.m_nDecimals, 6)),
                                 r.m_strUnit, decoded.strTime));
}

QString CMainFrame::ReadingText() const
{
    return m_pReading->text();
}

void CMainFrame::OnConnectBle()
{
    m_pScan->exec();
}

void CMainFrame::AutoConnect(const QString& strPort)
{
    ShowStatus(QStringLiteral("Scanning %1...").arg(strPort));
    auto pConnection = std::make_shared<QMetaObject::Connection>();
    *pConnection = connect(m_pLink.get(), &CMeterLink::DeviceFound, this,
                           [this, pConnection](const QString&, const QString& strAddress, int) {
                               disconnect(*pConnection);
                               ShowStatus(QStringLiteral("Connecting to %1...").arg(strAddress));
                               m_pLink->Connect(strAddress);
                           });
    m_pLink->Scan(strPort);
}

void CMainFrame::closeEvent(QCloseEvent* pEvent)
{
    m_pLink->Shutdown();
    pEvent->accept();
}
