# What every core folder may use: nothing here includes another folder of the program.
list(APPEND CORE_SOURCES
  base/CDiagnosticLog.cpp
  base/LogCategories.cpp
)
