#pragma once

#include <QString>

#include <memory>

class CSimServer;

// The built-in meter of --demo: the simulated dongle and meter on a
// pseudo-terminal, playing the demo scenario that is built into the program
// (every layout and several functions, in a loop), served on its own thread.
class CDemoMeter
{
public:
    // The built-in scenario (a Qt resource).
    static QString ScenarioPath();

    CDemoMeter();
    ~CDemoMeter();

    // Opens the pseudo-terminal and starts serving; false with a reason.
    bool Start(QString* pstrError);
    void Stop();
    // The port the program connects to.
    QString PortPath() const;

private:
    std::unique_ptr<CSimServer> m_pServer;
};
