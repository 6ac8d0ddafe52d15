#pragma once

#include <QString>

// The simulator's pseudo-terminal: the program opens the slave side by its
// path; the simulator reads and writes the master side.
class CSimPty
{
public:
    CSimPty() = default;
    ~CSimPty();
    CSimPty(const CSimPty&) = delete;
    CSimPty& operator=(const CSimPty&) = delete;

    // Creates the pair, puts the slave side in raw mode and, when strLinkPath is
    // given, makes a symbolic link to the slave there. False with a reason.
    bool Open(const QString& strLinkPath, QString* pstrError);
    // Closes the master side: the program's reads fail as with a pulled plug.
    void Close();

    int MasterFd() const { return m_hMaster; }
    QString SlavePath() const { return m_strSlave; }
    QString PortPath() const { return m_strLink.isEmpty() ? m_strSlave : m_strLink; }

private:
    int m_hMaster = -1;
    int m_hSlaveKeep = -1; //!< keeps the slave alive between two opens by the program
    QString m_strSlave;
    QString m_strLink;
};
