list(APPEND CORE_SOURCES
  logger/LoggerListData.h
  logger/LoggerListData.cpp
  logger/CRecordingHeader.h
  logger/CLoggerDecoder.h
  logger/CLoggerDecoder.cpp
  logger/CLoggerDownload.h
  logger/CLoggerDownload.cpp
)
list(APPEND UI_SOURCES
  logger/ui/CLoggerList.h
  logger/ui/CLoggerList.cpp
)
