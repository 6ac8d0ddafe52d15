#pragma once

#include <QDialog>
#include <QString>

class QCheckBox;
class QLabel;
class QLineEdit;

// "Log to Folder...": whether Start records file after file into a folder (BASE.mLog,
// BASE-2.mLog, ...) and where. The choice is remembered in the settings.
class CLogToFolderDlg : public QDialog
{
    Q_OBJECT
public:
    struct CChoice
    {
        bool bOn = false;
        QString strFolder;
        QString strBaseName;
        // The series' first file, FOLDER/BASE.mLog.
        QString FirstPath() const;
        // Why the choice cannot be recorded into (empty when it can).
        QString Problem() const;
        static CChoice Read();
        void Write() const;
    };

    CLogToFolderDlg(const CChoice& choice, QWidget* pParent = nullptr);
    CChoice Choice() const;

    void accept() override;

private:
    void OnBrowse();

    QCheckBox* m_pOn = nullptr;
    QLineEdit* m_pFolder = nullptr;
    QLineEdit* m_pBaseName = nullptr;
    QLabel* m_pProblem = nullptr;
};
