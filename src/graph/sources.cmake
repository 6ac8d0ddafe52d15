list(APPEND UI_SOURCES
  graph/CGraphCommand.h
  graph/CGraphCommandTarget.h
  graph/CGraphDlg.cpp
  graph/CColorSetting.cpp
  graph/CControlDlgBar.cpp
  graph/CGraphToolIcons.cpp
  graph/CMeasurePanel.cpp
)
