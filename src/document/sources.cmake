list(APPEND CORE_SOURCES
  document/CArchive.cpp
  document/CDocumentSeries.cpp
  document/CDocumentType.h
  document/CDocumentUnit.cpp
  document/CMinMaxSummary.cpp
  document/CMyTalvaDoc.cpp
  document/CObData.cpp
  document/CReadingTimes.cpp
  document/CReadingsExport.cpp
  document/CRecordArray.cpp
  document/CRecordStream.cpp
  document/CRecoveredSessions.cpp
  document/CRecoveryStore.cpp
  document/CSpanStatistics.cpp
)
list(APPEND UI_SOURCES
  document/ui/CDataListModel.cpp
  document/ui/CMyTalvaView.cpp
  document/ui/CPrintRX.cpp
  document/ui/CWaitCursor.h
)
