#pragma once

#include "CCliVerb.h"

// Each verb describes itself in its own file; main.cpp lists them in this order.
CCliVerb ScanVerb();
CCliVerb ConnectVerb();
CCliVerb MonitorVerb();
CCliVerb RecordVerb();
CCliVerb DumpVerb();
CCliVerb PortsVerb();
CCliVerb ExportVerb();
CCliVerb LoggerVerb();
CCliVerb OscVerb();
CCliVerb StatsVerb();
