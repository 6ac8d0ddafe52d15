# MQTT publishing and alarms: widget-free, shared by the command line and the window.
list(APPEND CORE_SOURCES
  publish/PublishLog.cpp
  publish/CMqttUrl.cpp
  publish/CMqttPublisher.cpp
  publish/CReadingPublisher.cpp
  publish/CAlarmEvent.cpp
  publish/CAlarmWatch.cpp
  publish/CAlarmCommand.cpp
)
