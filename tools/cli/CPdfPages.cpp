#include "CPdfPages.h"

#include "document/CMyTalvaDoc.h"
#include "pdf/PdfModule.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibrary>

namespace {

struct CModule
{
    QLibrary library;
    PdfModule::CreateApplicationFn pfnCreate = nullptr;
    PdfModule::WriteFn pfnWrite = nullptr;
};

// Loaded once and never unloaded: the application object it makes lives on Qt Gui's code.
CModule& Module()
{
    static CModule module;
    return module;
}

// The program's folder, before an application object can say it.
QString ProgramDir(const char* pszArgv0)
{
    const QFileInfo self(QStringLiteral("/proc/self/exe"));
    if (self.exists())
        return self.canonicalPath();
    return QFileInfo(QString::fromLocal8Bit(pszArgv0)).absolutePath();
}

bool Load(const char* pszArgv0, QString* pstrError)
{
    CModule& module = Module();
    if (module.pfnWrite)
        return true;
    // Beside the program (the build tree), then where the package installs it.
    const QDir dir(ProgramDir(pszArgv0));
    const QStringList candidates = {dir.filePath(QStringLiteral(MULTIMETER_PDF_MODULE)),
                                    dir.filePath(QStringLiteral(MULTIMETER_PDF_MODULE_DIR "/" MULTIMETER_PDF_MODULE))};
    QString strReason;
    for (const QString& strPath : candidates) {
        if (!QFileInfo::exists(strPath))
            continue;
        module.library.setFileName(strPath);
        module.library.setLoadHints(QLibrary::PreventUnloadHint);
        if (!module.library.load()) {
            strReason = QStringLiteral(", which does not load: %1").arg(module.library.errorString());
            continue;
        }
        module.pfnCreate = reinterpret_cast<PdfModule::CreateApplicationFn>(module.library.resolve(PdfModule::kCreateApplication));
        module.pfnWrite = reinterpret_cast<PdfModule::WriteFn>(module.library.resolve(PdfModule::kWrite));
        if (module.pfnCreate && module.pfnWrite)
            return true;
        module.pfnCreate = nullptr;
        module.pfnWrite = nullptr;
        strReason = QStringLiteral(": %1 is not the module of this program").arg(strPath);
    }
    if (strReason.isEmpty())
        strReason = QStringLiteral(", found neither beside the program nor in %1")
                        .arg(QDir::cleanPath(dir.filePath(QStringLiteral(MULTIMETER_PDF_MODULE_DIR))));
    *pstrError = QStringLiteral("PDF pages need the module %1%2").arg(QStringLiteral(MULTIMETER_PDF_MODULE), strReason);
    return false;
}

} // namespace

namespace PdfPages {

std::unique_ptr<QCoreApplication> CreateApplication(int& argc, char** argv, QString* pstrError)
{
    if (!Load(argv[0], pstrError))
        return nullptr;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    return std::unique_ptr<QCoreApplication>(Module().pfnCreate(&argc, argv));
}

bool IsLoaded()
{
    return Module().pfnWrite != nullptr;
}

bool Write(const CMyTalvaDoc& doc, const QString& strPath, bool bGraph, QString* pstrError)
{
    if (!IsLoaded()) {
        *pstrError = QStringLiteral("PDF pages need the program's PDF module");
        return false;
    }
    // The module holds its own copy of the core: the recording crosses as its file bytes.
    const QByteArray document = doc.SaveBytes();
    return Module().pfnWrite(&document, &strPath, bGraph, pstrError);
}

} // namespace PdfPages
