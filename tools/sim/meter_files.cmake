# The simulated meter's sources (relative to tools/sim).
set(SIM_METER_SOURCES
  CSimClock.cpp
  CSimFrameEncoder.cpp
  CSimMeter.cpp
  CSimNoise.cpp
  CSimScenario.cpp
)
