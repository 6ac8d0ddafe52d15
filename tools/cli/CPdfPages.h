#pragma once

#include <QString>

#include <memory>

class CMyTalvaDoc;
class QCoreApplication;

// The PDF pages of `export` (the printed graph page and the data table). Drawing them needs Qt
// Gui, which on Debian brings D-Bus and the window system's libraries along, so they are drawn
// by a module of their own (multimeter-pdf) that the program loads only for such an export:
// multimeter-cli itself links no graphics library.
namespace PdfPages {

// Loads the module and makes the application object its pages need (a QGuiApplication, with
// the offscreen platform unless QT_QPA_PLATFORM names another). nullptr with the reason when
// the module cannot be loaded. Call before any other application object exists; argc must
// outlive the application.
std::unique_ptr<QCoreApplication> CreateApplication(int& argc, char** argv, QString* pstrError);
bool IsLoaded();

// Writes the graph page (bGraph) or the data table of doc's readings to strPath, whole or not
// at all; false with the reason. Needs CreateApplication first.
bool Write(const CMyTalvaDoc& doc, const QString& strPath, bool bGraph, QString* pstrError);

} // namespace PdfPages
