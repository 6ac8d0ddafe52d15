#pragma once

#include <QString>
#include <QStringList>

#include <memory>

class CMyTalvaDoc;

// A recording that went on in numbered files: FILE.mLog, FILE-2.mLog, FILE-3.mLog, ... (a
// recording to a folder and multimeter-cli record write them so). The one place that names
// the files of a series and reads one back as a single document.
class CDocumentSeries
{
public:
    // The nPart-th file (from 1) of the series whose first file is strFirst; a path without an
    // extension gets the recording's.
    static QString PartPath(const QString& strFirst, int nPart);

    // The files of strFirst's series that exist besides the first one: every FILE-<n> with the
    // same extension in its folder, whatever the numbers (for a recording about to overwrite them).
    static QStringList ExistingContinuations(const QString& strFirst);

    struct CLoaded
    {
        std::unique_ptr<CMyTalvaDoc> pDoc; //!< null when the first file does not load
        QString strError;                  //!< why the first file did not load
        QStringList parts;                 //!< the files in the document, in order
        QStringList leftOut;               //!< one message for each file left out, naming it
    };

    // strFirst and its continuations FILE-2, FILE-3, ... (consecutive numbers, up to the first
    // that does not exist) as one document, numbered across the files. A continuation that does
    // not load, or holds another quantity than the readings before it, is left out with a
    // message; the others are read.
    static CLoaded Load(const QString& strFirst);
};
