#pragma once

// What the graph tool bar and the "Graph Setting" menu send their commands to: the current
// data view, which hands them to its graph (the graph itself is a target too).
class CGraphCommandTarget
{
public:
    virtual ~CGraphCommandTarget() = default;
    // One of the GraphCommand values; others are ignored.
    virtual void OnGraphCommand(int nCommand) = 0;
};
