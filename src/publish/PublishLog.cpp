#include "publish/PublishLog.h"

// Warnings by default; QT_LOGGING_RULES="multimeter.publish.info=true" shows the connection's steps.
Q_LOGGING_CATEGORY(lcPublish, "multimeter.publish", QtWarningMsg)
