#include "app/CAboutDlg.h"

#include "app/CProgramIcon.h"
#include "base/CProgramInfo.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

CAboutDlg::CAboutDlg(QWidget* pParent)
    : QDialog(pParent)
{
    setWindowTitle(QStringLiteral("About Multimeter"));
    auto* pIcon = new QLabel;
    pIcon->setPixmap(CProgramIcon::Pixmap(48));
    auto* pText = new QLabel(VersionLine());
    pText->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* pRow = new QHBoxLayout;
    pRow->addWidget(pIcon, 0, Qt::AlignTop);
    pRow->addSpacing(12);
    pRow->addWidget(pText, 1, Qt::AlignVCenter);
    auto* pButtons = new QDialogButtonBox(QDialogButtonBox::Ok);
    connect(pButtons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* pLayout = new QVBoxLayout(this);
    pLayout->addLayout(pRow);
    pLayout->addWidget(pButtons);
    pLayout->setSizeConstraint(QLayout::SetFixedSize);
}

QString CAboutDlg::VersionLine()
{
    return QStringLiteral("%1 Version %2").arg(CProgramInfo::Name(), CProgramInfo::Version());
}
