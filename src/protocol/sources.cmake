list(APPEND CORE_SOURCES
  protocol/MeterReading.h
  protocol/CDecodedReading.h
  protocol/CFunctionTable.h
  protocol/CFunctionTable.cpp
  protocol/CFrameReader.h
  protocol/CFrameReader.cpp
  protocol/CMeterLayouts.h
  protocol/CMeterLayouts.cpp
  protocol/CMeterProtocol.h
  protocol/CMeterProtocol.cpp
  protocol/CRecordingRules.h
  protocol/CRecordingRules.cpp
  protocol/CLiveRecorder.h
  protocol/CLiveRecorder.cpp
  protocol/CReadingFormat.h
  protocol/CReadingFormat.cpp
)
