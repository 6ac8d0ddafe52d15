#pragma once

#include <QLoggingCategory>

// "multimeter.publish": the broker connection and the alarms. No line ever holds a password.
Q_DECLARE_LOGGING_CATEGORY(lcPublish)
