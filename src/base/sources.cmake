# What every core folder may use: nothing here includes another folder of the program.
list(APPEND CORE_SOURCES
  base/CMeterUnit.cpp
  base/CFileIo.cpp
  base/CProgramInfo.h
  base/CSpreadsheetText.cpp
  base/CDiagnosticLog.cpp
  base/LogCategories.cpp
  base/CPrintf.h
  base/CPrintf.cpp
  base/CTextFormat.cpp
)
