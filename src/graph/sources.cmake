list(APPEND UI_SOURCES
  graph/CGraphColors.h
  graph/CGraphCommand.h
  graph/CGraphCommandTarget.h
  graph/CGraphDrawOptions.h
  graph/CGraphScaleChoice.h
  graph/CGraphMapping.cpp
  graph/CGraphTrace.cpp
  graph/CGraphDlg.cpp
  graph/CColorSetting.cpp
  graph/CControlDlgBar.cpp
  graph/CGraphToolIcons.cpp
)
