#include "base/LogCategories.h"

Q_LOGGING_CATEGORY(LogLink, "multimeter.link", QtWarningMsg)
Q_LOGGING_CATEGORY(LogRecord, "multimeter.record", QtWarningMsg)
Q_LOGGING_CATEGORY(LogScope, "multimeter.scope", QtWarningMsg)
Q_LOGGING_CATEGORY(LogLogger, "multimeter.logger", QtWarningMsg)
Q_LOGGING_CATEGORY(LogApp, "multimeter.app", QtWarningMsg)
