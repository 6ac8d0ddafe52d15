# Drawings on a QPainter without widgets (Qt Gui only): the trend graph, the printed pages of
# readings and the job of pages they go onto. The window, the printer and the CLI's PDF
# pages all use them.
list(APPEND DRAW_SOURCES
  draw/CFFTPainter.cpp
  draw/CGraphColors.h
  draw/CGraphDrawOptions.h
  draw/CGraphPainter.cpp
  draw/CGraphTrace.cpp
  draw/CPageJob.cpp
  draw/CReadingsPrinter.cpp
)
