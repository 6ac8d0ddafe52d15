list(APPEND UI_SOURCES
  app/CAboutDlg.cpp
  app/CAutoRecovery.cpp
  app/CChildFrame.cpp
  app/CDocManager.cpp
  app/CLinkPrompt.cpp
  app/CLinkWatchdog.cpp
  app/CLockIndicators.cpp
  app/CLogToFolderDlg.cpp
  app/CLoggerCommands.cpp
  app/CMainFrame.cpp
  app/CMessageBoxPrompt.cpp
  app/CProgramIcon.cpp
  app/CRealTimeRecording.cpp
  app/CWaitDlg.cpp
)
# The application object and the built-in meter of --demo (they need meter_sim).
set(APP_SOURCES
  app/CDemoMeter.cpp
  app/CMyTalvaApp.cpp
)
