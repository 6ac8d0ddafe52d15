# What every core folder may use: nothing here includes another folder of the program.
list(APPEND CORE_SOURCES
  base/CMeterUnit.cpp
  base/CTextFormat.cpp
)
