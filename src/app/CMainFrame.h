#pragma once

#include "link/CMeterLink.h"

#include <QMainWindow>

#include <memory>

class CBleScan;
class CMeterProtocol;
struct CDecodedReading;
class CMessageBoxPrompt;
class QLabel;
class QMdiArea;

// The main window: owns the link to the meter and the windows around it.
class CMainFrame : public QMainWindow
{
    Q_OBJECT
public:
    explicit CMainFrame(QWidget* pParent = nullptr);
    ~CMainFrame() override;

    CMeterLink& Link() { return *m_pLink; }
    CMeterProtocol& Protocol() { return *m_pProtocol; }
    CBleScan* ScanDialog() const { return m_pScan; }
    // The latest reading as the status bar shows it.
    QString ReadingText() const;

    // "ConnectBle": the scan dialog, modal.
    void OnConnectBle();
    // Scans the port and connects to the first meter found (the --demo start).
    void AutoConnect(const QString& strPort);

protected:
    void closeEvent(QCloseEvent* pEvent) override;

private:
    void CreateMenus();
    void ShowStatus(const QString& strText);
    void ShowReading(const CDecodedReading& decoded);

    std::unique_ptr<CMessageBoxPrompt> m_pPrompt;
    std::unique_ptr<CMeterLink> m_pLink;
    std::unique_ptr<CMeterProtocol> m_pProtocol;
    QMdiArea* m_pMdiArea;
    CBleScan* m_pScan;
    QLabel* m_pLinkStatus;
    QLabel* m_pReading;
};
