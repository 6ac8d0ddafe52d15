// multimeter: the desktop program.
#include "app/CMainFrame.h"
#include "document/CDocumentType.h"

#include "sim/CSimServer.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QMessageBox>

#include <memory>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Local AppWizard-Generated Applications"));
    QApplication::setApplicationName(QStringLiteral("multimeter"));
    QApplication::setApplicationDisplayName(DocumentType::ProgramName());
    QApplication::setApplicationVersion(DocumentType::Version());

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Desktop companion for the Bluetooth multimeter."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption demoOpt(QStringLiteral("demo"), QStringLiteral("Start a built-in simulated meter and connect to it."));
    parser.addOption(demoOpt);
    parser.process(app);

    CMainFrame frame;
    std::unique_ptr<CSimServer> pSim;
    if (parser.isSet(demoOpt)) {
        CSimDongleOptions options;
        options.advertisers = CSimDongle::DefaultAdvertisers();
        pSim = std::make_unique<CSimServer>(options);
        QString strError;
        if (!pSim->Open(&strError)) {
            QMessageBox::critical(nullptr, QApplication::applicationDisplayName(),
                                  QStringLiteral("The simulated meter could not start: %1").arg(strError));
            return 1;
        }
        pSim->StartThread();
        frame.AutoConnect(pSim->PortPath());
    }
    frame.showMaximized();
    const int nStatus = app.exec();
    frame.Link().Shutdown();
    return nStatus;
}
