#pragma once


#include <memory>

class QCoreApplication;

// The application object of a command line whose export draws PDF pages: the page painters
// need a GUI application from the PDF module (CPdfPages), which gets the offscreen platform
// unless QT_QPA_PLATFORM says otherwise. nullptr for every other command line (a plain
// QCoreApplication does), and when the module cannot be loaded (the export then says why).
std::unique_ptr<QCoreApplication> CreateExportApplication(int& argc, char** argv);
