list(APPEND UI_SOURCES
  panel/CPanelState.h
  panel/CPanelFonts.cpp
  panel/CPanelText.cpp
  panel/CBarGraph.cpp
  panel/CUnitPicture.cpp
  panel/CPanelPainter.cpp
  panel/CLeftDlg.cpp
  panel/CShowData.cpp
)
