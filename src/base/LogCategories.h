#pragma once

#include <QLoggingCategory>

// The diagnostic log: one category per part of the program, all named "multimeter.<part>".
// Each says nothing below warnings until QT_LOGGING_RULES (e.g. "multimeter.*.info=true") or
// a log file (CDiagnosticLog) turns its info lines on. A part of the program that needs a
// category of its own declares it the same way, under the same prefix, and the log serves it.
// Lines never hold a password or any other secret.
Q_DECLARE_LOGGING_CATEGORY(LogLink)   // ports, scans, links, losses and reconnects
Q_DECLARE_LOGGING_CATEGORY(LogRecord) // recordings started and stopped
Q_DECLARE_LOGGING_CATEGORY(LogScope)  // the oscilloscope's windows and files
Q_DECLARE_LOGGING_CATEGORY(LogLogger) // the meter's data logger downloads
Q_DECLARE_LOGGING_CATEGORY(LogApp)    // documents, message boxes, start and exit
