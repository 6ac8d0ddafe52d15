#include "link/ui/CBleScan.h"

#include "link/CMeterLink.h"
#include "link/CPortList.h"
#include "link/CPortSettings.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

CBleScan::CBleScan(CMeterLink* pLink, QWidget* pParent)
    : QDialog(pParent)
    , m_pLink(pLink)
{
    setWindowTitle(QStringLiteral("Scan Device"));
    m_pPort = new QComboBox(this);
    m_pPort->setEditable(true);
    m_pPort->setMinimumWidth(160);
    m_pPort->setToolTip(QStringLiteral("A port number or a device path, e.g. /dev/ttyACM0"));
    m_pScan = new QPushButton(QStringLiteral("Scan"), this);
    m_pConnect = new QPushButton(QStringLiteral("Connect"), this);
    m_pList = new QTableWidget(0, 4, this);
    m_pList->setAccessibleName(QStringLiteral("Device list"));
    m_pList->setHorizontalHeaderLabels({ QStringLiteral("ID"), QStringLiteral("Device name"),
                                         QStringLiteral("Device Mac"), QStringLiteral("Rssi") });
    const int widths[] = { 31, 120, 120, 85 };
    for (int i = 0; i < 4; ++i)
        m_pList->setColumnWidth(i, widths[i]);
    m_pList->setShowGrid(true);
    m_pList->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_pList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_pList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_pList->verticalHeader()->hide();
    m_pList->horizontalHeader()->setStretchLastSection(true);
    m_pStatus = new QLabel(this);
    m_pStatus->setWordWrap(true);
    // Room for a hint of two lines from the start: the list does not jump when one appears.
    m_pStatus->setMinimumHeight(2 * m_pStatus->fontMetrics().lineSpacing());
    m_pStatus->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_pClose = new QPushButton(QStringLiteral("Close"), this);
    m_pClose->setAutoDefault(false);

    auto* pTop = new QHBoxLayout;
    auto* pPortLabel = new QLabel(QStringLiteral("Comport"), this);
    pPortLabel->setBuddy(m_pPort);
    pTop->addWidget(pPortLabel);
    pTop->addWidget(m_pPort, 1);
    pTop->addWidget(m_pScan);
    pTop->addWidget(m_pConnect);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addLayout(pTop);
    pLayout->addWidget(new QLabel(QStringLiteral("Device list"), this));
    pLayout->addWidget(m_pList, 1);
    // The status line has the dialog's width: a hint may take two lines.
    pLayout->addWidget(m_pStatus);
    auto* pBottom = new QHBoxLayout;
    pBottom->addStretch(1);
    pBottom->addWidget(m_pClose);
    pLayout->addLayout(pBottom);
    resize(420, 320);

    m_scanTimer.setInterval(kScanButtonDelayMs);
    m_scanTimer.setSingleShot(true);
    connect(&m_scanTimer, &QTimer::timeout, this, &CBleScan::EndScan);
    connect(m_pScan, &QPushButton::clicked, this, &CBleScan::OnScan);
    connect(m_pConnect, &QPushButton::clicked, this, &CBleScan::OnConnect);
    connect(m_pClose, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_pList, &QTableWidget::cellDoubleClicked, this, &CBleScan::OnConnect);
    connect(m_pLink, &CMeterLink::DeviceFound, this, &CBleScan::AddDevice);
    connect(m_pLink, &CMeterLink::DiscoveryDone, this, [this] {
        if (m_bScanning)
            EndScan();
    });
}

void CBleScan::showEvent(QShowEvent* pEvent)
{
    LoadPorts();
    // The meters of an earlier scan may be gone (a lost link): only a new scan lists them.
    if (!m_bScanning) {
        m_pList->setRowCount(0);
        m_pStatus->clear();
    }
    QDialog::showEvent(pEvent);
}

QString CBleScan::FoundText(int nMeters)
{
    return nMeters == 1 ? QStringLiteral("1 meter found") : QStringLiteral("%1 meters found").arg(nMeters);
}

QString CBleScan::NoMeterText()
{
    return QStringLiteral("No meter found. Is the meter switched on with its Bluetooth on, and near the dongle? "
                          "Then Scan again.");
}

void CBleScan::SetStatus(const QString& strText)
{
    m_pStatus->setText(m_strStatusPrefix.isEmpty() ? strText : m_strStatusPrefix + QStringLiteral(". ") + strText);
}

