#pragma once

#include <QDialog>

class QProgressBar;
class QPushButton;

// The wait dialog of a logger download: a bar for the blocks of the recording
// being transferred and one for the recordings overall. Modeless; the
// download shows and fills it, the link watchdog closes it when data stops.
class CWaitDlg : public QDialog
{
    Q_OBJECT
public:
    explicit CWaitDlg(QWidget* pParent = nullptr);

    QProgressBar* BlockBar() const { return m_pBlockBar; }
    QProgressBar* OverallBar() const { return m_pOverallBar; }
    // "Cancel" (or Esc): the user wants the transfer stopped.
    QPushButton* CancelButton() const { return m_pCancel; }
    // Shows it centred on its parent.
    void ShowCentred();

signals:
    void CancelRequested();

private:
    QProgressBar* m_pBlockBar;
    QProgressBar* m_pOverallBar;
    QPushButton* m_pCancel;
};
