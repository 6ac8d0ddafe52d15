list(APPEND CORE_SOURCES
  document/CArchive.cpp
  document/CDocumentType.h
  document/CMinMaxSummary.cpp
  document/CMyTalvaDoc.cpp
  document/CObData.cpp
  document/CReadingsExport.cpp
  document/CRecordStream.cpp
  document/CRecoveredSessions.cpp
  document/CRecoveryStore.cpp
)
list(APPEND UI_SOURCES
  document/ui/CDataListModel.cpp
  document/ui/CMyTalvaView.cpp
  document/ui/CPrintRX.cpp
  document/ui/CReadingsPrinter.cpp
  document/ui/CWaitCursor.h
)
