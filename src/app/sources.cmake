set(APP_UI_SOURCES
  app/CMainFrame.cpp
  app/CMessageBoxPrompt.cpp
)
