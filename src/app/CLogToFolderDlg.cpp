#include "app/CLogToFolderDlg.h"

#include "app/CDocManager.h"
#include "document/CDocumentType.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QVBoxLayout>

namespace {
const QString kOnKey = QStringLiteral("LogToFolder/On");
const QString kFolderKey = QStringLiteral("LogToFolder/Folder");
const QString kBaseNameKey = QStringLiteral("LogToFolder/BaseName");
const QString kDefaultBaseName = QStringLiteral("log");
} // namespace

QString CLogToFolderDlg::CChoice::FirstPath() const
{
    return QDir(strFolder).filePath(strBaseName + DocumentType::Extension());
}

QString CLogToFolderDlg::CChoice::Problem() const
{
    if (strFolder.trimmed().isEmpty())
        return QStringLiteral("Choose the folder to log into.");
    if (!QFileInfo(strFolder).isDir())
        return QStringLiteral("The folder %1 does not exist.").arg(QDir::toNativeSeparators(strFolder));
    if (strBaseName.trimmed().isEmpty())
        return QStringLiteral("Give the files a base name.");
    if (strBaseName.contains(QLatin1Char('/')) || strBaseName.contains(QLatin1Char('\\')) || strBaseName.startsWith(QLatin1Char('.')))
        return QStringLiteral("The base name \"%1\" is no file name: leave out / and \\ and a leading dot.").arg(strBaseName);
    return QString();
}

CLogToFolderDlg::CChoice CLogToFolderDlg::CChoice::Read()
{
    const QSettings settings(CDocManager::SettingsPath(), QSettings::IniFormat);
    return { settings.value(kOnKey).toBool(), settings.value(kFolderKey).toString(),
             settings.value(kBaseNameKey, kDefaultBaseName).toString() };
}

void CLogToFolderDlg::CChoice::Write() const
{
    QSettings settings(CDocManager::SettingsPath(), QSettings::IniFormat);
    settings.setValue(kOnKey, bOn);
    settings.setValue(kFolderKey, strFolder);
    settings.setValue(kBaseNameKey, strBaseName);
}

CLogToFolderDlg::CLogToFolderDlg(const CChoice& choice, QWidget* pParent)
    : QDialog(pParent)
{
    setWindowTitle(QStringLiteral("Log to Folder"));
    m_pOn = new QCheckBox(QStringLiteral("&Save each recording into this folder as it fills, and go on in the next file"));
    m_pOn->setChecked(choice.bOn);
    m_pFolder = new QLineEdit(QDir::toNativeSeparators(choice.strFolder));
    m_pFolder->setMinimumWidth(320);
    auto* pBrowse = new QPushButton(QStringLiteral("&Browse..."));
    connect(pBrowse, &QPushButton::clicked, this, &CLogToFolderDlg::OnBrowse);
    auto* pFolderRow = new QHBoxLayout;
    pFolderRow->addWidget(m_pFolder, 1);
    pFolderRow->addWidget(pBrowse);
    m_pBaseName = new QLineEdit(choice.strBaseName);
    auto* pForm = new QFormLayout;
    auto* pFolderLabel = new QLabel(QStringLiteral("&Folder:"));
    pFolderLabel->setBuddy(m_pFolder);
    pForm->addRow(pFolderLabel, pFolderRow);
    pForm->addRow(QStringLiteral("&Base name:"), m_pBaseName);
    auto* pHint = new QLabel(QStringLiteral("Files: BASE.mLog, BASE-2.mLog, BASE-3.mLog, ... (20000 readings each, "
                                            "and a new file when the function changes)"));
    pHint->setWordWrap(true);
    m_pProblem = new QLabel;
    m_pProblem->setObjectName(QStringLiteral("problem"));
    m_pProblem->setStyleSheet(QStringLiteral("color: #b00000"));
    m_pProblem->hide();
    auto* pButtons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(pButtons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(pButtons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addWidget(m_pOn);
    pLayout->addLayout(pForm);
    pLayout->addWidget(pHint);
    pLayout->addWidget(m_pProblem);
    pLayout->addWidget(pButtons);
}

CLogToFolderDlg::CChoice CLogToFolderDlg::Choice() const
{
    return { m_pOn->isChecked(), QDir::fromNativeSeparators(m_pFolder->text().trimmed()), m_pBaseName->text().trimmed() };
}

void CLogToFolderDlg::accept()
{
    // Turned off, the places may stay half filled in.
    const CChoice choice = Choice();
    const QString strProblem = choice.bOn ? choice.Problem() : QString();
    if (!strProblem.isEmpty()) {
        m_pProblem->setText(strProblem);
        m_pProblem->show();
        return;
    }
    QDialog::accept();
}

void CLogToFolderDlg::OnBrowse()
{
    const QString strFolder = QFileDialog::getExistingDirectory(this, QStringLiteral("Log to Folder"), m_pFolder->text());
    if (!strFolder.isEmpty())
        m_pFolder->setText(QDir::toNativeSeparators(strFolder));
}
