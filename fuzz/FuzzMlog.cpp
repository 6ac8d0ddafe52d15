// The recording file reader: any bytes load or are refused with a reason, and
// what loads saves and loads again.
#include "document/CMyTalvaDoc.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    const QByteArray data = QByteArray::fromRawData(reinterpret_cast<const char*>(pData), qsizetype(nSize));
    QString strError;
    std::unique_ptr<CMyTalvaDoc> pDoc = CMyTalvaDoc::LoadBytes(data, &strError);
    if (!pDoc) {
        if (strError.isEmpty())
            std::abort(); // a refusal always says why
        return 0;
    }
    (void)pDoc->Summary();
    QString strAgain;
    const std::unique_ptr<CMyTalvaDoc> pCopy = CMyTalvaDoc::LoadBytes(pDoc->SaveBytes(), &strAgain);
    if (!pCopy)
        std::abort(); // what the program writes it must read
    for (int i = 0; i < CMyTalvaDoc::kArrayCount; ++i)
        if (pCopy->m_arrData[i].size() != pDoc->m_arrData[i].size())
            std::abort();
    return 0;
}