void CBleScan::EndScan()
{
    m_scanTimer.stop();
    m_pScan->setEnabled(true);
    if (!m_bScanning)
        return;
    m_bScanning = false;
    const int nFound = m_pList->rowCount();
    SetStatus(nFound == 0 ? NoMeterText() : FoundText(nFound) + QStringLiteral(": pick one and press Connect"));
}

void CBleScan::LoadPorts()
{
    // The remembered port first; with none, the first USB serial port the system has.
    QString strFirst = CPortSettings::ReadSavedPort();
    if (strFirst.isEmpty())
        strFirst = CPortList::FirstUsbPort();
    m_pPort->clear();
    m_pPort->addItems(CPortList::PortChoices(strFirst));
    // Without either, the others are offered but none is proposed.
    m_pPort->setCurrentIndex(strFirst.isEmpty() ? -1 : 0);
    if (strFirst.isEmpty())
        m_pPort->setEditText(QString());
}

QString CBleScan::PortText() const
{
    return m_pPort->currentText().trimmed();
}

void CBleScan::SetPortText(const QString& strPort)
{
    m_pPort->setEditText(strPort);
}

QString CBleScan::StatusText() const
{
    return m_pStatus->text();
}

void CBleScan::OnScan()
{
    const QString strPort = PortText();
    if (strPort.isEmpty() || strPort == QLatin1String("0")) {
        m_pStatus->setText(QStringLiteral(" type the dongle's port, e.g. /dev/ttyACM0"));
        return;
    }
    m_pList->setRowCount(0);
    m_pConnect->setEnabled(true);
    m_strStatusPrefix.clear();
    m_pStatus->setText(ScanningText());
    // Scanning reopens the port, which ends a live link: say so rather than
    // leave the last reading standing as if it were live.
    const bool bWasConnected = m_pLink->IsPortOpen() && m_pLink->LinkState() == CMeterLink::kConnected;
    // A port the user picked is remembered, even after the demo's temporary one.
    m_pLink->SetRememberSettings(true);
    if (!m_pLink->Scan(strPort)) {
        // Nothing is scanning: the next try may follow at once, with the right port.
        m_bScanning = false;
        m_scanTimer.stop();
        m_pScan->setEnabled(true);
        m_pStatus->setText(m_pLink->OpenFailure().replace(QLatin1Char('\n'), QLatin1Char(' ')));
        if (bWasConnected)
            emit LinkClosedForScan();
        return;
    }
    m_bScanning = true;
    m_scanTimer.start();
    m_pScan->setEnabled(false);
    if (bWasConnected) {
        m_strStatusPrefix = ClosedForScanText();
        SetStatus(ScanningText());
        emit LinkClosedForScan();
    }
}

void CBleScan::OnConnect()
{
    const auto selected = m_pList->selectionModel()->selectedRows();
    if (selected.isEmpty()) {
        m_pStatus->setText(QStringLiteral(" no device selected!"));
        return;
    }
    const QString strAddress = m_pList->item(selected.first().row(), 2)->text();
    m_pConnect->setEnabled(false);
    if (!m_pLink->Connect(strAddress)) {
        m_pStatus->setText(QStringLiteral(" the port is not open: scan first!"));
        m_pConnect->setEnabled(true);
        return;
    }
    emit ConnectRequested(strAddress);
    accept();
}

void CBleScan::AddDevice(const QString& strName, const QString& strAddress, int nRssi)
{
    // A meter advertises again and again: one row each, with its latest strength.
    for (int nRow = 0; nRow < m_pList->rowCount(); ++nRow) {
        if (m_pList->item(nRow, 2)->text().compare(strAddress, Qt::CaseInsensitive) == 0) {
            m_pList->item(nRow, 3)->setText(QString::number(nRssi));
            return;
        }
    }
    const int nRow = m_pList->rowCount();
    m_pList->insertRow(nRow);
    const QString cells[] = { QString::number(nRow), strName, strAddress, QString::number(nRssi) };
    for (int i = 0; i < 4; ++i)
        m_pList->setItem(nRow, i, new QTableWidgetItem(cells[i]));
    if (m_bScanning)
        SetStatus(ScanningText() + QLatin1Char(' ') + FoundText(nRow + 1));
}
