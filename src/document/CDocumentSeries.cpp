#include "document/CDocumentSeries.h"

#include "document/CDocumentType.h"
#include "document/CMyTalvaDoc.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <limits>
#include <utility>

namespace {

// strFirst as the part before the number and the extension after it.
std::pair<QString, QString> SplitPath(const QString& strFirst)
{
    const QString strSuffix = QFileInfo(strFirst).suffix();
    if (strSuffix.isEmpty())
        return { strFirst, DocumentType::Extension() };
    return { strFirst.left(strFirst.size() - strSuffix.size() - 1), QLatin1Char('.') + strSuffix };
}

} // namespace

QString CDocumentSeries::PartPath(const QString& strFirst, int nPart)
{
    const auto [strBase, strExtension] = SplitPath(strFirst);
    return nPart <= 1 ? strBase + strExtension : QStringLiteral("%1-%2%3").arg(strBase).arg(nPart).arg(strExtension);
}

QStringList CDocumentSeries::ExistingContinuations(const QString& strFirst)
{
    const QFileInfo first(PartPath(strFirst, 1));
    const auto [strBase, strExtension] = SplitPath(first.fileName());
    const QRegularExpression re(QRegularExpression::anchoredPattern(
        QRegularExpression::escape(strBase) + QStringLiteral("-[0-9]+") + QRegularExpression::escape(strExtension)));
    QStringList found;
    for (const QString& strName : first.dir().entryList(QDir::Files | QDir::Hidden, QDir::Name)) {
        if (re.match(strName).hasMatch())
            found << first.dir().filePath(strName);
    }
    return found;
}

CDocumentSeries::CLoaded CDocumentSeries::Load(const QString& strFirst)
{
    CLoaded loaded;
    loaded.pDoc = CMyTalvaDoc::LoadFile(strFirst, &loaded.strError);
    if (!loaded.pDoc)
        return loaded;
    loaded.parts << strFirst;
    CMyTalvaDoc& doc = *loaded.pDoc;
    for (int nPart = 2; nPart < std::numeric_limits<int>::max(); ++nPart) {
        const QString strPath = PartPath(strFirst, nPart);
        if (!QFileInfo::exists(strPath))
            break;
        QString strError;
        std::unique_ptr<CMyTalvaDoc> pPart = CMyTalvaDoc::LoadFile(strPath, &strError);
        if (!pPart) {
            loaded.leftOut << QStringLiteral("%1 It is left out of the series.").arg(strError);
            continue;
        }
        if (!doc.m_arrData[0].isEmpty() && !pPart->m_arrData[0].isEmpty()
            && !doc.Unit().SameQuantity(pPart->Unit())) {
            loaded.leftOut << QStringLiteral("%1 holds readings in %2, not in %3 as the series before it: it is left out.")
                                  .arg(QDir::toNativeSeparators(strPath), pPart->Unit().Display(), doc.Unit().Display());
            continue;
        }
        doc.AppendSeriesPart(std::move(*pPart));
        loaded.parts << strPath;
    }
    // The columns grew by half again at a time while the parts came in.
    for (CRecordArray& arr : doc.m_arrData)
        arr.Squeeze();
    return loaded;
}
