# The trend graph without a window: what it shows and how its gestures change that.
list(APPEND CORE_SOURCES
  trend/CGraphAxis.cpp
  trend/CGraphMapping.cpp
  trend/CGraphScaleChoice.h
  trend/CGraphState.cpp
  trend/CGraphXAxis.cpp
)
