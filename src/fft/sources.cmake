list(APPEND CORE_SOURCES
  fft/CFFT.cpp
  fft/CFFTWindow.cpp
  fft/CFFTAnalysis.cpp
)
list(APPEND UI_SOURCES
  fft/ui/CFFTGraph.cpp
  fft/ui/CFFTDlg.cpp
)
