#pragma once

#include <QDialog>
#include <QTimer>

class CMeterLink;
class QComboBox;
class QLabel;
class QPushButton;
class QTableWidget;

// The "Scan Device" dialog: opens the dongle's port, lists the meters that
// advertise themselves (one row each) and connects to the one picked. Its
// status line says what it is doing: "Scanning…", how many meters it found,
// "No meter found" with a hint, or why the port did not open.
class CBleScan : public QDialog
{
    Q_OBJECT
public:
    static constexpr int kScanButtonDelayMs = 10000;

    explicit CBleScan(CMeterLink* pLink, QWidget* pParent = nullptr);

    // Fills the port box from the settings file and the ports the system reports.
    void LoadPorts();
    QString PortText() const;
    void SetPortText(const QString& strPort);

    void OnScan();
    void OnConnect();

    QTableWidget* DeviceList() const { return m_pList; }
    QPushButton* ScanButton() const { return m_pScan; }
    QPushButton* ConnectButton() const { return m_pConnect; }
    QPushButton* CloseButton() const { return m_pClose; }
    // What the dialog says when "Scan" ends a live link.
    static QString ClosedForScanText() { return QStringLiteral(" disconnected from the meter to scan"); }
    static QString ScanningText() { return QStringLiteral("Scanning…"); }
    // "1 meter found", "2 meters found".
    static QString FoundText(int nMeters);
    static QString NoMeterText();
    QString StatusText() const;
    const QTimer& ScanTimer() const { return m_scanTimer; }
    // A scan started here has not ended yet (the dongle's word or the 10 s).
    bool IsScanning() const { return m_bScanning; }

signals:
    // "Connect" has sent the link request for this address.
    void ConnectRequested(const QString& strAddress);
    // "Scan" was pressed while a meter was connected: that link is now closed.
    void LinkClosedForScan();

protected:
    void showEvent(QShowEvent* pEvent) override;

private:
    void AddDevice(const QString& strName, const QString& strAddress, int nRssi);
    void EndScan();
    void SetStatus(const QString& strText);

    CMeterLink* m_pLink;
    QComboBox* m_pPort;
    QPushButton* m_pScan;
    QPushButton* m_pConnect;
    QPushButton* m_pClose;
    QTableWidget* m_pList;
    QLabel* m_pStatus;
    QTimer m_scanTimer; //!< re-enables "Scan" 10 s after it was pressed
    bool m_bScanning = false;
    QString m_strStatusPrefix; //!< what stays in front of the scan's own words (a closed link)
};
