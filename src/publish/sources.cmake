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
# The window's publishing and alarms.
list(APPEND UI_SOURCES
  publish/ui/CPublishSettings.cpp
  publish/ui/CPublishPage.cpp
  publish/ui/CPublishSettingsDlg.cpp
  publish/ui/CPublishHost.h
  publish/ui/CPublishCommands.cpp
  publish/ui/CAlarmFrame.cpp
  publish/ui/CAlarmDlg.cpp
  publish/ui/CAlarmCommands.cpp
  publish/ui/CDesktopNotifier.cpp
)
