list(APPEND CORE_SOURCES
  link/CBlockingInvoker.cpp
  link/CComPort.cpp
  link/CDonglePackets.cpp
  link/CLinkReconnect.cpp
  link/CMeterLink.cpp
  link/CPortError.cpp
  link/CPortList.cpp
  link/CPortSettings.cpp
  link/CReadComThread.cpp
  link/CSerialException.cpp
  link/CSerialPort.cpp
  link/CThreadHandoff.cpp
)
list(APPEND UI_SOURCES
  link/ui/CBleScan.cpp
)
